SELECT t.tgname AS "TRIGNAME", c.relname AS "TABNAME", t.oid AS "TRIGOID"
FROM pg_catalog.pg_trigger t
JOIN pg_catalog.pg_class c ON c.oid = t.tgrelid
JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
WHERE n.nspname = '{%SCHEMA%}' AND NOT t.tgisinternal
ORDER BY t.tgname, c.relname

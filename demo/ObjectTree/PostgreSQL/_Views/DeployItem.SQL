SELECT c.relname AS "TABNAME"
FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
WHERE n.nspname = '{%SCHEMA%}' AND c.relkind IN ('v', 'm')
ORDER BY c.relname

SELECT a.attname AS "COLNAME", pg_catalog.format_type(a.atttypid, a.atttypmod) AS "COLTYPE"
FROM pg_catalog.pg_attribute a
WHERE a.attrelid = (SELECT c.oid FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
                   WHERE n.nspname = '{%SCHEMA%}' AND c.relname = '{%TABNAME%}')
  AND a.attnum > 0 AND NOT a.attisdropped
ORDER BY a.attnum

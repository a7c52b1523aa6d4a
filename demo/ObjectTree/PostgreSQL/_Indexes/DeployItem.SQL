SELECT ci.relname AS "INDEXNAME", ct.relname AS "TABNAME"
FROM pg_catalog.pg_index i
JOIN pg_catalog.pg_class ci ON ci.oid = i.indexrelid
JOIN pg_catalog.pg_class ct ON ct.oid = i.indrelid
JOIN pg_catalog.pg_namespace n ON n.oid = ci.relnamespace
WHERE n.nspname = '{%SCHEMA%}'
ORDER BY ci.relname

SELECT n.nspname AS "SCHEMA"
FROM pg_catalog.pg_namespace n
WHERE pg_catalog.has_schema_privilege(n.oid, 'USAGE')
  AND n.nspname !~ '^pg_(toast|temp_)'
ORDER BY n.nspname ~ '^pg_' OR n.nspname = 'information_schema', n.nspname

SELECT p.proname || '(' || pg_catalog.pg_get_function_identity_arguments(p.oid) || ')' AS "FUNCNAME",
       p.oid AS "FUNCOID"
FROM pg_catalog.pg_proc p JOIN pg_catalog.pg_namespace n ON n.oid = p.pronamespace
WHERE n.nspname = '{%SCHEMA%}'
ORDER BY p.proname, 1

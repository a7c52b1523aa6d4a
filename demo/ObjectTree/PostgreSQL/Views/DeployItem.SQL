SELECT table_name AS "TABNAME" FROM information_schema.views WHERE table_schema = '{%SCHEMA%}' ORDER BY table_name

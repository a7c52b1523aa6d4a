SELECT table_name AS "TABNAME" FROM information_schema.tables WHERE table_schema = '{%SCHEMA%}' AND table_type = 'BASE TABLE' ORDER BY table_name

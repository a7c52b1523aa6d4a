SELECT column_name AS "COLNAME" FROM information_schema.columns WHERE table_schema = '{%SCHEMA%}' AND table_name = '{%TABNAME%}' ORDER BY ordinal_position

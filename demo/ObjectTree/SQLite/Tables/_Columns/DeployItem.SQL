SELECT name AS COLNAME, type AS COLTYPE FROM pragma_table_info('{%TABNAME%}') ORDER BY cid

SELECT name AS TABNAME FROM sqlite_master WHERE type = 'view' ORDER BY name

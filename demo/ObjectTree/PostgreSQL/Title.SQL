SELECT 'PostgreSQL ' || current_database()

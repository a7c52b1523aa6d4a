# Sourced by the test and benchmark scripts: a private PostgreSQL server on
# 127.0.0.1 for the database tests. pg_start exports ZINTAVOR_PG_CONN (an ODBC
# connection string) and ZINTAVOR_PG_PORT; pg_stop stops the server and removes its data.

pg_start() {
  local bin
  bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  [ -x "$bin/initdb" ] || { echo "pg.sh: PostgreSQL server binaries not found" >&2; return 1; }
  ZINTAVOR_PG_PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()')
  ZINTAVOR_PG_DATA=$(mktemp -d /tmp/zintavor-pg.XXXXXX)
  local run=()
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres: "$ZINTAVOR_PG_DATA"
    run=(su postgres -s /bin/sh -c)
  else
    run=(sh -c)
  fi
  "${run[@]}" "'$bin/initdb' -D '$ZINTAVOR_PG_DATA/data' -A trust -U postgres -E UTF8 --locale=C >'$ZINTAVOR_PG_DATA/initdb.log' 2>&1" \
    || { cat "$ZINTAVOR_PG_DATA/initdb.log" >&2; return 1; }
  "${run[@]}" "'$bin/pg_ctl' -D '$ZINTAVOR_PG_DATA/data' -w -t 60 -l '$ZINTAVOR_PG_DATA/server.log' \
      -o \"-p $ZINTAVOR_PG_PORT -k '$ZINTAVOR_PG_DATA' -c listen_addresses=127.0.0.1 -c fsync=off\" start >/dev/null" \
    || { cat "$ZINTAVOR_PG_DATA/server.log" >&2; return 1; }
  psql -q -h 127.0.0.1 -p "$ZINTAVOR_PG_PORT" -U postgres -d postgres \
    -c "CREATE ROLE zintavor LOGIN SUPERUSER PASSWORD 'zintavor'" \
    -c "CREATE DATABASE zintavor OWNER zintavor" >/dev/null
  # The driver writes a log to /tmp at every disconnect when odbcinst.ini turns
  # CommLog on (Debian's does), whatever the connection string says: the
  # tests and benchmarks read a copy of the driver lists with the logs off.
  local inst sys
  inst=$(odbcinst -j 2>/dev/null | sed -n 's/^DRIVERS[. ]*: *//p')
  sys=$(odbcinst -j 2>/dev/null | sed -n 's/^SYSTEM DATA SOURCES[. ]*: *//p')
  sed -e 's/^\([[:space:]]*\)\(CommLog\|Debug\)[[:space:]]*=.*/\1\2=0/I' "${inst:-/etc/odbcinst.ini}" > "$ZINTAVOR_PG_DATA/odbcinst.ini"
  if [ -n "$sys" ] && [ -f "$sys" ]; then cp "$sys" "$ZINTAVOR_PG_DATA/odbc.ini"; fi
  ZINTAVOR_PG_ODBCSYSINI_WAS=${ODBCSYSINI-}
  export ODBCSYSINI=$ZINTAVOR_PG_DATA
  export ZINTAVOR_PG_PORT ZINTAVOR_PG_DATA
  # CommLog and Debug off: the driver's logs (on in some odbcinst.ini files)
  # would otherwise be left in /tmp by every connection
  export ZINTAVOR_PG_CONN="DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=$ZINTAVOR_PG_PORT;DATABASE=zintavor;UID=zintavor;PWD=zintavor;CommLog=0;Debug=0"
  echo "pg.sh: PostgreSQL listening on 127.0.0.1:$ZINTAVOR_PG_PORT"
}

pg_stop() {
  [ -n "${ZINTAVOR_PG_DATA:-}" ] && [ -d "$ZINTAVOR_PG_DATA/data" ] || return 0
  local bin
  bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  if [ "$(id -u)" -eq 0 ]; then
    su postgres -s /bin/sh -c "'$bin/pg_ctl' -D '$ZINTAVOR_PG_DATA/data' -m immediate stop >/dev/null 2>&1" || true
  else
    "$bin/pg_ctl" -D "$ZINTAVOR_PG_DATA/data" -m immediate stop >/dev/null 2>&1 || true
  fi
  rm -rf "$ZINTAVOR_PG_DATA"
  unset ZINTAVOR_PG_DATA
  if [ -n "${ZINTAVOR_PG_ODBCSYSINI_WAS:-}" ]; then export ODBCSYSINI=$ZINTAVOR_PG_ODBCSYSINI_WAS; else unset ODBCSYSINI; fi
}

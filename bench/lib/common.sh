# Sourced by the benchmark scripts (from the repository's top folder).
# $build is the build tree to time: $ZINTAVOR_BUILD, or build/release.
build=${ZINTAVOR_BUILD:-build/release}

# bench_build TARGET: builds a benchmark program in $build when it is missing.
bench_build() {
  [ -x "$build/bench/$1" ] || bash scripts/build.sh "$(basename "$build")" "$1" >/dev/null
}

# bench_pg: uses the PostgreSQL server of $ZINTAVOR_PG_CONN, or starts a
# private one (bench_pg_done stops it again); sets $conn and exports psql's
# PG* variables for that server.
bench_pg() {
  . scripts/pg.sh
  bench_own_pg=0
  if [ -z "${ZINTAVOR_PG_CONN:-}" ]; then
    pg_start >/dev/null
    bench_own_pg=1
  fi
  conn=$ZINTAVOR_PG_CONN
  export PGHOST=$(bench_conn_field SERVER) PGPORT=$(bench_conn_field PORT) PGDATABASE=$(bench_conn_field DATABASE) \
    PGUSER=$(bench_conn_field UID) PGPASSWORD=$(bench_conn_field PWD)
}
# bench_conn_field KEY: one value of the ODBC connection string $conn.
bench_conn_field() {
  printf '%s\n' "$conn" | tr ';' '\n' | sed -n "s/^$1=//Ip" | head -n 1
}
bench_pg_done() {
  if [ "${bench_own_pg:-0}" = 1 ]; then pg_stop; fi
}

# bench_pg_table NAME ROWS: a table of 5 columns (integer, ASCII text,
# Japanese text, timestamp, an integer that is NULL in every third row).
bench_pg_table() {
  psql -q -v ON_ERROR_STOP=1 -c "create table $1 as
    select g as id, 'row ' || g as ascii, 'テキスト' || g as jp,
           timestamp '2024-01-01' + g * interval '1 second' as ts,
           case when g % 3 = 0 then null else g * 7 end as maybe
    from generate_series(1, $2) g" >/dev/null
}

# bench_measure BEFORE INPUT COMMAND...: runs COMMAND $runs times with INPUT
# as its standard input (after the shell command BEFORE each time), output in
# $tmp/out and $tmp/err; prints "best-seconds peak-kilobytes-of-that-run".
bench_measure() {
  local before=$1 input=$2 best="" mem="" out
  shift 2
  for _ in $(seq "$runs"); do
    eval "$before"
    /usr/bin/time -f '%e %M' -o "$tmp/time" "$@" < "$input" > "$tmp/out" 2> "$tmp/err" || { cat "$tmp/err" >&2; return 1; }
    out=$(cat "$tmp/time")
    if [ -z "$best" ] || awk -v a="${out% *}" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=${out% *}
      mem=${out#* }
    fi
  done
  echo "$best $mem"
}

# bench_min_med NUMBERS...: "minimum median" of the numbers.
bench_min_med() {
  printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { printf "%s %s", a[1], a[int((NR + 1) / 2)] }'
}

# bench_stats BEFORE INPUT COMMAND...: runs COMMAND $runs times as
# bench_measure does; prints "min-wall median-wall min-cpu median-cpu
# peak-kilobytes first-wall first-cpu" (seconds; the wall time to the
# microsecond, CPU (user + system) as time(1) gives it; the largest peak of
# the runs; the first run, the cold one, apart).
bench_stats() {
  local before=$1 input=$2 walls=() cpus=() mem=0 t0 t1 u s m
  shift 2
  for _ in $(seq "$runs"); do
    eval "$before"
    t0=$(date +%s%N)
    /usr/bin/time -f '%U %S %M' -o "$tmp/time" "$@" < "$input" > "$tmp/out" 2> "$tmp/err" || { cat "$tmp/err" >&2; return 1; }
    t1=$(date +%s%N)
    read -r u s m < "$tmp/time"
    walls+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f", (b - a) / 1e9 }')")
    cpus+=("$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')")
    [ "$m" -gt "$mem" ] && mem=$m
  done
  echo "$(bench_min_med "${walls[@]}") $(bench_min_med "${cpus[@]}") $mem ${walls[0]} ${cpus[0]}"
}

#!/usr/bin/env bash
# Fetching a large result from PostgreSQL: our ODBC layer fetches every row
# into a dataset and walks it (every field as text), side by side with
# unixODBC's isql over the same driver and query, and with psql writing
# unaligned output. Rows: 5 columns (integer, short ASCII text, Japanese
# text, timestamp, an integer that is NULL in every third row).
# Usage: bench/fetch.sh smoke|full   (smoke: 10,000 rows; full: 1,000,000)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-smoke}
. bench/lib/common.sh
case "$mode" in
  smoke) rows=10000; runs=1 ;;
  full)  rows=1000000; runs=3 ;;
  *) echo "usage: $0 smoke|full" >&2; exit 2 ;;
esac
bench_build fetch_bench
bin="$build/bench/fetch_bench"

. scripts/pg.sh
own_server=0
if [ -z "${ZINTAVOR_PG_CONN:-}" ]; then
  pg_start >/dev/null
  own_server=1
fi
conn=$ZINTAVOR_PG_CONN
field() { printf '%s\n' "$conn" | tr ';' '\n' | sed -n "s/^$1=//Ip" | head -n 1; }
export PGHOST=$(field SERVER) PGPORT=$(field PORT) PGDATABASE=$(field DATABASE) PGUSER=$(field UID) PGPASSWORD=$(field PWD)

table="bench_fetch_$$"
tmp=$(mktemp -d)
cleanup() {
  psql -q -c "drop table if exists $table" >/dev/null 2>&1 || true
  rm -rf "$tmp"
  if [ "$own_server" = 1 ]; then pg_stop; fi
}
trap cleanup EXIT
psql -q -v ON_ERROR_STOP=1 -c "create table $table as
  select g as id, 'row ' || g as ascii, 'テキスト' || g as jp,
         timestamp '2024-01-01' + g * interval '1 second' as ts,
         case when g % 3 = 0 then null else g * 7 end as maybe
  from generate_series(1, $rows) g" >/dev/null
sql="select * from $table"
printf '%s\n' "$sql" > "$tmp/query.sql"

# Best wall time of the runs and the peak memory of that run: "seconds kilobytes".
# Usage: measure <standard input file> <command...>
measure() {
  local input=$1 best="" mem="" out
  shift
  for _ in $(seq "$runs"); do
    /usr/bin/time -f '%e %M' -o "$tmp/time" "$@" < "$input" > "$tmp/out"
    out=$(cat "$tmp/time")
    if [ -z "$best" ] || awk -v a="${out% *}" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=${out% *}
      mem=${out#* }
    fi
  done
  echo "$best $mem"
}

read -r ours_s ours_kb < <(measure /dev/null "$bin" "$conn" "$sql")
grep -q "rows=$rows " "$tmp/out" || { echo "fetch_bench did not read $rows rows: $(cat "$tmp/out")" >&2; exit 1; }
read -r isql_s isql_kb < <(measure "$tmp/query.sql" isql -k "$conn" -b -d,)
read -r psql_s psql_kb < <(measure /dev/null psql -A -t -F, -c "$sql")

echo "-- $rows rows x 5 columns from PostgreSQL (best of $runs; peak memory of that run)"
awk -v os="$ours_s" -v ok="$ours_kb" -v is="$isql_s" -v ik="$isql_kb" -v ps="$psql_s" -v pk="$psql_kb" 'BEGIN {
  printf "zintavor (fetch into dataset + walk): %7.2f s %9.1f MB\n", os, ok / 1024
  printf "isql -b (same driver and query):      %7.2f s %9.1f MB\n", is, ik / 1024
  printf "psql -A (unaligned, to /dev/null):    %7.2f s %9.1f MB\n", ps, pk / 1024
  printf "time   ratio zintavor/isql: %.2f   zintavor/psql: %.2f\n", os / is, os / ps
  printf "memory ratio zintavor/isql: %.2f   zintavor/psql: %.2f\n", ok / ik, ok / pk
}'

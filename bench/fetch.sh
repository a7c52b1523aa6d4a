#!/usr/bin/env bash
# Fetching a large result from PostgreSQL: our ODBC layer fetches every row
# into a dataset, walks it and writes each row as text (fields joined by ',',
# as psql -A -t -F, does), side by side with unixODBC's isql over the same
# driver and query, with psql writing unaligned output, and with psql's
# \copy (the server's COPY text, no per-row work on the client: the limit).
# Every side writes its rows to a file. Rows: 5 columns (integer, short ASCII
# text, Japanese text, timestamp, an integer that is NULL in every third row).
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

bench_pg

table="bench_fetch_$$"
tmp=$(mktemp -d)
cleanup() {
  psql -q -c "drop table if exists $table" >/dev/null 2>&1 || true
  rm -rf "$tmp"
  bench_pg_done
}
trap cleanup EXIT
bench_pg_table "$table" "$rows"
sql="select * from $table"
printf '%s\n' "$sql" > "$tmp/query.sql"

read -r ours_s ours_kb < <(bench_measure : /dev/null "$bin" "$conn" "$sql")
grep -q "rows=$rows " "$tmp/err" || { echo "fetch_bench did not read $rows rows: $(cat "$tmp/err")" >&2; exit 1; }
[ "$(wc -l < "$tmp/out")" -eq "$rows" ] || { echo "fetch_bench did not write $rows rows" >&2; exit 1; }
read -r isql_s isql_kb < <(bench_measure : "$tmp/query.sql" isql -k "$conn" -b -d,)
read -r psql_s psql_kb < <(bench_measure : /dev/null psql -A -t -F, -c "$sql")
read -r copy_s copy_kb < <(bench_measure : /dev/null psql -c "\\copy ($sql) to stdout")
[ "$(wc -l < "$tmp/out")" -eq "$rows" ] || { echo "psql \\copy did not write $rows rows" >&2; exit 1; }

echo "-- $rows rows x 5 columns from PostgreSQL (best of $runs; peak memory of that run)"
awk -v os="$ours_s" -v ok="$ours_kb" -v is="$isql_s" -v ik="$isql_kb" -v ps="$psql_s" -v pk="$psql_kb" \
    -v cs="$copy_s" -v ck="$copy_kb" 'BEGIN {
  printf "zintavor (fetch into dataset, walk, rows to a file): %7.2f s %9.1f MB\n", os, ok / 1024
  printf "isql -b (same driver and query, to a file):         %7.2f s %9.1f MB\n", is, ik / 1024
  printf "psql -A -t -F, (unaligned, to a file):              %7.2f s %9.1f MB\n", ps, pk / 1024
  printf "psql \\copy (server COPY text, to a file; the limit): %7.2f s %9.1f MB\n", cs, ck / 1024
  printf "time   ratio zintavor/psql: %.2f   zintavor/isql: %.2f   zintavor/copy: %.2f\n", os / ps, os / is, os / cs
  printf "memory ratio zintavor/psql: %.2f   zintavor/isql: %.2f\n", ok / pk, ok / ik
}'

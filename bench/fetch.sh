#!/usr/bin/env bash
# Fetching a large result from PostgreSQL: our ODBC layer fetches every row
# into a dataset, walks it and writes each row as text (fields joined by ',',
# as psql -A -t -F, does), side by side with unixODBC's isql over the same
# driver and query, with psql writing unaligned output, and with psql's
# \copy (the server's COPY text, no per-row work on the client: the limit).
# Every side writes its rows to a file. Rows: 5 columns (integer, short ASCII
# text, Japanese text, timestamp, an integer that is NULL in every third row).
# Each side runs $runs times: min / median of wall and CPU (user + system)
# time, the largest peak memory, and the first (cold) run apart.
# Usage: bench/fetch.sh smoke|full   (smoke: 10,000 rows, one run; full: 1,000,000, three runs)
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

read -r -a ours < <(bench_stats : /dev/null "$bin" "$conn" "$sql")
grep -q "rows=$rows " "$tmp/err" || { echo "fetch_bench did not read $rows rows: $(cat "$tmp/err")" >&2; exit 1; }
[ "$(wc -l < "$tmp/out")" -eq "$rows" ] || { echo "fetch_bench did not write $rows rows" >&2; exit 1; }
read -r -a isql < <(bench_stats : "$tmp/query.sql" isql -k "$conn" -b -d,)
read -r -a psql < <(bench_stats : /dev/null psql -A -t -F, -c "$sql")
read -r -a copy < <(bench_stats : /dev/null psql -c "\\copy ($sql) to stdout")
[ "$(wc -l < "$tmp/out")" -eq "$rows" ] || { echo "psql \\copy did not write $rows rows" >&2; exit 1; }

echo "-- $rows rows x 5 columns from PostgreSQL: min / median of $runs run(s), CPU is user + system; first run apart"
line() {  # name, the fields of bench_stats
  awk -v n="$1" -v w="$2" -v wm="$3" -v c="$4" -v cm="$5" -v k="$6" -v fw="$7" -v fc="$8" 'BEGIN {
    printf "%-52s wall %6.2f / %6.2f s  CPU %6.2f / %6.2f s  %7.1f MB  (first: %5.2f s, CPU %5.2f s)\n", n, w, wm, c, cm, k / 1024, fw, fc }'
}
line "zintavor (fetch into dataset, walk, rows to a file):" "${ours[@]}"
line "isql -b (same driver and query, to a file):" "${isql[@]}"
line "psql -A -t -F, (unaligned, to a file):" "${psql[@]}"
line "psql \\copy (server COPY text; the limit):" "${copy[@]}"
awk -v oc="${ours[2]}" -v ocm="${ours[3]}" -v ow="${ours[0]}" -v owm="${ours[1]}" -v ok="${ours[4]}" \
    -v pc="${psql[2]}" -v pcm="${psql[3]}" -v pw="${psql[0]}" -v pwm="${psql[1]}" -v pk="${psql[4]}" \
    -v ic="${isql[2]}" -v icm="${isql[3]}" -v ik="${isql[4]}" -v cc="${copy[2]}" -v ccm="${copy[3]}" 'BEGIN {
  printf "CPU ratio zintavor/psql: %.2f / %.2f (aim <= 1.2)   zintavor/isql: %.2f / %.2f   zintavor/copy: %.2f / %.2f\n", oc / pc, ocm / pcm, oc / ic, ocm / icm, oc / cc, ocm / ccm
  printf "wall ratio zintavor/psql: %.2f / %.2f   memory ratio zintavor/psql: %.2f   zintavor/isql: %.2f\n", ow / pw, owm / pwm, ok / pk, ok / ik
}'

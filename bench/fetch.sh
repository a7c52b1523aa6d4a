#!/usr/bin/env bash
# Fetching a large result from PostgreSQL: our ODBC layer fetches every row
# into a dataset, walks it and writes each row as text (fields joined by ',',
# as psql -A -t -F, does; fetch_bench), side by side with psql writing the
# same unaligned output, with unixODBC's isql over the same driver and query,
# and with psql's \copy (the server's COPY text, no per-row work on the
# client: the limit). Every side writes its rows to a file. Rows: 5 columns
# (integer, short ASCII text, Japanese text, timestamp, an integer that is
# NULL in every third row).
# Whole processes (start, connect, fetch, write, end): cold, a process fetching
# once; second fetch, a process fetching twice less one fetching once, on
# every side. Peak memory is the process's.
# Usage: bench/fetch.sh smoke|full   (smoke: 10,000 rows; full: 1,000,000; three runs)
set -euo pipefail
. "$(dirname "$0")/lib/common.sh" smoke "$@"
case "$mode" in
  smoke) rows=10000; runs=3 ;;
  full)  rows=1000000; runs=3 ;;
esac
bench_build fetch_bench
bin=$PWD/$build/bench/fetch_bench

bench_pg
table="bench_fetch_$$"
bench_cleanup() {
  psql -q -c "drop table if exists $table" >/dev/null 2>&1 || true
  bench_pg_done
}
bench_start "fetch: $rows rows x 5 columns from PostgreSQL into a dataset of the ODBC layer, walked and
  written as psql -A -t -F, writes them, against psql -A -t -F, and isql -b on the same driver (and
  psql's \\copy, the server's COPY text: the limit); every side writes to a file; whole processes:
  cold, fetching once; second fetch, a process fetching twice less one fetching once" "$runs" "$mode"
bench_pg_table "$table" "$rows"
sql="select * from $table"
printf '%s\n' "$sql" > "$tmp/once.sql"
printf '%s\n%s\n' "$sql" "$sql" > "$tmp/twice.sql"
# the table read once untimed, so that every timed run finds it in the server's cache
psql -q -c "select count(*) from $table" >/dev/null

check() {  # SIDE COUNT: the side wrote every row, COUNT times over
  local got
  got=$(wc -l < "$tmp/out")
  [ "$got" -eq "$(($2 * rows))" ] || { echo "fetch: $1 wrote $got rows of $(($2 * rows))" >&2; exit 1; }
}
for ((r = 0; r < runs; r++)); do
  sides=(zintavor psql isql copy)
  for ((k = 0; k < ${#sides[@]}; k++)); do  # taking turns at going first
    side=${sides[$(((k + r) % ${#sides[@]}))]}
    for count in 1 2; do
      label=$([ $count = 1 ] && echo once || echo twice)
      case $side in
        zintavor) bench_time "$label/zintavor" "$bin" "$conn" "$sql" "$count" ;;
        psql)     if [ $count = 1 ]; then bench_time "$label/psql" psql -A -t -F, -c "$sql"
                  else bench_time "$label/psql" psql -A -t -F, -c "$sql" -c "$sql"; fi ;;
        isql)     bench_in=$tmp/$label.sql bench_time "$label/isql" isql -k "$conn" -b -d, ;;
        copy)     if [ $count = 1 ]; then bench_time "$label/psql_copy" psql -c "\\copy ($sql) to stdout"
                  else bench_time "$label/psql_copy" psql -c "\\copy ($sql) to stdout" -c "\\copy ($sql) to stdout"; fi ;;
      esac
      check "$side" "$count"
    done
  done
done
bench_case "$rows rows, cold" once/zintavor once/psql once/isql once/psql_copy
if [ "$mode" = smoke ]; then
  bench_note "the second fetch (twice less once) is left out of a smoke run: at $rows rows it is lost in the noise"
  bench_note "of starting the processes (every run's output was checked all the same)"
else
  bench_case "second fetch" "twice/zintavor:once/zintavor=zintavor" "twice/psql:once/psql=psql" \
    "twice/isql:once/isql=isql" "twice/psql_copy:once/psql_copy=psql_copy"
fi
bench_note "peak MB: the process's peak resident memory (median); on an ours/ line, ours / peer"
bench_aim "cold: CPU ours/psql <= 1.2; peak memory ours/psql <= 1.00"

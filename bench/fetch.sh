#!/usr/bin/env bash
# Fetching a large result from PostgreSQL, whole processes (start, connect,
# fetch, write, end), every side putting out every row as text: the program
# into its result page (which holds the whole result, as psql without
# FETCH_COUNT holds it), every other side into a file:
#   program      the program itself, run as a user runs it: "Zintavor @q.sql"
#                (offscreen) connecting, running the select (the rows shown as
#                text in the result page) and ending with #Exit (an untimed run
#                saving the page with #SaveToFile checks the rows it shows);
#   odbc_layer   the program's ODBC layer alone (fetch_bench): the rows fetched
#                into a dataset, walked and written as psql -A -t -F, does;
#   psql         psql -A -t -F, as it comes (it keeps the whole result before
#                writing any of it) and with FETCH_COUNT=10000 (a cursor read
#                10,000 rows at a time, as our driver settings do);
#   isql         unixODBC's isql -b on the same driver, as it comes and with
#                UseDeclareFetch=1;Fetch=10000 (the settings the program uses);
#   psql_copy    psql's \copy, the server's COPY text with no per-row work on
#                the client: the limit.
# Rows: 5 columns (integer, short ASCII text, Japanese text, timestamp, an
# integer that is NULL in every third row). Cold: a process fetching once;
# second fetch: a process fetching twice less one fetching once, on every
# side. Peak memory is the process's.
# Usage: bench/fetch.sh smoke|full   (smoke: 10,000 rows; full: 1,000,000; three runs)
set -euo pipefail
. "$(dirname "$0")/lib/common.sh" smoke "$@"
case "$mode" in
  smoke) rows=10000; runs=3 ;;
  full)  rows=1000000; runs=3 ;;
esac
bench_build fetch_bench
[ -x "$build/shell/Zintavor" ] || bash scripts/build.sh "$(basename "$build")" Zintavor >/dev/null
bin=$PWD/$build/bench/fetch_bench
built=$PWD/$build/shell/Zintavor
bench_qt

bench_pg
table="bench_fetch_$$"
bench_cleanup() {
  psql -q -c "drop table if exists $table" >/dev/null 2>&1 || true
  bench_pg_done
}
bench_start "fetch: $rows rows x 5 columns from PostgreSQL, whole processes, every row put out as text (the program's
  into its result page, every other side's into a file): the
  program end to end (Zintavor @script: connect, select shown as text, #Exit) and its ODBC layer
  alone (written as psql -A -t -F, writes), against psql -A -t -F, and isql -b on the same driver, each as it
  comes and with the program's fetch settings (FETCH_COUNT=10000; UseDeclareFetch=1;Fetch=10000), and psql's
  \\copy (the server's COPY text: the limit); cold: fetching once; second fetch: a process fetching twice less
  one fetching once" "$runs" "$mode"
bench_pg_table "$table" "$rows"
sql="select * from $table"
printf '%s\n' "$sql" > "$tmp/once.sql"
printf '%s\n%s\n' "$sql" "$sql" > "$tmp/twice.sql"
declare_conn="$conn;UseDeclareFetch=1;Fetch=10000"

# the program beside its own settings and history files, connecting through a UDL file
work=$tmp/work
mkdir "$work"
ln "$built" "$work/Zintavor" 2>/dev/null || cp "$built" "$work/Zintavor"
program=$work/Zintavor
{ printf '[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n'
  printf '%s\r\n' "$conn"; } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$work/pg.udl"
for count in 1 2; do
  { printf '#Connect UDL:%s/pg.udl;\r\n#SQLResultEchoOff;\r\n' "$work"
    for ((i = 0; i < count; i++)); do printf '%s;\r\n' "$sql"; done
    printf '#Exit;\r\n'; } > "$work/q$count.sql"
done
# One untimed run that also saves the page, so that the rows the program shows
# are checked (the timed runs end after the select, as a user's run does, and
# leave the saving out: writing the page is not the fetch); it also writes the
# settings files that every timed start then finds.
{ printf '#Connect UDL:%s/pg.udl;\r\n#SQLResultEchoOff;\r\n%s;\r\n' "$work" "$sql"
  printf '#SaveToFile %s/out.txt;\r\n#Exit;\r\n' "$work"; } > "$work/check.sql"
(cd "$work" && "$program" "@$work/check.sql" >/dev/null 2>&1) || true
# the table read once untimed, so that every timed run finds it in the server's cache
psql -q -c "select count(*) from $table" >/dev/null

check() {  # SIDE COUNT FILE: the side wrote every row, COUNT times over
  local got
  got=$(wc -l < "$3")
  [ "$got" -ge "$(($2 * rows))" ] || { echo "fetch: $1 wrote $got lines for $(($2 * rows)) rows" >&2; exit 1; }
}
for ((r = 0; r < runs; r++)); do
  sides=(program odbc_layer psql psql_fetch_count isql isql_declare_fetch psql_copy)
  for ((k = 0; k < ${#sides[@]}; k++)); do  # taking turns at going first
    side=${sides[$(((k + r) % ${#sides[@]}))]}
    for count in 1 2; do
      label=$([ $count = 1 ] && echo once || echo twice)
      out=$tmp/out
      case $side in
        program)    out=$work/out.txt  # written by the check run
                    bench_time "$label/program" "$program" "@$work/q$count.sql" ;;
        odbc_layer) bench_time "$label/odbc_layer" "$bin" "$conn" "$sql" "$count" ;;
        psql)       if [ $count = 1 ]; then bench_time "$label/psql" psql -A -t -F, -c "$sql"
                    else bench_time "$label/psql" psql -A -t -F, -c "$sql" -c "$sql"; fi ;;
        psql_fetch_count)
                    if [ $count = 1 ]; then bench_time "$label/psql_fetch_count" psql -v FETCH_COUNT=10000 -A -t -F, -c "$sql"
                    else bench_time "$label/psql_fetch_count" psql -v FETCH_COUNT=10000 -A -t -F, -c "$sql" -c "$sql"; fi ;;
        isql)       bench_in=$tmp/$label.sql bench_time "$label/isql" isql -k "$conn" -b -d, ;;
        isql_declare_fetch)
                    bench_in=$tmp/$label.sql bench_time "$label/isql_declare_fetch" isql -k "$declare_conn" -b -d, ;;
        psql_copy)  if [ $count = 1 ]; then bench_time "$label/psql_copy" psql -c "\\copy ($sql) to stdout"
                    else bench_time "$label/psql_copy" psql -c "\\copy ($sql) to stdout" -c "\\copy ($sql) to stdout"; fi ;;
      esac
      if [ "$side" = program ]; then check program 1 "$out"; else check "$side" "$count" "$out"; fi
    done
  done
done
peers="once/psql once/psql_fetch_count once/isql once/isql_declare_fetch once/psql_copy"
# shellcheck disable=SC2086
bench_case "program, cold" once/program $peers
# shellcheck disable=SC2086
bench_case "ODBC layer, cold" once/odbc_layer $peers
if [ "$mode" = smoke ]; then
  bench_note "the second fetch (twice less once) is left out of a smoke run: at $rows rows it is lost in the noise"
  bench_note "of starting the processes (every run's output was checked all the same)"
else
  second="twice/psql:once/psql=psql twice/psql_fetch_count:once/psql_fetch_count=psql_fetch_count
    twice/isql:once/isql=isql twice/isql_declare_fetch:once/isql_declare_fetch=isql_declare_fetch
    twice/psql_copy:once/psql_copy=psql_copy"
  # shellcheck disable=SC2086
  bench_case "program, second fetch" "twice/program:once/program=program" $second
  # shellcheck disable=SC2086
  bench_case "ODBC layer, second fetch" "twice/odbc_layer:once/odbc_layer=odbc_layer" $second
fi
bench_note "peak MB: the process's peak resident memory (median); on an ours/ line, ours / peer"
bench_note "psql keeps the whole result in memory before writing it only without FETCH_COUNT; the program keeps"
bench_note "it too (its result page holds every row as text)"
bench_aim "cold: CPU program/psql <= 2, odbc_layer/psql <= 1.2; peak memory program/psql <= 1.00"

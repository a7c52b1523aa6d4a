#!/usr/bin/env bash
# Small queries against PostgreSQL one after another, as a script runs them:
# N times "SELECT i, i*2, 'x'||i FROM generate_series(1,5) i WHERE i <> 3;"
#  - zintavor: through the program's client window offscreen (script page,
#    executor with its 1 ms pause after each statement, ODBC driver, result
#    page in text mode; client_bench);
#  - isql on the same ODBC driver and connection string, one statement a line;
#  - psql -f of the same statements.
# Whole processes on every side, taking turns. Cold: a process running one
# query (start, connect, query, end); and the program itself, started with
# "@script", connecting through a UDL file, one query, saving the result page
# with #SaveToFile, #Exit (run as a link in
# a folder of its own, so its settings and history files go there). Warm: the
# queries after the first, a process running N less one running one. Per
# query: that difference over N - 1, for zintavor less its 1 ms pause.
# Usage: bench/pg_small_queries.sh smoke|full   (smoke: 20 queries; full: 1,000; three runs)
set -euo pipefail
. "$(dirname "$0")/lib/common.sh" smoke "$@"
case "$mode" in
  smoke) n=20; runs=3 ;;
  full)  n=1000; runs=3 ;;
esac
bench_build client_bench
[ -x "$build/shell/Zintavor" ] || bash scripts/build.sh "$(basename "$build")" Zintavor >/dev/null
bin=$PWD/$build/bench/client_bench
built=$PWD/$build/shell/Zintavor
bench_qt

bench_pg
bench_cleanup() { bench_pg_done; }
bench_start "$n small queries on PostgreSQL, one after another: through the client window (offscreen, its
  executor pausing 1 ms after each statement), against isql on the same ODBC driver and psql -f;
  whole processes: cold, one query in a fresh process (and the program itself started with \"@script\");
  warm, the queries after the first (a process running $n less one running 1)" "$runs" "$mode"
query="SELECT i, i*2, 'x'||i FROM generate_series(1,5) i WHERE i <> 3;"
for _ in $(seq "$n"); do printf '%s\r\n' "$query"; done > "$tmp/many.ours"
printf '%s\r\n' "$query" > "$tmp/one.ours"
tr -d '\r' < "$tmp/many.ours" > "$tmp/many.sql"
tr -d '\r' < "$tmp/one.ours" > "$tmp/one.sql"

# the program beside its own settings and history files, connecting through a UDL file
work=$tmp/work
mkdir "$work"
ln "$built" "$work/Zintavor" 2>/dev/null || cp "$built" "$work/Zintavor"
{ printf '[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n%s\r\n' "$conn"; } \
  | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$work/pg.udl"
printf '#Connect UDL:%s/pg.udl;\r\n%s\r\n#SaveToFile %s/cold-out.txt;\r\n#Exit;\r\n' "$work" "$query" "$work" > "$work/cold.sql"
# one untimed start, so that every timed start reads the settings and history files the first wrote
(cd "$work" && ./Zintavor "@$work/cold.sql" >/dev/null 2>&1) || { echo "the program failed to run $work/cold.sql" >&2; exit 1; }

check_window() {  # QUERIES: the window showed every result (6 lines a query at least)
  local lines
  lines=$(LC_ALL=C sed -n 's/^lines=\([0-9]*\).*/\1/p' "$tmp/out")
  [ "${lines:-0}" -ge "$(($1 * 6))" ] || { echo "client_bench wrote ${lines:-0} lines for $1 queries: $(cat "$tmp/out")" >&2; exit 1; }
}
check_rows() {  # WHO QUERIES: every query's four rows were printed
  [ "$(grep -c '| x' "$tmp/out" || true)" -ge "$(($2 * 4))" ] || { echo "$1 did not print $2 results" >&2; exit 1; }
}
for ((r = 0; r < runs; r++)); do
  sides=(zintavor isql psql program)
  for ((k = 0; k < ${#sides[@]}; k++)); do  # taking turns at going first
    case ${sides[$(((k + r) % ${#sides[@]}))]} in
      zintavor)
        bench_time one/zintavor "$bin" "$conn" "$tmp/one.ours"; check_window 1
        bench_time many/zintavor "$bin" "$conn" "$tmp/many.ours"; check_window "$n" ;;
      isql)
        bench_in=$tmp/one.sql bench_time one/isql isql -b -k "$conn"; check_rows isql 1
        bench_in=$tmp/many.sql bench_time many/isql isql -b -k "$conn"; check_rows isql "$n" ;;
      psql)
        bench_time one/psql psql -q -v ON_ERROR_STOP=1 -f "$tmp/one.sql"; check_rows psql 1
        bench_time many/psql psql -q -v ON_ERROR_STOP=1 -f "$tmp/many.sql"; check_rows psql "$n" ;;
      program)
        rm -f "$work/cold-out.txt"
        (cd "$work" && bench_time program/zintavor "$work/Zintavor" "@$work/cold.sql")
        grep -q 'x5' "$work/cold-out.txt" 2>/dev/null || { echo "the program did not show the query's result" >&2; exit 1; } ;;
    esac
  done
done
bench_case "1 query, cold" one/zintavor one/isql one/psql
bench_case "1 query, cold, the program" program/zintavor one/isql one/psql
if [ "$mode" = smoke ]; then
  bench_note "the warm case (N less one) and the time per query are left out of a smoke run: at $n queries the"
  bench_note "difference is lost in the noise of starting the processes (every run's output was checked all the same)"
  exit 0
fi
bench_case "queries 2 to $n, warm" "many/zintavor:one/zintavor=zintavor" "many/isql:one/isql=isql" "many/psql:one/psql=psql"

# per query: the warm difference over N - 1; zintavor's wall time less its 1 ms pause
read -r zw zwm < <(bench_spread many/zintavor:one/zintavor wall)
read -r zc zcm < <(bench_spread many/zintavor:one/zintavor cpu)
read -r iw iwm < <(bench_spread many/isql:one/isql wall)
read -r ic icm < <(bench_spread many/isql:one/isql cpu)
read -r pw pwm < <(bench_spread many/psql:one/psql wall)
awk -v m="$((n - 1))" -v zw="$zw" -v zwm="$zwm" -v zc="$zc" -v zcm="$zcm" -v iw="$iw" -v iwm="$iwm" \
    -v ic="$ic" -v icm="$icm" -v pw="$pw" -v pwm="$pwm" '
  function r(a, b) { return b > 0 ? a / b : 0 }
  BEGIN {
    printf "  per query, warm (min / median): zintavor less the 1 ms pause %.3f / %.3f ms wall, %.3f / %.3f ms cpu;\n", zw / m - 1, zwm / m - 1, zc / m, zcm / m
    printf "    isql %.3f / %.3f ms wall, %.3f / %.3f ms cpu; ours/isql %.2f / %.2f wall, %.2f / %.2f cpu\n", iw / m, iwm / m, ic / m, icm / m, r(zw / m - 1, iw / m), r(zwm / m - 1, iwm / m), r(zc, ic), r(zcm, icm)
    printf "  queries 2 to %d, warm: ours / (psql -f + %d x 1 ms) = %.2f / %.2f (min / median, wall)\n", m + 1, m, r(zw, pw + m), r(zwm, pwm + m)
  }'
bench_aim "per query less the pause: ours/isql <= 2; the queries: ours / (psql -f + the pauses) <= 2"

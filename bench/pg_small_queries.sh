#!/usr/bin/env bash
# Small queries against PostgreSQL one after another, as a script runs them:
# N times "SELECT i, i*2, 'x'||i FROM generate_series(1,5) i WHERE i <> 3;"
#  - zintavor: through the program, its client window offscreen (script page,
#    executor with its 1 ms pause after each statement, ODBC driver, result
#    page in text mode; client_bench);
#  - isql on the same ODBC driver and connection string, one statement a line;
#  - psql -f of the same statements.
# Per query: zintavor's run less N x 1 ms, over N; a peer's time for N
# queries less its time for one, over N - 1 (so that starting and connecting
# count on neither side). The whole script: zintavor's run against psql -f
# (less its one-query time) plus the N pauses. Cold: one query in a fresh
# process (start, connect, query, end) of the program itself, isql and psql.
# Usage: bench/pg_small_queries.sh smoke|full   (smoke: 20 queries, one run; full: 1,000 queries, three runs)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-smoke}
. bench/lib/common.sh
case "$mode" in
  smoke) n=20; runs=1 ;;
  full)  n=1000; runs=3 ;;
  *) echo "usage: $0 smoke|full" >&2; exit 2 ;;
esac
bench_build client_bench
[ -x "$build/shell/Zintavor" ] || bash scripts/build.sh "$(basename "$build")" Zintavor >/dev/null
bin="$build/bench/client_bench"
program=$PWD/$build/shell/Zintavor

bench_pg

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"; bench_pg_done' EXIT
query="SELECT i, i*2, 'x'||i FROM generate_series(1,5) i WHERE i <> 3;"
for _ in $(seq "$n"); do printf '%s\r\n' "$query"; done > "$tmp/queries.ours"
tr -d '\r' < "$tmp/queries.ours" > "$tmp/queries.sql"
printf '%s\n' "$query" > "$tmp/one.sql"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -u)}
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# zintavor, warm: the run of the script inside the client window, as client_bench times it
walls=() cpus=()
for _ in $(seq "$runs"); do
  "$bin" "$conn" "$tmp/queries.ours" > "$tmp/out" 2> "$tmp/err" || { cat "$tmp/err" >&2; exit 1; }
  lines=$(LC_ALL=C sed -n 's/^lines=\([0-9]*\).*/\1/p' "$tmp/out")
  [ "${lines:-0}" -ge "$((n * 6))" ] || { echo "client_bench wrote ${lines:-0} lines for $n queries: $(cat "$tmp/out")" >&2; exit 1; }
  walls+=("$(LC_ALL=C sed -n 's/.* run=\([0-9.]*\)s.*/\1/p' "$tmp/out")")
  cpus+=("$(LC_ALL=C sed -n 's/.* cpu=\([0-9.]*\)s.*/\1/p' "$tmp/out")")
done
read -r ours_w ours_wm < <(bench_min_med "${walls[@]}"; echo)
read -r ours_c ours_cm < <(bench_min_med "${cpus[@]}"; echo)

read -r isql_w isql_wm isql_c isql_cm _ < <(bench_stats : "$tmp/queries.sql" isql -b -k "$conn")
[ "$(grep -c '| x' "$tmp/out" || true)" -ge "$((n * 4))" ] || { echo "isql did not print $n results" >&2; exit 1; }
read -r isql1_w isql1_wm isql1_c isql1_cm _ < <(bench_stats : "$tmp/one.sql" isql -b -k "$conn")
read -r psql_w psql_wm psql_c psql_cm _ < <(bench_stats : /dev/null psql -q -v ON_ERROR_STOP=1 -f "$tmp/queries.sql")
[ "$(grep -c '| x' "$tmp/out" || true)" -ge "$((n * 4))" ] || { echo "psql -f did not print $n results" >&2; exit 1; }
read -r psql1_w psql1_wm psql1_c psql1_cm _ < <(bench_stats : /dev/null psql -q -v ON_ERROR_STOP=1 -f "$tmp/one.sql")

# cold: the program itself, started with "@script", connecting, one query, #Exit
{ printf '[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n%s\r\n' "$conn"; } \
  | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$tmp/pg.udl"
printf '#Connect UDL:%s/pg.udl;\r\n%s\r\n#Exit;\r\n' "$tmp" "$query" > "$tmp/cold.sql"
read -r cold_w cold_wm cold_c cold_cm _ < <(bench_stats : /dev/null "$program" "@$tmp/cold.sql")

echo "-- $n small queries on PostgreSQL: min / median of $runs run(s); CPU is user + system"
awk -v n="$n" -v ow="$ours_w" -v owm="$ours_wm" -v oc="$ours_c" -v ocm="$ours_cm" \
    -v iw="$isql_w" -v iwm="$isql_wm" -v ic="$isql_c" -v icm="$isql_cm" \
    -v i1w="$isql1_w" -v i1wm="$isql1_wm" -v i1c="$isql1_c" -v i1cm="$isql1_cm" \
    -v pw="$psql_w" -v pwm="$psql_wm" -v p1w="$psql1_w" -v p1wm="$psql1_wm" \
    -v cw="$cold_w" -v cwm="$cold_wm" -v cc="$cold_c" -v ccm="$cold_cm" 'BEGIN {
  pause = n * 0.001
  # per query, in milliseconds
  zq = (ow - pause) / n * 1000; zqm = (owm - pause) / n * 1000
  iq = (iw - i1w) / (n - 1) * 1000; iqm = (iwm - i1wm) / (n - 1) * 1000
  if (iq <= 0) iq = 0.001; if (iqm <= 0) iqm = 0.001
  zc = oc / n * 1000; zcm = ocm / n * 1000
  ic1 = (ic - i1c) / (n - 1) * 1000; icm1 = (icm - i1cm) / (n - 1) * 1000
  printf "per query, less the 1 ms pause:  zintavor %6.3f / %6.3f ms (CPU %6.3f / %6.3f ms)   isql %6.3f / %6.3f ms (CPU %6.3f / %6.3f ms)\n", zq, zqm, zc, zcm, iq, iqm, ic1, icm1
  printf "   ratio zintavor/isql: %.2f / %.2f (aim <= 2)\n", zq / iq, zqm / iqm
  ps = pw - p1w; psm = pwm - p1wm
  if (ps <= 0) ps = 0.001; if (psm <= 0) psm = 0.001
  printf "script of %d queries:            zintavor %6.2f / %6.2f s   psql -f %6.2f / %6.2f s + %d x 1 ms\n", n, ow, owm, ps, psm, n
  printf "   ratio zintavor/(psql + pauses): %.2f / %.2f (aim <= 2)\n", ow / (ps + pause), owm / (psm + pause)
  printf "cold, one query in a fresh process: zintavor %5.2f / %5.2f s (CPU %5.2f / %5.2f s)   isql %5.2f / %5.2f s   psql %5.2f / %5.2f s\n", cw, cwm, cc, ccm, i1w, i1wm, p1w, p1wm
  printf "   ratio zintavor/psql: %.2f / %.2f (the program opens its window; for scale)\n", cw / p1w, cwm / p1wm
}'

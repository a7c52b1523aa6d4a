#!/usr/bin/env bash
# Peak memory of a large result shown as text: "select * from t;" of a table of
# 5 columns (integer, ASCII text, Japanese text, timestamp, an integer NULL in
# every third row) run in the program's real client window (offscreen: script
# page, executor, ODBC driver, the result page's editor in text mode), against
# psql writing its aligned output of the same query to a file. For reference,
# the dataset alone: the same query fetched into the program's dataset and
# walked, without a window (bench/fetch_bench).
# Every run is a process of its own (cold); the sides take turns.
# Usage: bench/result_memory.sh smoke|full   (smoke: 10,000 rows; full: 1,000,000 rows)
set -euo pipefail
. "$(dirname "$0")/lib/common.sh" smoke "$@"
case "$mode" in
  smoke) rows=10000; runs=3 ;;
  full)  rows=1000000; runs=3 ;;
esac
bench_build client_bench
bench_build fetch_bench
client=$PWD/$build/bench/client_bench
fetch=$PWD/$build/bench/fetch_bench
bench_qt

bench_pg
table="bench_result_mem_$$"
bench_cleanup() {
  psql -q -c "drop table if exists $table" >/dev/null 2>&1 || true
  bench_pg_done
}
bench_start "a select of $rows rows x 5 columns shown as text in the client window, against psql's aligned
  output of the same query to a file; peak resident memory of the whole process" "$runs" "$mode"
bench_pg_table "$table" "$rows"
sql="select * from $table"
printf '%s;\r\n' "$sql" > "$tmp/select.sql"

for ((r = 0; r < runs; r++)); do
  if ((r % 2 == 0)); then order="ours peer"; else order="peer ours"; fi
  for side in $order; do
    if [ $side = ours ]; then
      bench_time text/zintavor "$client" "$conn" "$tmp/select.sql"
      lines=$(LC_ALL=C sed -n 's/^lines=\([0-9]*\).*/\1/p' "$tmp/out")
      [ "${lines:-0}" -ge "$rows" ] || { echo "client_bench showed ${lines:-0} lines for $rows rows" >&2; exit 1; }
      bench_time dataset/fetch_bench "$fetch" "$conn" "$sql"
    else
      bench_time text/psql psql -q -c "$sql" -o "$tmp/aligned.txt"
    fi
  done
done
bench_case "text result, cold" text/zintavor text/psql
bench_case "dataset alone, cold" dataset/fetch_bench
awk '
  { k = $1; v[k] = v[k] " " $4 }
  function sortv(a, n,   i, j, t) { for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t } }
  function stat(s, what,   a, n) { n = split(s, a, " "); sortv(a, n); return what == "min" ? a[1] : (n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2) }
  END {
    o = v["text/zintavor"]; p = v["text/psql"]
    printf "  peak memory, ours/psql (min / median): %.2f / %.2f  (%.1f / %.1f MB against %.1f / %.1f MB)\n", \
      stat(o, "min") / stat(p, "min"), stat(o, "med") / stat(p, "med"), stat(o, "min") / 1024, stat(o, "med") / 1024, \
      stat(p, "min") / 1024, stat(p, "med") / 1024
  }' "$times"
bench_aim "peak memory of the text result: ours/psql <= 1"

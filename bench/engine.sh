#!/usr/bin/env bash
# Script engine: items of a script built and run against a host that does
# nothing, at two sizes (the per-statement cost must not grow), beside the
# sqlite3 shell's input loop doing the same work in the same process; then
# whole processes on a file of trivial statements, side by side with a peer
# doing the same work (the shell's input loop reading the file line by line
# and handing each statement to the same idle host), and, for scale only, the
# sqlite3 shell itself, which also prepares, runs and prints every statement.
# Usage: bench/engine.sh smoke|full
set -euo pipefail
. "$(dirname "$0")/lib/common.sh" smoke "$@"
case "$mode" in
  smoke) small=1000; large=10000; runs=3 ;;
  full)  small=10000; large=100000; runs=5 ;;
esac
bench_build engine_bench
bin=$PWD/$build/bench/engine_bench

"$bin" scale "$runs" "$mode" "$small" "$large"
echo

bench_start "script engine, whole processes: a file of $large trivial statements (\"SELECT 1;\") read, cut and
  each statement handed to a host that does nothing; each run a fresh process" "$runs" "$mode"
awk -v n="$large" 'BEGIN { for (i = 0; i < n; i++) print "SELECT 1;" }' > "$tmp/trivial.sql"
for ((r = 0; r < runs; r++)); do
  if ((r % 2 == 0)); then order="ours peer"; else order="peer ours"; fi
  for side in $order; do
    if [ $side = ours ]; then
      bench_time file/zintavor "$bin" file "$tmp/trivial.sql"
      grep -q "statements=$large\$" "$tmp/out" || { echo "engine_bench file: $(cat "$tmp/out")" >&2; exit 1; }
    else
      bench_time file/sqlite3_loop "$bin" peer "$tmp/trivial.sql"
      grep -q "statements=$large\$" "$tmp/out" || { echo "engine_bench peer: $(cat "$tmp/out")" >&2; exit 1; }
    fi
  done
  bench_in=$tmp/trivial.sql bench_time file/sqlite3_shell sqlite3 :memory:
done
bench_case "$large statements, file" file/zintavor file/sqlite3_loop
bench_case "$large statements, scale" file/zintavor file/sqlite3_shell
bench_note "sqlite3_loop: the shell's input loop doing our work (read, cut, hand each statement to the idle host);"
bench_note "sqlite3_shell: the sqlite3 shell preparing, running and printing each statement, not the same work"

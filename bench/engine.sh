#!/usr/bin/env bash
# Script engine: items of a script built and run against a host that does
# nothing, at two sizes (the per-statement cost must not grow); then whole
# processes on a file of trivial statements, side by side with a peer doing
# the same work (the sqlite3 shell's input loop cutting the file and handing
# each statement to the same idle host), and, for scale only, the sqlite3
# shell itself, which also prepares, runs and prints every statement.
# Usage: bench/engine.sh smoke|full
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-smoke}
. bench/lib/common.sh
case "$mode" in
  smoke) small=1000; large=10000 ;;
  full)  small=10000; large=100000 ;;
  *) echo "usage: $0 smoke|full" >&2; exit 2 ;;
esac
bench_build engine_bench
bin="$build/bench/engine_bench"

echo "-- mixed script (literals, comments, four statement kinds)"
"$bin" scale "$small" "$large"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
awk -v n="$large" 'BEGIN { for (i = 0; i < n; i++) print "SELECT 1;" }' > "$tmp/trivial.sql"

echo "-- $large trivial statements from a file, whole processes, best of three"
# Seconds of the fastest of three runs of a command.
best_of_three() {
  local best="" start end t
  for _ in 1 2 3; do
    start=$(date +%s.%N)
    "$@" > /dev/null
    end=$(date +%s.%N)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }')
    best=$(awk -v b="$best" -v t="$t" 'BEGIN { print (b == "" || t < b) ? t : b }')
  done
  echo "$best"
}
run_sqlite() { sqlite3 :memory: < "$tmp/trivial.sql"; }
ours_s=$(best_of_three "$bin" file "$tmp/trivial.sql")
peer_s=$(best_of_three "$bin" peer "$tmp/trivial.sql")
shell_s=$(best_of_three run_sqlite)
awk -v o="$ours_s" -v p="$peer_s" -v q="$shell_s" -v n="$large" 'BEGIN {
  printf "zintavor engine (read, comment removal, split, kinds, each handed to an idle host): %.3f s (%.0f statements/s)\n", o, n / o
  printf "shell input loop (read, split with sqlite3_complete, each handed to the idle host):  %.3f s (%.0f statements/s)\n", p, n / p
  printf "ratio zintavor/shell loop (same work): %.2f\n", o / p
  printf "for scale, the sqlite3 shell preparing, running and printing each: %.3f s (zintavor/sqlite3 %.2f, not the same work)\n", q, o / q
}'

#!/usr/bin/env bash
# Object tree: expanding a node whose deploy query lists 100,000 objects of a
# SQLite table (and 10,000), against a plain QTreeWidget filled with the same
# strings after the same query; five runs, each side in a fresh process, cold
# and warm, wall and CPU time. Usage: bench/tree.sh smoke|full
# (smoke: 2,000 and 200 objects, too small for the aims)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-full}
. bench/lib/common.sh
bench_build tree_bench
export QT_QPA_PLATFORM=offscreen
case "$mode" in
  smoke) "$build/bench/tree_bench" 2000 3 smoke ;;
  full)  "$build/bench/tree_bench" 100000 5 ;;
  *) echo "usage: $0 smoke|full" >&2; exit 2 ;;
esac

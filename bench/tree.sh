#!/usr/bin/env bash
# Object tree: expanding a node whose deploy query lists 100,000 objects of a
# SQLite table (and 10,000), against a plain QTreeWidget filled with the same
# strings after the same query; every side in a fresh process in every run,
# cold (the first expansion of the process) and warm (the third), wall and CPU
# time, and the time per object at the two sizes.
# Usage: bench/tree.sh smoke|full   (smoke: 2,000 and 200 objects; full: 100,000 and 10,000, five runs)
set -euo pipefail
. "$(dirname "$0")/lib/common.sh" full "$@"
bench_build tree_bench
bench_qt
case "$mode" in
  smoke) "$build/bench/tree_bench" 2000 3 smoke ;;
  full)  "$build/bench/tree_bench" 100000 5 ;;
esac

#!/usr/bin/env bash
# The grid window against a plain QTableView over a trivial model holding the
# same strings (offscreen): opening a 5-column result, moving to its last
# record, paging through it; cold and warm, each side in a process of its own
# in every run. Usage: bench/grid.sh smoke|full
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-full}
. bench/lib/common.sh
bench_build grid_bench
bench_qt
case "$mode" in
  smoke) "$build/bench/grid_bench" 10000 20 3 smoke ;;
  full)  "$build/bench/grid_bench" 1000000 200 5 ;;
  *) echo "usage: $0 smoke|full" >&2; exit 2 ;;
esac

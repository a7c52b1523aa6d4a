#!/usr/bin/env bash
# The grid window against a plain QTableView over a trivial model holding the
# same strings (offscreen): opening a 5-column result, moving to its last
# record, paging through it; cold and warm, each side in a process of its own
# in every run. Usage: bench/grid.sh smoke|full
set -euo pipefail
. "$(dirname "$0")/lib/common.sh" full "$@"
bench_build grid_bench
bench_qt
case "$mode" in
  smoke) "$build/bench/grid_bench" 10000 20 3 smoke ;;
  full)  "$build/bench/grid_bench" 1000000 200 5 ;;
esac

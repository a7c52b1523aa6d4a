#!/usr/bin/env bash
# The grid window against a plain QTableView over a trivial model holding the
# same strings (offscreen): opening a 5-column result, moving to its last
# record, paging through it. Usage: bench/grid.sh smoke|full
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-full}
. bench/lib/common.sh
bench_build grid_bench
export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
case "$mode" in
  smoke) "$build/bench/grid_bench" 10000 20 ;;
  full)  "$build/bench/grid_bench" 1000000 200 ;;
  *) echo "usage: $0 smoke|full" >&2; exit 2 ;;
esac

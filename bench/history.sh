#!/usr/bin/env bash
# The history file: 10,000 entries loaded and saved by the history window,
# against reading and writing the same bytes in-process (the floor).
# Usage: bench/history.sh smoke|full
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-full}
. bench/lib/common.sh
bench_build history_bench
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
case "$mode" in
  smoke) "$build/bench/history_bench" 10000 1 ;;
  full)  "$build/bench/history_bench" 10000 7 ;;
  *) echo "usage: $0 smoke|full" >&2; exit 2 ;;
esac

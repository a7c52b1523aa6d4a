#!/usr/bin/env bash
# The editor control against a plain QPlainTextEdit on the same text (offscreen):
# load, jump to the end, page down, select all and copy, paint cost per frame
# against visible rows, typing into a long line. Usage: bench/editor_view.sh smoke|full
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-full}
. bench/lib/common.sh
bench_build editor_view_bench
export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
case "$mode" in
  smoke) "$build/bench/editor_view_bench" 10000 65536 20 ;;
  full)  "$build/bench/editor_view_bench" 1000000 10485760 1000 ;;
  *) echo "usage: $0 smoke|full" >&2; exit 2 ;;
esac

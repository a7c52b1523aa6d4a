#!/usr/bin/env bash
# The editor control against a plain QPlainTextEdit on the same file (offscreen),
# each side in a process of its own in every run: opening the file, Ctrl+End
# right after opening it and again, Ctrl+End after the same idle time on both
# sides, paging down, select all and copy, typing in the middle, the paint of
# one frame against the rows visible, block comments coloured on both sides,
# typing into a long line. Usage: bench/editor_view.sh smoke|full
set -euo pipefail
. "$(dirname "$0")/lib/common.sh" full "$@"
bench_build editor_view_bench
bench_qt
case "$mode" in
  smoke) "$build/bench/editor_view_bench" smoke 3 ;;
  full)  "$build/bench/editor_view_bench" full 3 ;;
esac

#!/usr/bin/env bash
# The history file: a file within the window's limit and one of 10,000 entries
# loaded and saved by the history window, against reading the same file and
# writing the same bytes (the same entries on both sides); the tree control
# alone against the same read and write; cold and warm, each side in a
# process of its own in every run; and a 50 MB history (2 MB in smoke) loaded
# and merged at the save, against cat of the files. Usage: bench/history.sh smoke|full
set -euo pipefail
. "$(dirname "$0")/lib/common.sh" full "$@"
bench_build history_bench
bench_qt
case "$mode" in
  smoke) "$build/bench/history_bench" 2000 3 smoke ;;
  full)  "$build/bench/history_bench" 10000 7 ;;
esac

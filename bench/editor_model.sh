#!/usr/bin/env bash
# The editor's text model (row store, word wrap, undo) against a plain Qt text
# widget (QPlainTextEdit, offscreen) on the same CP932 script: loading it with
# wrap off and on, appending its line count of short lines one by one, inserting
# lines at the top of it, cutting one long line into rows, and typing into the
# middle of that line; cold and warm, each side in a process of its own in
# every run, with the peak memory of each phase.
# Usage: bench/editor_model.sh smoke|full   (smoke: 10,000 lines; full: 1,000,000)
set -euo pipefail
. "$(dirname "$0")/lib/common.sh" smoke "$@"
bench_build editor_model_bench
bench_qt
case "$mode" in
  smoke) "$build/bench/editor_model_bench" smoke 3 ;;
  full)  "$build/bench/editor_model_bench" full 3 ;;
esac

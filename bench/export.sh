#!/usr/bin/env bash
# Exports: 16,384 result lines of 5 columns saved as a BIFF2 workbook and as a
# text file by the export commands, against the durable write of the same bytes
# (write, fsync, rename: the fair peer), then one plain write for reference;
# cold and warm, each side in a process of its own in every run.
# Usage: bench/export.sh smoke|full
set -euo pipefail
. "$(dirname "$0")/lib/common.sh" full "$@"
bench_build export_bench
case "$mode" in
  smoke) "$build/bench/export_bench" 1000 3 smoke ;;
  full)  "$build/bench/export_bench" 16384 7 ;;
esac

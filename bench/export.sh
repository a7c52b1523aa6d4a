#!/usr/bin/env bash
# Exports: 16,384 result lines of 5 columns saved as a BIFF2 workbook and as a
# text file by the export commands, against one plain write of the same bytes
# (the floor). Usage: bench/export.sh smoke|full
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-full}
build=${ZINTAVOR_BUILD:-build/release}
if [ ! -x "$build/bench/export_bench" ]; then
  kind=release
  [ "$build" = build/asan ] && kind=asan
  bash scripts/build.sh "$kind" export_bench >/dev/null
fi
case "$mode" in
  smoke) "$build/bench/export_bench" 1000 2 ;;
  full)  "$build/bench/export_bench" 16384 7 ;;
  *) echo "usage: $0 smoke|full" >&2; exit 2 ;;
esac

#!/usr/bin/env bash
# Result-to-text formats: 1,000,000 rows of 5 columns in each layout, against
# the plain copy of the same values (the floor), cold and warm, each side in a
# process of its own in every run. Usage: bench/formats.sh smoke|full
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-full}
. bench/lib/common.sh
bench_build formats_bench
case "$mode" in
  smoke) "$build/bench/formats_bench" 10000 3 smoke ;;
  full)  "$build/bench/formats_bench" 1000000 5 ;;
  *) echo "usage: $0 smoke|full" >&2; exit 2 ;;
esac

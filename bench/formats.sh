#!/usr/bin/env bash
# Result-to-text formats: 1,000,000 rows of 5 columns in each layout, against
# the plain copy of the same values (the floor), cold and warm, each side in a
# process of its own in every run. Usage: bench/formats.sh smoke|full
set -euo pipefail
. "$(dirname "$0")/lib/common.sh" full "$@"
bench_build formats_bench
case "$mode" in
  smoke) "$build/bench/formats_bench" 10000 3 smoke ;;
  full)  "$build/bench/formats_bench" 1000000 5 ;;
esac

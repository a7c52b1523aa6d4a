#!/usr/bin/env bash
# Comment removal and statement splitting of a generated CP932 script, side by
# side with the statement splitting of the sqlite3 shell on the same bytes.
# Usage: bench/splitter.sh smoke|full   ($ZINTAVOR_BUILD names the build tree)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-smoke}
. bench/lib/common.sh
bench_build splitter_bench
"$build/bench/splitter_bench" "$mode"

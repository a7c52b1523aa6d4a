#!/usr/bin/env bash
# Comment removal and statement splitting of a generated CP932 script, side by
# side with the statement splitting of the sqlite3 shell on the same bytes.
# Usage: bench/splitter.sh smoke|full   ($ZINTAVOR_BUILD names the build tree)
set -euo pipefail
. "$(dirname "$0")/lib/common.sh" smoke "$@"
bench_build splitter_bench
"$build/bench/splitter_bench" "$mode"

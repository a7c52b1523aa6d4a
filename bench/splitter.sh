#!/usr/bin/env bash
# Comment removal and statement splitting of a generated CP932 script, side by
# side with the statement splitting of the sqlite3 shell on the same bytes.
# Usage: bench/splitter.sh smoke|full   ($ZINTAVOR_BUILD names the build tree)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-smoke}
build=${ZINTAVOR_BUILD:-build/release}
if [ ! -x "$build/bench/splitter_bench" ]; then
  kind=release
  [ "$build" = build/asan ] && kind=asan
  bash scripts/build.sh "$kind" splitter_bench >/dev/null
fi
"$build/bench/splitter_bench" "$mode"

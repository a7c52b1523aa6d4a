#!/usr/bin/env bash
# Runs the benchmarks of bench/ side by side with their peers and prints ratios.
#   scripts/bench.sh           full run on the optimised build
#   scripts/bench.sh --smoke   small inputs on the test build, only to show each works
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--smoke" ]; then
  mode=smoke; export ZINTAVOR_BUILD=build/asan
else
  mode=full; export ZINTAVOR_BUILD=build/release
  bash scripts/build.sh release
fi
all=$(date +%s)
for b in bench/*.sh; do
  [ -e "$b" ] || continue
  echo "== $(basename "$b" .sh) ($mode)"
  start=$(date +%s)
  bash "$b" "$mode"
  echo "   ($(( $(date +%s) - start )) s)"
done
echo "== all benchmarks ($mode): $(( $(date +%s) - all )) s"

#!/usr/bin/env bash
# Runs every fuzz target under the sanitizer build, SECONDS each (default 60).
# An input that crashes a target or breaks its checks is kept in the target's
# seed corpus (tests/fuzz/corpus/<target>/crash-<hash>), so that every later
# run, the test suite's included, tries it first.
# Usage: scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
ZINTAVOR_JOBS=${ZINTAVOR_JOBS:-2} bash scripts/build.sh asan zintavor_fuzz >/dev/null
bin=build/asan/tests/fuzz/zintavor_fuzz
export QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
work=$(mktemp -d "$PWD/build/asan/fuzz-run.XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
for t in $("$bin" --list); do
  corpus=tests/fuzz/corpus/$t
  if ! "$bin" "$t" "$seconds" "$corpus" "tests/fuzz/dict/$t.dict" "$corpus" "$work/$t"; then
    echo "$t: finding kept in $corpus" >&2
    status=1
  fi
done
exit $status

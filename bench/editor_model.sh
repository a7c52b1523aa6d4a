#!/usr/bin/env bash
# The editor's text model (row store, word wrap, undo) against a plain Qt text
# widget (QPlainTextEdit, offscreen) on the same CP932 script: loading it with
# wrap off and on, appending its line count of short lines one by one, inserting
# lines at the top of it, cutting one long line into rows, and typing into the
# middle of that line. Every phase runs in a process of its own, so the peak
# memory is the phase's own.
# Usage: bench/editor_model.sh smoke|full   (smoke: 10,000 lines; full: 1,000,000)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-smoke}
. bench/lib/common.sh
case "$mode" in
  smoke) lines=10000 ;;
  full)  lines=1000000 ;;
  *) echo "usage: $0 smoke|full" >&2; exit 2 ;;
esac
bench_build editor_model_bench
bin="$build/bench/editor_model_bench"
export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$bin" gen "$lines" "$tmp/script.sql"
echo "-- $lines lines, $(( $(stat -c %s "$tmp/script.sql") / 1024 )) KB of CP932"
for phase in load loadwrap append appendwrap top wrapline type typefountain typewrap; do
  for side in ours qt; do
    "$bin" "$phase" "$side" "$tmp/script.sql" 2>/dev/null >> "$tmp/results"
  done
done

awk '
  { key = $1; side = $2; ms[key, side] = $3; mx[key, side] = $4; kb[key, side] = $5
    done[key, side] = $6; want[key, side] = $7; slow[key, side] = $8; if (!(key in seen)) { seen[key] = 1; order[++n] = key } }
  function est(k, s) { return (done[k, s] < want[k, s]) ? sprintf("~(%d of %d done)", done[k, s], want[k, s]) : "" }
  END {
    printf "%-13s %12s %12s %9s %12s %12s %9s %10s %10s %8s\n", "phase", "ours ms", "qt ms", "ratio", \
           "ours max ms", "qt max ms", "ours >=1ms", "ours MB", "qt MB", "mem"
    for (i = 1; i <= n; i++) {
      k = order[i]
      r = (ms[k, "qt"] > 0) ? ms[k, "ours"] / ms[k, "qt"] : 0
      m = (kb[k, "qt"] > 0) ? kb[k, "ours"] / kb[k, "qt"] : 0
      printf "%-13s %12.1f %12.1f %9.3f %12.3f %12.3f %9d %10.1f %10.1f %8.3f %s\n", k, ms[k, "ours"], ms[k, "qt"], r, \
             mx[k, "ours"], mx[k, "qt"], slow[k, "ours"], kb[k, "ours"] / 1024, kb[k, "qt"] / 1024, m, est(k, "qt")
    }
    print "ratio and mem: ours / plain widget (below 1 is better); max ms: the longest single edit;"
    print ">=1ms: how many of our single edits took a millisecond or more"
  }' "$tmp/results"

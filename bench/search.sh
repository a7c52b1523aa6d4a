#!/usr/bin/env bash
# Every match of a word in a large CP932 text through the editor's search
# (match case, and ignoring case), against `grep -c -F` (LC_ALL=C) on the same
# file and QTextDocument::find on the same text in UTF-16. The word stands at
# most once a line, so grep's line count is the match count.
# Usage: bench/search.sh smoke|full   (smoke: 2 MB; full: 100 MB)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-full}
. bench/lib/common.sh
case "$mode" in
  smoke) mb=2 ;;
  full)  mb=100 ;;
  *) echo "usage: $0 smoke|full" >&2; exit 2 ;;
esac
bench_build search_bench
bin="$build/bench/search_bench"
export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
word=zintavor_hit

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$bin" gen "$mb" "$tmp/text.sql"
echo "-- $(( $(stat -c %s "$tmp/text.sql") / 1048576 )) MB of CP932, word \"$word\""

t0=$(date +%s%N)
grep_count=$(LC_ALL=C grep -c -F "$word" "$tmp/text.sql" || true)
grep_ms=$(( ($(date +%s%N) - t0) / 1000000 ))

read -r _ ours_n ours_load ours_ms < <("$bin" ours "$tmp/text.sql" "$word" 2>/dev/null)
read -r _ oursi_n _ oursi_ms < <("$bin" ours "$tmp/text.sql" "$word" nocase 2>/dev/null)
read -r _ qt_n qt_load qt_ms < <("$bin" qt "$tmp/text.sql" "$word" 2>/dev/null)
read -r _ qti_n _ qti_ms < <("$bin" qt "$tmp/text.sql" "$word" nocase 2>/dev/null)

awk -v g="$grep_ms" -v gn="$grep_count" -v on="$ours_n" -v o="$ours_ms" -v oin="$oursi_n" -v oi="$oursi_ms" \
    -v qn="$qt_n" -v q="$qt_ms" -v qin="$qti_n" -v qi="$qti_ms" -v ol="$ours_load" -v ql="$qt_load" '
  function ratio(a, b) { return b > 0 ? a / b : 0 }
  BEGIN {
    printf "%-28s %10s %12s\n", "", "matches", "ms"
    printf "%-28s %10d %12.1f\n", "grep -c -F (LC_ALL=C)", gn, g
    printf "%-28s %10d %12.1f\n", "TEditor::Search, case", on, o
    printf "%-28s %10d %12.1f\n", "TEditor::Search, no case", oin, oi
    printf "%-28s %10d %12.1f\n", "QTextDocument::find, case", qn, q
    printf "%-28s %10d %12.1f\n", "QTextDocument::find, no case", qin, qi
    printf "loading the text: TEditor %.1f ms, QTextDocument %.1f ms\n", ol, ql
    printf "ratios (ours / peer, below 1 is better): vs grep %.2f, vs QTextDocument %.3f (case) %.3f (no case)\n", \
           ratio(o, g), ratio(o, q), ratio(oi, qi)
    if (on != gn || on != qn || oin != qin) print "MISMATCH: the match counts differ"
  }'

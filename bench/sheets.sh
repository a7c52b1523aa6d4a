#!/usr/bin/env bash
# New result sheets in the client window (offscreen, SQLite): N times
# "#NewSheet" followed by a SELECT, against the same N SELECTs written into
# one page, three runs of each side per size (min and median, wall and CPU
# time); the time per sheet at each size and its flatness; and the heap an
# empty sheet holds.
# Usage: bench/sheets.sh smoke|full   (smoke: 20 and 40 sheets; full: 125, 250, 600 and 1,000)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-full}
. bench/lib/common.sh
case "$mode" in
  smoke) sizes="20 40" ;;
  full)  sizes="125 250 600 1000" ;;
  *) echo "usage: $0 smoke|full" >&2; exit 2 ;;
esac
bench_build sheets_bench
export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
sqlite3 "$tmp/sheets.sqlite" "create table t (id integer primary key, name varchar(20));
  insert into t values (1, '一'), (2, '二'), (3, '三');"
# shellcheck disable=SC2086
"$build/bench/sheets_bench" "$tmp/sheets.sqlite" $sizes 2> >(grep -v -e 'propagateSizeHints' -e 'XDG_RUNTIME_DIR' >&2)

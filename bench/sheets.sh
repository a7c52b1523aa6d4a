#!/usr/bin/env bash
# New result sheets in the client window (offscreen, SQLite): N times
# "#NewSheet" followed by a SELECT, against N times an empty statement and the
# same SELECT in one page (as many statements, so as many of the executor's
# 1 ms pauses, on both sides); each side in a fresh process in every run, cold
# (the first window of the process) and warm (a second window); the time per
# sheet at each size and how flat it stays; and the heap an empty sheet holds.
# Usage: bench/sheets.sh smoke|full   (smoke: 5 and 10 sheets; full: 125, 250, 600 and 1,000)
set -euo pipefail
. "$(dirname "$0")/lib/common.sh" full "$@"
case "$mode" in
  smoke) sizes="5 10"; runs=3 ;;
  full)  sizes="125 250 600 1000"; runs=3 ;;
esac
bench_build sheets_bench
bench_qt
bin=$PWD/$build/bench/sheets_bench
tmp=$(mktemp -d "${TMPDIR:-/tmp}/zintavor-bench.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
sqlite3 "$tmp/sheets.sqlite" "create table t (id integer primary key, name varchar(20));
  insert into t values (1, '一'), (2, '二'), (3, '三');"
# run inside the folder of its own, so that nothing the window might write lands in the source tree
cd "$tmp"
# shellcheck disable=SC2086
"$bin" "$tmp/sheets.sqlite" "$runs" "$mode" $sizes

#!/usr/bin/env bash
# Every match of a word in a large CP932 text through the editor's search,
# against `grep -c -F` (LC_ALL=C) on the same file and QTextDocument::find on
# the same text in UTF-16; a warm case (loading left out of every side) and a
# cold one (the file dropped from the page cache, loading in every side's
# time). The text is written under $TMPDIR (or /tmp) and removed at the end.
# Usage: bench/search.sh smoke|full   (smoke: 2 MB; full: 100 MB)
set -euo pipefail
. "$(dirname "$0")/lib/common.sh" full "$@"
bench_build search_bench
bench_qt
"$build/bench/search_bench" "$mode" 3

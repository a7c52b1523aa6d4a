#!/usr/bin/env bash
# The program started with "@script" and ended by "#Exit" (offscreen), against
# peers doing the same job the plainest way:
#   start     start, open the window, exit          vs a plain Qt window with a text widget
#   query     connect to SQLite, show N rows as     vs the sqlite3 shell writing the same rows
#             text, save them with #SaveToFile        to a file, then a plain Qt window showing them
# Each is run several times; the median is printed with the ratio.
# Usage: bench/startup.sh smoke|full
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-full}
. bench/lib/common.sh
bench_build startup_peer
[ -x "$build/shell/Zintavor" ] || bash scripts/build.sh "$(basename "$build")" Zintavor >/dev/null
case "$mode" in
  smoke) rows=200; runs=1 ;;
  full)  rows=100000; runs=5 ;;
  *) echo "usage: $0 smoke|full" >&2; exit 2 ;;
esac
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -u)}
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
program=$PWD/$build/shell/Zintavor
peer=$PWD/$build/bench/startup_peer
work=$(mktemp -d /tmp/zintavor-startup.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

# the database: one table of $rows rows with Japanese text
sqlite3 bench.sqlite <<SQL
CREATE TABLE 明細 (番号 INTEGER, 品名 VARCHAR(40), 数量 INTEGER);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
INSERT INTO 明細 SELECT i, '品名その' || i, i % 97 FROM n;
SQL
{ printf '[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n'
  printf 'DRIVER=SQLite3;Database=%s/bench.sqlite\r\n' "$work"; } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > bench.udl
printf '#Exit;\r\n' > exit.sql
{ printf '#Connect UDL:%s/bench.udl;\r\n#SQLResultEchoOff;\r\n' "$work"
  printf 'SELECT 番号, 品名, 数量 FROM 明細 ORDER BY 番号;\r\n'
  printf '#SaveToFile %s/zintavor-out.txt;\r\n#Exit;\r\n' "$work"; } | iconv -f UTF-8 -t CP932 > query.sql

# median milliseconds of $runs runs of a command
median_ms() {
  local times=() i t0 t1
  for ((i = 0; i < runs; i++)); do
    t0=$(date +%s%N)
    "$@" >/dev/null 2>&1
    t1=$(date +%s%N)
    times+=($(( (t1 - t0) / 1000000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p"
}
report() {  # name ours peer
  awk -v n="$1" -v a="$2" -v b="$3" 'BEGIN { printf "%-8s zintavor %7d ms   peer %7d ms   ratio %.2f\n", n, a, b, (b > 0 ? a / b : 0) }'
}

peer_query() {
  sqlite3 -column bench.sqlite 'SELECT 番号, 品名, 数量 FROM 明細 ORDER BY 番号;' > peer-out.txt
  "$peer" peer-out.txt
}

a=$(median_ms "$program" "@$work/exit.sql"); b=$(median_ms "$peer")
report start "$a" "$b"
a=$(median_ms "$program" "@$work/query.sql"); b=$(median_ms peer_query)
report query "$a" "$b"
# the run must have done its work
lines=$(wc -l < zintavor-out.txt)
[ "$lines" -ge "$rows" ] || { echo "startup: the saved result has $lines lines, expected at least $rows" >&2; exit 1; }
echo "startup: $rows rows shown and saved"

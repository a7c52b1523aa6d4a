#!/usr/bin/env bash
# The program started with "@script" and ended by "#Exit" (offscreen), against
# peers doing the same job the plainest way:
#   start   start, open and paint the window, exit    vs a plain Qt window with a
#                                                        text widget, painted, closed
#   query   connect to SQLite, show N rows as text,    vs the sqlite3 shell writing the
#           save them with #SaveToFile, exit              same rows to a file, then a plain
#                                                        Qt window showing them
# Each case warm (the files in the page cache, as for a second start) and cold
# (the files both sides read dropped from the page cache before each run).
# The program runs as a link in a folder of its own under $TMPDIR, so its
# settings and history files are written there, not into the build tree.
# Usage: bench/startup.sh smoke|full
set -euo pipefail
. "$(dirname "$0")/lib/common.sh" full "$@"
case "$mode" in
  smoke) rows=200; runs=3; start_runs=3 ;;
  full)  rows=100000; runs=5; start_runs=11 ;;
esac
bench_build startup_peer
[ -x "$build/shell/Zintavor" ] || bash scripts/build.sh "$(basename "$build")" Zintavor >/dev/null
bench_qt
built=$PWD/$build/shell/Zintavor
peer=$PWD/$build/bench/startup_peer

bench_start "start-up: the program started with \"@script\" and ended by #Exit (offscreen), against a plain Qt
  window with a text widget (shown, painted, closed); and $rows rows queried from SQLite, shown and saved,
  against the sqlite3 shell writing them to a file and a plain Qt window showing that file
  (start: $start_runs runs; $rows rows: $runs runs)" "$start_runs" "$mode"
work=$tmp/work
mkdir "$work"
# the program beside its own settings and history files
ln "$built" "$work/Zintavor" 2>/dev/null || cp "$built" "$work/Zintavor"
program=$work/Zintavor
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
cat > peer-query.sh <<EOF
sqlite3 -column "$work/bench.sqlite" 'SELECT 番号, 品名, 数量 FROM 明細 ORDER BY 番号;' > "$work/peer-out.txt"
exec "$peer" "$work/peer-out.txt"
EOF

# The files a start reads: both programs, every library and plugin they load,
# the fonts and font caches; dropped from the page cache before a cold run.
{
  echo "$program"; echo "$peer"; command -v sqlite3
  ldd "$program" "$peer" | sed -n 's/.*=> \(\/[^ ]*\) .*/\1/p'
  for p in "$program" "$peer"; do  # and the plugins they open
    LD_DEBUG=files "$p" "@$work/exit.sql" 2>&1 >/dev/null | sed -n 's/.*file=\(\/[^ ]*\) .*generating link map.*/\1/p'
  done
  for f in IPAGothic IPAPGothic "DejaVu Sans" "Sans Serif"; do fc-match -f '%{file}\n' "$f"; done
  ls /var/cache/fontconfig/* 2>/dev/null || true
  echo "$work/bench.sqlite"
} | sort -u > startup-files.txt
drop_caches() { xargs -a "$work/startup-files.txt" -d '\n' "$bench_runner" drop || true; }
resident() {  # percent of those files' pages still in the page cache
  xargs -a "$work/startup-files.txt" -d '\n' fincore -b -n -o RES,SIZE 2>/dev/null |
    awk '{ r += $1; s += $2 } END { printf "%.0f", (s > 0 ? 100 * r / s : 0) }'
}

# one untimed start, so that every timed start reads the settings and history
# files the first one wrote, as a user's second start does
"$program" "@$work/exit.sql" >/dev/null 2>&1

left=()
for ((r = 0; r < start_runs; r++)); do
  # the sides take turns at going first
  if ((r % 2 == 0)); then order="ours peer"; else order="peer ours"; fi
  for side in $order; do
    if [ $side = ours ]; then
      bench_time start_warm/zintavor "$program" "@$work/exit.sql"
      drop_caches; left+=("$(resident)")
      bench_time start_cold/zintavor "$program" "@$work/exit.sql"
    else
      bench_time start_warm/Qt_window "$peer"
      drop_caches
      bench_time start_cold/Qt_window "$peer"
    fi
  done
done
for ((r = 0; r < runs; r++)); do
  if ((r % 2 == 0)); then order="ours peer"; else order="peer ours"; fi
  for side in $order; do
    if [ $side = ours ]; then
      bench_time query_warm/zintavor "$program" "@$work/query.sql"
      drop_caches
      bench_time query_cold/zintavor "$program" "@$work/query.sql"
    else
      bench_time query_warm/sqlite3+Qt_window sh "$work/peer-query.sh"
      drop_caches
      bench_time query_cold/sqlite3+Qt_window sh "$work/peer-query.sh"
    fi
  done
done
bench_case "start, warm" start_warm/zintavor start_warm/Qt_window
bench_case "start, cold" start_cold/zintavor start_cold/Qt_window
bench_case "$rows rows, warm" query_warm/zintavor query_warm/sqlite3+Qt_window
bench_case "$rows rows, cold" query_cold/zintavor query_cold/sqlite3+Qt_window
bench_note "cold: before each cold run the files both sides read (programs, libraries, plugins, fonts,"
bench_note "font caches) are dropped from the page cache; pages other processes have mapped stay: after the"
bench_note "drop $(printf '%s\n' "${left[@]}" | sort -n | sed -n "$(( (${#left[@]} + 1) / 2 ))p")% of those pages were still cached (median)"
bench_aim "start, warm: ours/Qt_window <= 1.5 (wall and CPU)"
# the runs must have done their work
lines=$(wc -l < zintavor-out.txt)
[ "$lines" -ge "$rows" ] || { echo "startup: the saved result has $lines lines, expected at least $rows" >&2; exit 1; }
bench_note "every query run showed and saved all $rows rows"

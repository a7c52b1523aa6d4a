#!/usr/bin/env bash
# The client window running scripts against PostgreSQL, as the user runs them
# (the real TFrameSQLClient offscreen: script page, executor, ODBC driver,
# result editor in text mode):
#  1. "select * from t;" of a table of 5 columns (integer, ASCII text,
#     Japanese text, timestamp, an integer NULL in every third row), against
#     psql writing its aligned output of the same query to a file;
#  2. single-row INSERTs inside one transaction (#Begin ... #Commit in manual
#     commit mode), against psql -f of the same statements in BEGIN ... COMMIT.
#     The executor sleeps 1 ms after every statement, so the aim is the
#     statements x 1 ms plus psql's time.
# Usage: bench/client.sh smoke|full   (smoke: 10,000 rows, 200 inserts; full: 1,000,000 rows, 10,000 inserts)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-smoke}
. bench/lib/common.sh
case "$mode" in
  smoke) rows=10000; inserts=200; runs=1 ;;
  full)  rows=1000000; inserts=10000; runs=3 ;;
  *) echo "usage: $0 smoke|full" >&2; exit 2 ;;
esac
bench_build client_bench
bin="$build/bench/client_bench"

. scripts/pg.sh
own_server=0
if [ -z "${ZINTAVOR_PG_CONN:-}" ]; then
  pg_start >/dev/null
  own_server=1
fi
conn=$ZINTAVOR_PG_CONN
field() { printf '%s\n' "$conn" | tr ';' '\n' | sed -n "s/^$1=//Ip" | head -n 1; }
export PGHOST=$(field SERVER) PGPORT=$(field PORT) PGDATABASE=$(field DATABASE) PGUSER=$(field UID) PGPASSWORD=$(field PWD)

table="bench_client_$$"
itable="bench_client_ins_$$"
tmp=$(mktemp -d)
cleanup() {
  psql -q -c "drop table if exists $table; drop table if exists $itable" >/dev/null 2>&1 || true
  rm -rf "$tmp"
  if [ "$own_server" = 1 ]; then pg_stop; fi
}
trap cleanup EXIT
psql -q -v ON_ERROR_STOP=1 -c "create table $table as
  select g as id, 'row ' || g as ascii, 'テキスト' || g as jp,
         timestamp '2024-01-01' + g * interval '1 second' as ts,
         case when g % 3 = 0 then null else g * 7 end as maybe
  from generate_series(1, $rows) g" >/dev/null
psql -q -v ON_ERROR_STOP=1 -c "create table $itable (id integer, ascii text, n integer, ts timestamp)" >/dev/null

printf 'select * from %s;\r\n' "$table" > "$tmp/select.sql"
awk -v n="$inserts" -v t="$itable" 'BEGIN {
  for (i = 1; i <= n; i++) printf "insert into %s values (%d, '\''row %d'\'', %d, timestamp '\''2024-01-01 00:00:00'\'');\r\n", t, i, i, i * 7
}' > "$tmp/inserts.body"
{ printf '#Begin;\r\n'; cat "$tmp/inserts.body"; printf '#Commit;\r\n'; } > "$tmp/inserts.ours"
{ printf 'BEGIN;\n'; tr -d '\r' < "$tmp/inserts.body"; printf 'COMMIT;\n'; } > "$tmp/inserts.psql"

# Best wall time of the runs and the peak memory of that run: "seconds kilobytes".
# Usage: measure <before each run: command string> <command...>
measure() {
  local before=$1 best="" mem="" out
  shift
  for _ in $(seq "$runs"); do
    eval "$before"
    /usr/bin/time -f '%e %M' -o "$tmp/time" "$@" > "$tmp/out" 2> "$tmp/err" || { cat "$tmp/err" >&2; return 1; }
    out=$(cat "$tmp/time")
    if [ -z "$best" ] || awk -v a="${out% *}" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=${out% *}
      mem=${out#* }
    fi
  done
  echo "$best $mem"
}

read -r sel_s sel_kb < <(measure : "$bin" "$conn" "$tmp/select.sql")
lines=$(LC_ALL=C sed -n 's/^lines=\([0-9]*\).*/\1/p' "$tmp/out")
[ "${lines:-0}" -ge "$rows" ] || { echo "client_bench wrote ${lines:-0} lines for $rows rows: $(cat "$tmp/out")" >&2; exit 1; }
read -r psel_s psel_kb < <(measure : psql -q -c "select * from $table" -o "$tmp/aligned.txt")

reset="psql -q -c 'truncate $itable' >/dev/null"
read -r ins_s ins_kb < <(measure "$reset" "$bin" "$conn" "$tmp/inserts.ours" manual)
count=$(psql -A -t -c "select count(*) from $itable")
[ "$count" = "$inserts" ] || { echo "client_bench inserted $count rows of $inserts: $(cat "$tmp/out" "$tmp/err")" >&2; exit 1; }
read -r pins_s pins_kb < <(measure "$reset" psql -q -v ON_ERROR_STOP=1 -f "$tmp/inserts.psql")

echo "-- client window, PostgreSQL (best of $runs; peak memory of that run)"
awk -v r="$rows" -v n="$inserts" -v s="$sel_s" -v sk="$sel_kb" -v ps="$psel_s" -v pk="$psel_kb" \
    -v i="$ins_s" -v ik="$ins_kb" -v pi="$pins_s" -v pik="$pins_kb" 'BEGIN {
  printf "select %d rows x 5 columns, text mode:  zintavor %7.2f s %8.1f MB   psql aligned to file %7.2f s %8.1f MB\n", r, s, sk / 1024, ps, pk / 1024
  printf "   time ratio %.2f (aim <= 2)   memory ratio %.2f (aim < 2)\n", s / ps, sk / pk
  aim = n * 0.001 + pi
  printf "%d inserts in one transaction:       zintavor %7.2f s %8.1f MB   psql -f %7.2f s %8.1f MB\n", n, i, ik / 1024, pi, pik / 1024
  printf "   ratio to (%d x 1 ms + psql) = %.2f s: %.2f (aim <= 1.3)\n", n, aim, i / aim
}'

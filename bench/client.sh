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

bench_pg

table="bench_client_$$"
itable="bench_client_ins_$$"
tmp=$(mktemp -d)
cleanup() {
  psql -q -c "drop table if exists $table; drop table if exists $itable" >/dev/null 2>&1 || true
  rm -rf "$tmp"
  bench_pg_done
}
trap cleanup EXIT
bench_pg_table "$table" "$rows"
psql -q -v ON_ERROR_STOP=1 -c "create table $itable (id integer, ascii text, n integer, ts timestamp)" >/dev/null

printf 'select * from %s;\r\n' "$table" > "$tmp/select.sql"
awk -v n="$inserts" -v t="$itable" 'BEGIN {
  for (i = 1; i <= n; i++) printf "insert into %s values (%d, '\''row %d'\'', %d, timestamp '\''2024-01-01 00:00:00'\'');\r\n", t, i, i, i * 7
}' > "$tmp/inserts.body"
{ printf '#Begin;\r\n'; cat "$tmp/inserts.body"; printf '#Commit;\r\n'; } > "$tmp/inserts.ours"
{ printf 'BEGIN;\n'; tr -d '\r' < "$tmp/inserts.body"; printf 'COMMIT;\n'; } > "$tmp/inserts.psql"

read -r sel_s sel_kb < <(bench_measure : /dev/null "$bin" "$conn" "$tmp/select.sql")
lines=$(LC_ALL=C sed -n 's/^lines=\([0-9]*\).*/\1/p' "$tmp/out")
[ "${lines:-0}" -ge "$rows" ] || { echo "client_bench wrote ${lines:-0} lines for $rows rows: $(cat "$tmp/out")" >&2; exit 1; }
read -r psel_s psel_kb < <(bench_measure : /dev/null psql -q -c "select * from $table" -o "$tmp/aligned.txt")

reset="psql -q -c 'truncate $itable' >/dev/null"
read -r ins_s ins_kb < <(bench_measure "$reset" /dev/null "$bin" "$conn" "$tmp/inserts.ours" manual)
count=$(psql -A -t -c "select count(*) from $itable")
[ "$count" = "$inserts" ] || { echo "client_bench inserted $count rows of $inserts: $(cat "$tmp/out" "$tmp/err")" >&2; exit 1; }
read -r pins_s pins_kb < <(bench_measure "$reset" /dev/null psql -q -v ON_ERROR_STOP=1 -f "$tmp/inserts.psql")

echo "-- client window, PostgreSQL (best of $runs; peak memory of that run)"
awk -v r="$rows" -v n="$inserts" -v s="$sel_s" -v sk="$sel_kb" -v ps="$psel_s" -v pk="$psel_kb" \
    -v i="$ins_s" -v ik="$ins_kb" -v pi="$pins_s" -v pik="$pins_kb" 'BEGIN {
  printf "select %d rows x 5 columns, text mode:  zintavor %7.2f s %8.1f MB   psql aligned to file %7.2f s %8.1f MB\n", r, s, sk / 1024, ps, pk / 1024
  printf "   time ratio %.2f (aim <= 2)   memory ratio %.2f (aim < 2)\n", s / ps, sk / pk
  aim = n * 0.001 + pi
  printf "%d inserts in one transaction:       zintavor %7.2f s %8.1f MB   psql -f %7.2f s %8.1f MB\n", n, i, ik / 1024, pi, pik / 1024
  printf "   ratio to (%d x 1 ms + psql) = %.2f s: %.2f (aim <= 1.3)\n", n, aim, i / aim
}'

#!/usr/bin/env bash
# The client window running scripts against PostgreSQL, as the user runs them
# (the real TFrameSQLClient offscreen: script page, executor, ODBC driver,
# result editor in text mode), whole processes:
#  1. "select * from t;" of a table of 5 columns (integer, ASCII text,
#     Japanese text, timestamp, an integer NULL in every third row), against
#     psql writing its aligned output of the same query to a file;
#  2. single-row INSERTs inside one transaction (#Begin ... #Commit in manual
#     commit mode), against psql -f of the same statements in BEGIN ... COMMIT.
#     The executor sleeps 1 ms after every statement, so the aim is the
#     statements x 1 ms plus psql's time.
# Cold: a process running the script once (its first run). Second run: the
# same script twice in one process (one window, one psql session) less the
# process running it once, on both sides.
# Usage: bench/client.sh smoke|full   (smoke: 10,000 rows, 200 inserts; full: 1,000,000 rows, 10,000 inserts)
set -euo pipefail
. "$(dirname "$0")/lib/common.sh" smoke "$@"
case "$mode" in
  smoke) rows=10000; inserts=200; runs=3; second=0 ;;
  full)  rows=1000000; inserts=10000; runs=3; second=1 ;;
esac
bench_build client_bench
bin=$PWD/$build/bench/client_bench
bench_qt

bench_pg
table="bench_client_$$"
itable="bench_client_ins_$$"
bench_cleanup() {
  psql -q -c "drop table if exists $table; drop table if exists $itable" >/dev/null 2>&1 || true
  bench_pg_done
}
bench_start "client window against PostgreSQL, whole processes: a select of $rows rows x 5 columns shown as text,
  against psql's aligned output of the same query to a file; $inserts single-row INSERTs in one transaction,
  against psql -f of the same statements; cold: a process running the script once; second run: a process
  running it twice less one running it once" "$runs" "$mode"
bench_pg_table "$table" "$rows"
psql -q -v ON_ERROR_STOP=1 -c "create table $itable (id integer, ascii text, n integer, ts timestamp)" >/dev/null

printf 'select * from %s;\r\n' "$table" > "$tmp/select.sql"
printf 'select * from %s;\r\nselect * from %s;\r\n' "$table" "$table" > "$tmp/select2.sql"
awk -v n="$inserts" -v t="$itable" 'BEGIN {
  for (i = 1; i <= n; i++) printf "insert into %s values (%d, '\''row %d'\'', %d, timestamp '\''2024-01-01 00:00:00'\'');\r\n", t, i, i, i * 7
}' > "$tmp/inserts.body"
{ printf '#Begin;\r\n'; cat "$tmp/inserts.body"; printf '#Commit;\r\n'; } > "$tmp/inserts.ours"
{ cat "$tmp/inserts.ours" "$tmp/inserts.ours"; } > "$tmp/inserts2.ours"
{ printf 'BEGIN;\n'; tr -d '\r' < "$tmp/inserts.body"; printf 'COMMIT;\n'; } > "$tmp/inserts.psql"
{ cat "$tmp/inserts.psql" "$tmp/inserts.psql"; } > "$tmp/inserts2.psql"

check_lines() {  # the window showed every row of each select
  local lines
  lines=$(LC_ALL=C sed -n 's/^lines=\([0-9]*\).*/\1/p' "$tmp/out")
  [ "${lines:-0}" -ge "$(($1 * rows))" ] || { echo "client_bench wrote ${lines:-0} lines for $1 x $rows rows: $(cat "$tmp/out")" >&2; exit 1; }
}
check_count() {  # every insert arrived
  local count
  count=$(psql -A -t -c "select count(*) from $itable")
  [ "$count" = "$(($1 * inserts))" ] || { echo "$2 inserted $count rows of $(($1 * inserts)): $(cat "$tmp/out" "$tmp/err")" >&2; exit 1; }
}
truncate_inserts() { psql -q -c "truncate $itable" >/dev/null; }

for ((r = 0; r < runs; r++)); do
  if ((r % 2 == 0)); then order="ours peer"; else order="peer ours"; fi
  for side in $order; do
    if [ $side = ours ]; then
      bench_time select1/zintavor "$bin" "$conn" "$tmp/select.sql"; check_lines 1
      ((second)) && { bench_time select2/zintavor "$bin" "$conn" "$tmp/select2.sql"; check_lines 2; }
      truncate_inserts; bench_time insert1/zintavor "$bin" "$conn" "$tmp/inserts.ours" manual; check_count 1 zintavor
      ((second)) && { truncate_inserts; bench_time insert2/zintavor "$bin" "$conn" "$tmp/inserts2.ours" manual; check_count 2 zintavor; }
    else
      bench_time select1/psql psql -q -c "select * from $table" -o "$tmp/aligned.txt"
      ((second)) && bench_time select2/psql psql -q -c "select * from $table" -c "select * from $table" -o "$tmp/aligned.txt"
      truncate_inserts; bench_time insert1/psql psql -q -v ON_ERROR_STOP=1 -f "$tmp/inserts.psql"; check_count 1 psql
      ((second)) && { truncate_inserts; bench_time insert2/psql psql -q -v ON_ERROR_STOP=1 -f "$tmp/inserts2.psql"; check_count 2 psql; }
    fi
  done
done
bench_case "select, cold" select1/zintavor select1/psql
((!second)) || bench_case "select, second run" "select2/zintavor:select1/zintavor=zintavor" "select2/psql:select1/psql=psql"
bench_case "inserts, cold" insert1/zintavor insert1/psql
((!second)) || bench_case "inserts, second run" "insert2/zintavor:insert1/zintavor=zintavor" "insert2/psql:insert1/psql=psql"
((second)) || bench_note "second runs (twice less once) are not shown in a smoke run: at these sizes they are lost in the noise"
awk -v n="$inserts" '
  { k = $1; v[k] = v[k] " " $2 }
  function med(s,   a, m, i, j, t) { m = split(s, a, " "); for (i = 2; i <= m; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }; return m % 2 ? a[(m + 1) / 2] : (a[m / 2] + a[m / 2 + 1]) / 2 }
  END { printf "  inserts, cold, with the 1 ms pause after each statement counted on the peer'"'"'s side (median): ours / (%d x 1 ms + psql) = %.2f\n", n, med(v["insert1/zintavor"]) / (n + med(v["insert1/psql"])) }' "$times"
bench_aim "select, cold: ours/psql <= 2 in time and < 2 in peak memory; inserts: ours / (statements x 1 ms + psql) <= 1.3"

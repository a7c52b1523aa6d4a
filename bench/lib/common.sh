# Sourced first by every benchmark script, with the script's own default mode
# and its arguments:
#   . "$(dirname "$0")/lib/common.sh" smoke|full "$@"
# Goes to the repository's top folder and sets $mode: the first argument, or
# the default; any word but smoke or full stops the script with its usage.
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
mode=${2:-$1}
case "$mode" in
  smoke|full) ;;
  *) echo "usage: $0 smoke|full" >&2; exit 2 ;;
esac

# $build is the build tree to time: $ZINTAVOR_BUILD, or build/release.
build=${ZINTAVOR_BUILD:-build/release}

# bench_build TARGET: builds a benchmark program in $build when it is missing.
bench_build() {
  [ -x "$build/bench/$1" ] || bash scripts/build.sh "$(basename "$build")" "$1" >/dev/null
}

# bench_qt: the environment of a benchmark that starts Qt programs: the
# offscreen platform, a private runtime folder, the sanitizer's suppressions.
bench_qt() {
  export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
  export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -u)}
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
  export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
}

# bench_pg: uses the PostgreSQL server of $ZINTAVOR_PG_CONN, or starts a
# private one (bench_pg_done stops it again); sets $conn and exports psql's
# PG* variables for that server.
bench_pg() {
  . scripts/pg.sh
  bench_own_pg=0
  if [ -z "${ZINTAVOR_PG_CONN:-}" ]; then
    pg_start >/dev/null
    bench_own_pg=1
  fi
  conn=$ZINTAVOR_PG_CONN
  export PGHOST=$(bench_conn_field SERVER) PGPORT=$(bench_conn_field PORT) PGDATABASE=$(bench_conn_field DATABASE) \
    PGUSER=$(bench_conn_field UID) PGPASSWORD=$(bench_conn_field PWD)
}
# bench_conn_field KEY: one value of the ODBC connection string $conn.
bench_conn_field() {
  printf '%s\n' "$conn" | tr ';' '\n' | sed -n "s/^$1=//Ip" | head -n 1
}
bench_pg_done() {
  if [ "${bench_own_pg:-0}" = 1 ]; then pg_stop; fi
}

# bench_pg_table NAME ROWS: a table of 5 columns (integer, ASCII text,
# Japanese text, timestamp, an integer that is NULL in every third row).
bench_pg_table() {
  psql -q -v ON_ERROR_STOP=1 -c "create table $1 as
    select g as id, 'row ' || g as ascii, 'テキスト' || g as jp,
           timestamp '2024-01-01' + g * interval '1 second' as ts,
           case when g % 3 = 0 then null else g * 7 end as maybe
    from generate_series(1, $2) g" >/dev/null
}

# ---- timing whole commands (every script uses these; see also bench/BenchTiming.h)
#
# What every benchmark prints, so that a reader can trust a ratio without
# reading the code: every ratio is ours / peer (lower is better); every side is
# measured in every run, the sides taking turns; at least three runs, and the
# minimum and the median over them; wall and CPU (user + sys) time side by
# side; a cold case beside each warm one; a smoke run says its sizes are too
# small for the aims and prints no aim.
#
#   bench_start "title" RUNS MODE   heading; makes $tmp (removed at exit, with
#                                   bench_cleanup run first when defined)
#   bench_time LABEL COMMAND...     one timed run, standard input $bench_in
#                                   (default /dev/null), output in $tmp/out and
#                                   $tmp/err; a failure stops the benchmark
#   bench_case CASE OURS PEER...    one block of the table: each label's
#                                   min / median of wall and CPU ms and median
#                                   peak MB, and ours/peer for each peer (the
#                                   peak's ratio of the medians)
#   bench_spread LABEL wall|cpu|peak "min median" of one label's figure over the
#                                   runs (ms, or kB for peak), for a figure a
#                                   script works out from the runs itself
#   bench_note TEXT, bench_aim TEXT a line under the table (no aim in a smoke run)

# bench_start TITLE RUNS MODE
bench_start() {
  bench_runs=$2
  bench_mode=$3
  bench_build bench_runner
  bench_runner=$PWD/$build/bench/bench_runner
  tmp=$(mktemp -d "${TMPDIR:-/tmp}/zintavor-bench.XXXXXX")
  times=$tmp/times
  : > "$times"
  trap 'if declare -F bench_cleanup >/dev/null; then bench_cleanup; fi; rm -rf "$tmp"' EXIT
  echo "$1"
  echo "  $bench_runs run(s), every side in every run (taking turns); min / median over the runs;"
  echo "  wall and CPU (user + sys) milliseconds, peak memory; ratios are ours / peer, lower is better"
  if [ "$bench_mode" = smoke ]; then
    echo "  SMOKE RUN: these sizes are far too small to judge the aims; the figures only show that it works"
  fi
  if [ -f "$build/CMakeCache.txt" ] && grep -q '^ZINTAVOR_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
    echo "  SANITIZER BUILD: its times say nothing of the optimised program's"
  fi
  bench_header_done=0
}

# bench_time LABEL COMMAND...
bench_time() {
  local label=$1
  shift
  if ! "$bench_runner" run "$label" "$times" "${bench_in:-/dev/null}" "$tmp/out" "$tmp/err" "$@"; then
    echo "benchmark command failed ($label): $*" >&2
    tail -n 20 "$tmp/err" >&2
    exit 1
  fi
}

# bench_case CASE OURS PEER...: each argument LABEL[=SHOWN], LABEL as given to
# bench_time; the side is shown as SHOWN, else as LABEL without what comes up to
# its first "/" (so "start_warm/zintavor" shows "zintavor"). A LABEL "A:B"
# stands for the per-run difference A - B (such as a second pass: the run doing
# the work twice less the run doing it once).
bench_case() {
  local kase=$1
  shift
  if [ "${bench_header_done:-0}" = 0 ]; then
    printf '  %-26s %-26s %21s %21s %9s\n' case side "wall ms min / median" "cpu ms min / median" "peak MB"
    bench_header_done=1
  fi
  awk -v kase="$kase" -v labels="$*" '
    function sortv(a, n,   i, j, t) { for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t } }
    function minv(a, n) { sortv(a, n); return a[1] }
    function medv(a, n) { sortv(a, n); return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2 }
    function r(a, b) { return b > 0 ? a / b : 0 }
    # the figures of one label (or a difference "A:B", run by run) into w[], c[], k[]
    function load(l,   i, a, b, n) {
      if (index(l, ":") > 1) {
        a = substr(l, 1, index(l, ":") - 1); b = substr(l, index(l, ":") + 1)
        n = cnt[a] < cnt[b] ? cnt[a] : cnt[b]
        for (i = 1; i <= n; i++) { w[i] = W[a, i] - W[b, i]; c[i] = C[a, i] - C[b, i]; k[i] = K[a, i] }
        return n
      }
      for (i = 1; i <= cnt[l]; i++) { w[i] = W[l, i]; c[i] = C[l, i]; k[i] = K[l, i] }
      return cnt[l]
    }
    { n = ++cnt[$1]; W[$1, n] = $2; C[$1, n] = $3; K[$1, n] = $4 }
    END {
      nl = split(labels, L, " ")
      for (j = 1; j <= nl; j++) {
        shown[j] = L[j]
        if (index(L[j], "=") > 0) { shown[j] = substr(L[j], index(L[j], "=") + 1); L[j] = substr(L[j], 1, index(L[j], "=") - 1) }
        else if (index(L[j], "/") > 0) shown[j] = substr(L[j], index(L[j], "/") + 1)
        n = load(L[j])
        if (n == 0) { printf "  %-26s %-26s (not measured)\n", kase, shown[j]; continue }
        wmin[j] = minv(w, n); wmed[j] = medv(w, n); cmin[j] = minv(c, n); cmed[j] = medv(c, n)
        kmed[j] = index(L[j], ":") > 1 ? -1 : medv(k, n)
        peak = kmed[j] < 0 ? "" : sprintf("%9.1f", kmed[j] / 1024)
        printf "  %-26s %-26s %10.1f / %8.1f %10.1f / %8.1f %s\n", kase, shown[j], wmin[j], wmed[j], cmin[j], cmed[j], peak
      }
      for (j = 2; j <= nl; j++) {
        if (!(j in wmin) || !(1 in wmin)) continue
        peak = kmed[1] > 0 && kmed[j] > 0 ? sprintf("%9.2f", kmed[1] / kmed[j]) : ""
        printf "  %-26s %-26s %10.2f / %8.2f %10.2f / %8.2f %s\n", kase, "ours/" shown[j], \
          r(wmin[1], wmin[j]), r(wmed[1], wmed[j]), r(cmin[1], cmin[j]), r(cmed[1], cmed[j]), peak
      }
    }
  ' "$times"
}

bench_note() { echo "  $*"; }
bench_aim() { [ "${bench_mode:-full}" = smoke ] || echo "  aim: $*"; }

# bench_spread LABEL wall|cpu|peak: "min median" of a label's figure over the
# runs; LABEL may be a difference "A:B" as in bench_case (not for peak).
bench_spread() {
  awk -v l="$1" -v what="$2" '
    function sortv(a, n,   i, j, t) { for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t } }
    { n = ++cnt[$1]; F[$1, n] = what == "wall" ? $2 : what == "cpu" ? $3 : $4 }
    END {
      if (index(l, ":") > 1) {
        a = substr(l, 1, index(l, ":") - 1); b = substr(l, index(l, ":") + 1)
        n = cnt[a] < cnt[b] ? cnt[a] : cnt[b]
        for (i = 1; i <= n; i++) v[i] = F[a, i] - F[b, i]
      } else {
        n = cnt[l]
        for (i = 1; i <= n; i++) v[i] = F[l, i]
      }
      if (n == 0) { print "0 0"; exit }
      sortv(v, n)
      printf "%.6f %.6f\n", v[1], n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
  ' "$times"
}

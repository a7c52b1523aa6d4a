#!/usr/bin/env bash
# The environment the run and test commands give Qt's offscreen platform:
# started without a runtime folder, a plain Qt program (the start-up
# benchmark's peer, given as the argument) says nothing about it, and the
# folder is the user's own, readable by nobody else.
#   offscreen_env.sh QT-PROGRAM
set -euo pipefail
program=$1
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/zintavor-offscreen-env.XXXXXX)
trap 'rm -rf "$work"' EXIT
printf 'one\ntwo\n' >"$work/lines.txt"
unset XDG_RUNTIME_DIR QT_QPA_PLATFORM
. "$here/scripts/offscreen-env.sh"
fail=0
[ "$QT_QPA_PLATFORM" = offscreen ] || { echo "QT_QPA_PLATFORM is '$QT_QPA_PLATFORM'"; fail=1; }
[ -d "$XDG_RUNTIME_DIR" ] && [ -O "$XDG_RUNTIME_DIR" ] || { echo "$XDG_RUNTIME_DIR is not the user's own folder"; fail=1; }
mode=$(stat -c %a "$XDG_RUNTIME_DIR")
[ "$mode" = 700 ] || { echo "$XDG_RUNTIME_DIR has mode $mode"; fail=1; }
"$program" "$work/lines.txt" 2>"$work/errors" || { echo "$program failed"; fail=1; }
if grep -q 'XDG_RUNTIME_DIR' "$work/errors"; then
  echo "Qt spoke of the runtime folder:"
  cat "$work/errors"
  fail=1
fi
exit $fail

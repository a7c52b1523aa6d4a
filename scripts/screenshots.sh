#!/usr/bin/env bash
# The screenshots: builds the screenshot driver, starts a private X display
# (Xvfb, 1600x1000), runs the demo in it (demo/ is the current folder, so its
# Hello.Script connects to the sample database), opens each window and dialog
# with real content and saves one PNG each in build/screenshots/. Each window's
# layout faults are printed; the script fails when there is one.
#   scripts/screenshots.sh [SHOT...]      (all shots when none is named)
# ZINTAVOR_SCREENSHOTS_BUILD picks the build tree (asan, the default, or release).
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${ZINTAVOR_SCREENSHOTS_BUILD:-asan}
bash scripts/build.sh "$kind" zintavor_screenshots >/dev/null
bash scripts/make-demo.sh --if-missing
driver=$PWD/build/$kind/tests/shell/zintavor_screenshots
out=$PWD/build/screenshots
mkdir -p "$out"

work=$(mktemp -d /tmp/zintavor-shots.XXXXXX)
xvfb=""
cleanup() {
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
# the program's folder: its settings and history start afresh; the object tree
# definition is read beside the running program, as the run command puts it
cp -r demo/ObjectTree "$work/ObjectTree"
rm -rf "$(dirname "$driver")/ObjectTree"
cp -r demo/ObjectTree "$(dirname "$driver")/ObjectTree"

# Xvfb picks a free display and writes its number once it is ready
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "screenshots: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }

cd demo
DISPLAY=:$(head -n 1 "$work/display") QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 \
  "$driver" "$work" "$out" "$@"

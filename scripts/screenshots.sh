#!/usr/bin/env bash
# The screenshots: builds the screenshot driver, starts a private X display
# (Xvfb, 1600x1000 unless another screen size is asked for), runs the demo in
# it (demo/ is the current folder, so its Hello.Script connects to the sample
# database), opens each window and dialog with real content and saves one PNG
# each in build/screenshots/ (build/screenshots-WxH/ for another size). Each
# window's layout faults are printed; the script fails when there is one.
#   scripts/screenshots.sh [--screen WxH] [SHOT...]   (all shots when none is named)
# ZINTAVOR_SCREEN=WxH picks the screen size as --screen does (1366x768 is a
# laptop's); ZINTAVOR_SCREENSHOTS_BUILD picks the build tree (asan, the
# default, or release).
set -euo pipefail
cd "$(dirname "$0")/.."
size=${ZINTAVOR_SCREEN:-1600x1000}
if [ "${1:-}" = "--screen" ]; then
  size=${2:?--screen needs a size such as 1366x768}
  shift 2
fi
[[ "$size" =~ ^[0-9]+x[0-9]+$ ]] || { echo "screenshots: the screen size '$size' is not WIDTHxHEIGHT" >&2; exit 2; }
kind=${ZINTAVOR_SCREENSHOTS_BUILD:-asan}
bash scripts/build.sh "$kind" zintavor_screenshots >/dev/null
bash scripts/make-demo.sh --if-missing
driver=$PWD/build/$kind/tests/shell/zintavor_screenshots
out=$PWD/build/screenshots
[ "$size" = 1600x1000 ] || out=$out-$size
mkdir -p "$out"
echo "screenshots: a ${size} screen, pictures in $out"

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
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "screenshots: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }

display=:$(head -n 1 "$work/display")
rc=0
(cd demo && DISPLAY=$display QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 \
  "$driver" "$work" "$out" "$@") || rc=$?

# A floating result page and a floated property tab: the client tests that
# drag them out save the screen when asked to.
if [ $# -eq 0 ]; then
  bash scripts/build.sh "$kind" test_client >/dev/null
  (cd "$work" && DISPLAY=$display QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 ZINTAVOR_SCREENSHOT_DIR="$out" \
    "$OLDPWD/build/$kind/tests/client/test_client" \
    --gtest_filter='FloatingTest.AFloating*:DescTreeTest.PropertyTabs*' >"$work/floating.log" 2>&1) ||
    { echo "screenshots: the floating shots failed" >&2; tail -20 "$work/floating.log" >&2; rc=1; }
  for shot in floating-result-page floating-property-tab; do
    [ -f "$out/$shot.png" ] && echo "$shot: $out/$shot.png"
  done
fi
exit $rc

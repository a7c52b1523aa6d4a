#!/usr/bin/env bash
# The run command: installs what is missing, builds the program, makes the
# demo's sample database when it is missing (scripts/make-demo.sh remakes it)
# and starts the program in demo/, whose Hello.Script
# connects to it. Without a display the demo runs offscreen instead: a query
# of the sample database is saved as text and printed, and the program exits.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh release Zintavor
bash scripts/make-demo.sh --if-missing
program=$PWD/build/release/shell/Zintavor
# The object tree definition lives beside the program.
rm -rf "$(dirname "$program")/ObjectTree"
cp -r demo/ObjectTree "$(dirname "$program")/ObjectTree"
cd demo
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  . ../scripts/offscreen-env.sh
  rm -f demo-result.txt
  "$program" "@$PWD/offscreen-demo.sql"
  echo "run: no display; the demo's result (demo/demo-result.txt):"
  iconv -f CP932 -t UTF-8 demo-result.txt
  exit 0
fi
exec "$program" "$@"

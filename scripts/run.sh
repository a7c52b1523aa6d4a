#!/usr/bin/env bash
# The run command: installs what is missing, builds the program and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh release
exec build/release/shell/Zintavor "$@"

#!/usr/bin/env bash
# Configures and builds one build tree. Usage: scripts/build.sh release|asan [targets...]
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-release}
shift || true
case "$kind" in
  release) dir=build/release; flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DZINTAVOR_SANITIZE=OFF) ;;
  asan)    dir=build/asan;    flags=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DZINTAVOR_SANITIZE=ON) ;;
  *) echo "usage: $0 release|asan [targets...]" >&2; exit 2 ;;
esac
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
fi
# Several checkouts of the project share one compiler cache: paths below the
# checkout are hashed relative to it.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
jobs=${ZINTAVOR_JOBS:-$(nproc)}
if [ $# -gt 0 ]; then
  cmake --build "$dir" -j "$jobs" --target "$@"
else
  cmake --build "$dir" -j "$jobs"
fi

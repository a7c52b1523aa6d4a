# Sourced by the benchmark scripts (from the repository's top folder).
# $build is the build tree to time: $ZINTAVOR_BUILD, or build/release.
build=${ZINTAVOR_BUILD:-build/release}

# bench_build TARGET: builds a benchmark program in $build when it is missing.
bench_build() {
  [ -x "$build/bench/$1" ] || bash scripts/build.sh "$(basename "$build")" "$1" >/dev/null
}

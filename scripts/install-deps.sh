#!/usr/bin/env bash
# Installs every Debian package Zintavor needs to build, run and test.
# Idempotent and non-interactive; works as root or, through sudo, as a normal user.
set -euo pipefail

PACKAGES=(
  # build tools
  build-essential cmake ninja-build ccache pkg-config git
  # Qt 6 Widgets
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-qpa-plugins
  # Qt's own dialogs in Japanese (qtbase_ja)
  qt6-translations-l10n
  # ODBC: driver manager, SQLite3 and PostgreSQL drivers, tools
  unixodbc unixodbc-dev odbcinst libsqliteodbc odbc-postgresql
  # databases used by tests and benchmarks
  postgresql postgresql-client sqlite3 libsqlite3-dev
  # splash picture decoding (libjpeg v6 interface)
  libjpeg62-turbo-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev python3 python3-xlrd
  # what the scripts call beyond coreutils: /usr/bin/time (benchmarks), awk, iconv (libc-bin), isql (unixodbc)
  time mawk
  # fonts and a display for GUI runs and the screenshots
  fonts-ipafont-gothic xvfb xauth
  # CP932 conversion lives in glibc's iconv modules
  libc-bin locales
)

if [ "$(id -u)" -eq 0 ]; then SUDO=(); else SUDO=(sudo); fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

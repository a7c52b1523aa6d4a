#!/usr/bin/env bash
# Rebuilds shell/resources/Splash.jpg from scripts/make-splash-jpeg.cpp.
set -euo pipefail
cd "$(dirname "$0")/.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++17 -O1 -fPIC scripts/make-splash-jpeg.cpp -o "$tmp/make-splash-jpeg" \
  $(pkg-config --cflags --libs Qt6Gui) -ljpeg
QT_QPA_PLATFORM=offscreen "$tmp/make-splash-jpeg" shell/resources/Splash.jpg
ls -l shell/resources/Splash.jpg

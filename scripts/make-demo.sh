#!/usr/bin/env bash
# Makes the demo's sample database afresh: demo/sample.sqlite from
# demo/sample.sql, and demo/sample.udl (UTF-16LE, as UDL files are) naming it.
#   scripts/make-demo.sh              remakes the database: what was typed into it is gone
#   scripts/make-demo.sh --if-missing keeps an existing database (the run command's way)
# The UDL file is written each time, so that it names the database where it is now.
set -euo pipefail
cd "$(dirname "$0")/../demo"
if [ "${1:-}" != "--if-missing" ] || [ ! -s sample.sqlite ]; then
  rm -f sample.sqlite sample.sqlite.new
  sqlite3 sample.sqlite.new < sample.sql
  mv sample.sqlite.new sample.sqlite
fi
{
  printf '[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n'
  printf 'DRIVER=SQLite3;Database=%s/sample.sqlite\r\n' "$PWD"
} | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > sample.udl.new
mv sample.udl.new sample.udl

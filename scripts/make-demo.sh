#!/usr/bin/env bash
# Makes the demo's sample database afresh: demo/sample.sqlite from
# demo/sample.sql, and demo/sample.udl (UTF-16LE, as UDL files are) naming it.
set -euo pipefail
cd "$(dirname "$0")/../demo"
rm -f sample.sqlite sample.udl
sqlite3 sample.sqlite < sample.sql
{
  printf '[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n'
  printf 'DRIVER=SQLite3;Database=%s/sample.sqlite\r\n' "$PWD"
} | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > sample.udl

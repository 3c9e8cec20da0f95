#!/usr/bin/env bash
# Makes the demo database of qrt-form from the SQL kept in the repository:
#   scripts/make-demo-db.sh [FILE]      (default: build/demo/kunden.sqlite)
# An existing file is replaced, so the demo always starts from the same data.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=${1:-$root/build/demo/kunden.sqlite}
if ! command -v sqlite3 >/dev/null 2>&1; then
    "$root/scripts/install-deps.sh"
fi
mkdir -p "$(dirname "$target")"
rm -f "$target" "$target-wal" "$target-shm" "$target-journal"
sqlite3 -bail "$target" <"$root/apps/qrt-form/demo/demo.sql"
echo "$target"

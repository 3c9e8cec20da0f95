#!/usr/bin/env bash
# The whole test suite on a fresh machine: packages, build, then every test,
# PostgreSQL included (the tests start and stop their own server).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
cd "$root/build"
ctest --output-on-failure -j 2 "$@"

#!/usr/bin/env bash
# Installs what is missing, configures and builds everything into build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
# A unity build (several sources per compiler run) halves the time of a
# build from scratch, which is what this script mostly does; for editing
# and rebuilding one file, configure a folder of your own without it.
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_UNITY_BUILD=ON >/dev/null
cmake --build "$root/build" -j "$(nproc)"

#!/usr/bin/env bash
# The whole test suite on a fresh machine: packages, build, then every test,
# PostgreSQL included (the tests start and stop their own server). Then the
# same suite once more, built with Clang under AddressSanitizer and
# UndefinedBehaviorSanitizer in build-san/, together with a short run of
# every fuzz target (a plain host cannot link a sanitized library, so the
# install test runs only in the first pass). QRT_SKIP_SANITIZE=1 leaves the second pass out (for a
# quick run by hand; CI never sets it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
status=0
(cd "$root/build" && ctest --output-on-failure -j 2 "$@") || status=$?

if [ "${QRT_SKIP_SANITIZE:-}" = "1" ]; then
    echo "QRT_SKIP_SANITIZE=1: the sanitizer build and the fuzz targets did not run"
    exit $status
fi
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-san" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQRT_SANITIZE=ON -DQRT_BUILD_FUZZ=ON \
    -DQRT_BUILD_BENCH=OFF -DQRT_TEST_INSTALL=OFF -DCMAKE_UNITY_BUILD=ON >/dev/null
cmake --build "$root/build-san" -j "$(nproc)"
(cd "$root/build-san" && ctest --output-on-failure -j 2 "$@") || status=$?
exit $status

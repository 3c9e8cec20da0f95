#!/usr/bin/env bash
# Installs every Debian package that building, testing and running the project
# need. Idempotent: the package lists are refreshed only when something is
# missing, so a second run costs a dpkg query and nothing else.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libsqlite3-dev libqt6sql6-psql libqt6sql6-odbc
    qt6-translations-l10n fonts-dejavu-core
    libgtest-dev googletest
    postgresql libpq-dev
    # a transaction pooler in front of the test server, as many installations have one
    pgbouncer
    # certificates for the tests of encrypted PostgreSQL connections
    openssl
    unixodbc tdsodbc
    sqlite3
    # the Debian package: CPack finds the library's dependencies with file and dpkg-shlibdeps
    file dpkg-dev
    # the sanitizer build and the fuzz targets (libFuzzer), with readable stacks
    clang libclang-rt-dev llvm
    # an X server of its own and real key presses for the test that runs qrt-form on it
    xvfb xdotool
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    "$(dirname "$0")/register-freetds.sh"
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
"$(dirname "$0")/register-freetds.sh"

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
    # a German locale for the test server: money written under German lc_monetary
    locales
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
    # pdftotext: the tests read back the text of the PDF files the form writes
    poppler-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

# After the packages: what they leave for the machine to set up.
finish() {
    "$(dirname "$0")/register-freetds.sh"
    if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
        $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8
    fi
}

if [ ${#missing[@]} -eq 0 ]; then
    finish
    exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
finish

#!/usr/bin/env bash
# The demo: the customer form of the bundled SQLite demo database.
#
#   ./scripts/demo.sh                      opens the Kunden form in data mode
#   ./scripts/demo.sh --screenshot FILE    draws it into FILE instead
#   ./scripts/demo.sh --table Artikel      any other qrt-form option is passed on
#                                          (./scripts/demo.sh --help lists them)
#
# On a fresh Debian 12 machine it first installs the packages it needs, builds
# qrt-form into build/ and makes the demo database build/demo/kunden.sqlite
# (made again whenever demo.sql is newer; delete the file to start over).
# Without a display it says so and draws the form into build/demo/kunden.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j "$(nproc)" --target qrt-form

db="$root/build/demo/kunden.sqlite"
if [ ! -f "$db" ] || [ "$root/apps/qrt-form/demo/demo.sql" -nt "$db" ]; then
    "$root/scripts/make-demo-db.sh" "$db" >/dev/null
fi
form="$root/build/apps/qrt-form/qrt-form"

# The user's options come last, so that theirs win (--db included).
status=0
"$form" --db "$db" "$@" || status=$?
if [ "$status" -ne 3 ]; then
    exit "$status"
fi

# Exit code 3: no display to show the form on. A picture shows what it looks like.
picture="$root/build/demo/kunden.png"
echo "Ohne Bildschirm wird das Formular stattdessen als Bild gezeichnet."
"$form" --db "$db" "$@" --screenshot "$picture"
echo "Bild des Formulars: $picture"

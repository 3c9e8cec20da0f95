#!/usr/bin/env bash
# The library as a host gets it, checked from the outside:
#   check-install.sh SOURCE_DIR BUILD_DIR
# 0. The guide's snippets are the example's code, verbatim.
# 1. `cmake --install` into a scratch prefix: exactly the public headers, each
#    including only installed headers; the library's SONAME; the CMake and
#    pkg-config packages.
# 2. A program built with pkg-config only.
# 3. examples/ configured with find_package(qrt) against the scratch prefix
#    (never the build tree), built warning-free, and run headlessly on the
#    demo database with a scripted save that is then found in the database.
# 4. The Debian package from the same install rules: its file list and the
#    dependencies dpkg-shlibdeps found.
set -euo pipefail
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FEHLER: $*" >&2; exit 1; }

echo "== docs/hosts.md zeigt den Code des Beispiels"
guide=$(cat "$src/docs/hosts.md")
for file in "$src"/examples/*.cpp "$src/examples/CMakeLists.txt"; do
    for mark in $(sed -n 's#^ *\(//\|\#\) \[\([a-z-]*\)\]$#\2#p' "$file" | sort -u); do
        snippet=$(awk -v mark="[$mark]" '
            index($0, mark) && $0 ~ /^ *(\/\/|#) \[/ { inside = !inside; next }
            inside' "$file")
        [[ "$guide" == *"$snippet"* ]] ||
            fail "docs/hosts.md zeigt [$mark] aus $(basename "$file") nicht so, wie es dort steht"
    done
done

echo "== cmake --install"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || {
    cat "$work/install.log"; fail "cmake --install"; }

expected_headers="facade/CKeloFilter.h
facade/CKeloForm.h
facade/CKeloFormWidget.h
facade/FormCheck.h
facade/KeloTypes.h
platform/RecordingMessages.h
platform/UserMessages.h
qrt_export.h"
actual_headers=$(cd "$prefix/include/qrt" && find . -type f | sed 's#^\./##' | LC_ALL=C sort)
[ "$actual_headers" = "$expected_headers" ] ||
    fail "installierte Header weichen ab:"$'\n'"$actual_headers"

# Every header of ours that an installed header includes is installed too.
while IFS= read -r header; do
    while IFS= read -r included; do
        [ -f "$prefix/include/qrt/$included" ] ||
            fail "$header bindet $included ein, das nicht installiert ist"
    done < <(sed -n 's/^#include "\(.*\)"/\1/p' "$prefix/include/qrt/$header")
done <<<"$expected_headers"

libdir=$(dirname "$(find "$prefix" -name 'libqrt.so' | head -n1)")
[ -n "$libdir" ] || fail "libqrt.so fehlt"
soname=$(objdump -p "$libdir/libqrt.so" | awk '$1 == "SONAME" {print $2}')
[ "$soname" = "libqrt.so.0" ] || fail "SONAME ist '$soname', erwartet libqrt.so.0"
[ -f "$libdir/cmake/qrt/qrtConfig.cmake" ] && [ -f "$libdir/cmake/qrt/qrtConfigVersion.cmake" ] ||
    fail "CMake-Paket fehlt"

echo "== pkg-config"
cat >"$work/pc.cpp" <<'CPP'
#include <qrt/facade/CKeloForm.h>
#include <qrt/platform/RecordingMessages.h>
int main()
{
    RecordingMessages messages;
    ScopedUserMessages installed(messages);
    CKeloForm form;
    return form.ShowForm() == -1 && messages.texts().size() == 1 ? 0 : 1;
}
CPP
flags=$(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs qrt)
# Qt's headers want position-independent code in programs, too.
g++ -std=c++17 -fPIC "$work/pc.cpp" -o "$work/pc" $flags -Wl,-rpath,"$libdir"
"$work/pc" || fail "Programm über pkg-config läuft nicht"

echo "== examples/ gegen die Installation"
cmake -S "$src/examples" -B "$work/example" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$work/example-configure.log" || {
    cat "$work/example-configure.log"; fail "examples/ lässt sich nicht konfigurieren"; }
grep -q "qrt_DIR:PATH=$libdir/cmake/qrt" "$work/example/CMakeCache.txt" ||
    fail "examples/ fand qrt nicht im Installationsverzeichnis"
cmake --build "$work/example" -j2 >"$work/example-build.log" 2>&1 || {
    cat "$work/example-build.log"; fail "examples/ lässt sich nicht bauen"; }
if grep -q "warning:" "$work/example-build.log"; then
    cat "$work/example-build.log"; fail "Warnungen beim Bau von examples/"; fi

"$src/scripts/make-demo-db.sh" "$work/kunden.sqlite" >/dev/null
output=$(QT_QPA_PLATFORM=offscreen "$work/example/kundenverwaltung" "$work/kunden.sqlite" Kunden \
    --speichern "Ort=Königswinter") || fail "kundenverwaltung --speichern: $output"
key=${output#gespeichert: }
[ "$key" = "1" ] || fail "unerwartete Ausgabe: $output"
stored=$(sqlite3 "$work/kunden.sqlite" "SELECT Ort FROM Kunden WHERE ID = $key")
[ "$stored" = "Königswinter" ] || fail "gespeichert wurde '$stored'"

echo "== Debian-Paket"
(cd "$work" && cpack -G DEB -B "$work/deb" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log"; fail "cpack"; }
deb=$(find "$work/deb" -maxdepth 1 -name '*.deb' | head -n1)
[ -n "$deb" ] || fail "kein .deb"
files=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's#^\./#/#')
for path in /usr/include/qrt/facade/CKeloFormWidget.h /usr/include/qrt/qrt_export.h \
    /usr/lib/libqrt.so.0 /usr/lib/libqrt.so /usr/lib/cmake/qrt/qrtConfig.cmake \
    /usr/lib/cmake/qrt/qrtTargets.cmake /usr/lib/pkgconfig/qrt.pc; do
    grep -qx "$path" <<<"$files" || fail "$path fehlt im Paket"$'\n'"$files"
done
! grep -q "/usr/include/qrt/runtime/" <<<"$files" || fail "interne Header im Paket"
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqt6sql6 libpq5 qt6-base-dev libqt6sql6-sqlite; do
    grep -q "$package" <<<"$depends" || fail "Depends ohne $package: $depends"
done
echo "OK: $(basename "$deb")"

#!/usr/bin/env bash
# Builds the Debian package in a temporary directory and checks what it
# holds and what it depends on. Needs cmake, g++, dpkg-dev and file.
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(mktemp -d)
trap 'rm -rf "$build"' EXIT
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target quorvalen >/dev/null
if ! output=$(cd "$build" && cpack -G DEB 2>&1); then
    echo "$output"
    exit 1
fi
package=$(ls "$build"/quorvalen_*.deb)

failures=0
check() {  # check DESCRIPTION COMMAND...
    if "${@:2}"; then
        echo "ok: $1"
    else
        echo "FAILED: $1"
        failures=$((failures + 1))
    fi
}
has_line() {  # has_line PATTERN TEXT
    grep -Eq "$1" <<<"$2"
}

binary='^\./usr/bin/quorvalen$'
man_page='^\./usr/share/man/man1/quorvalen\.1(\.gz)?$'
files=$(dpkg-deb -c "$package" | awk '{print $NF}')
others=$(grep -Ev "/\$|$binary|$man_page" <<<"$files" || true)
check "the binary in usr/bin" has_line "$binary" "$files"
check "the manual page in usr/share/man/man1" has_line "$man_page" "$files"
check "no other files" test -z "$others"

version=$(sed -n 's/^project(quorvalen VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
depends=$(dpkg-deb -f "$package" Depends)
check "named quorvalen" test "$(dpkg-deb -f "$package" Package)" = quorvalen
check "version $version" test "$(dpkg-deb -f "$package" Version)" = "$version"
check "depends on the ncurses runtime" has_line 'libncursesw6' "$depends"
check "depends on the terminfo library" has_line 'libtinfo6' "$depends"

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed for $(basename "$package"); it holds:"
    echo "$files"
    exit 1
fi
echo "package $(basename "$package") checked"

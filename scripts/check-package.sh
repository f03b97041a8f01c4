#!/usr/bin/env bash
# Builds the Debian package in a temporary directory and checks what it
# holds, what it depends on, that every version it shows is the project
# version, and that lintian finds no error in it (installing lintian when it
# is missing); as root, also installs and removes it. Needs cmake, g++,
# dpkg-dev, file and man-db.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-missing.sh lintian

build=$(mktemp -d)
trap 'rm -rf "$build"' EXIT
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target quorvalen >/dev/null
if ! output=$(cd "$build" && cpack -G DEB 2>&1); then
    echo "$output"
    exit 1
fi
package=$(ls "$build"/quorvalen_*.deb)
unpacked=$build/unpacked
dpkg-deb -x "$package" "$unpacked"

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
man_page='^\./usr/share/man/man1/quorvalen\.1\.gz$'
copyright='^\./usr/share/doc/quorvalen/copyright$'
changelog='^\./usr/share/doc/quorvalen/changelog\.gz$'
files=$(dpkg-deb -c "$package" | awk '{print $NF}')
others=$(grep -Ev "/\$|$binary|$man_page|$copyright|$changelog" <<<"$files" || true)
check "the binary in usr/bin" has_line "$binary" "$files"
check "the compressed manual page in usr/share/man/man1" has_line "$man_page" "$files"
check "the copyright file in usr/share/doc/quorvalen" has_line "$copyright" "$files"
check "the compressed changelog in usr/share/doc/quorvalen" has_line "$changelog" "$files"
check "no other files" test -z "$others"

version=$(sed -n 's/^project(quorvalen VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
depends=$(dpkg-deb -f "$package" Depends)
check "named quorvalen" test "$(dpkg-deb -f "$package" Package)" = quorvalen
check "version $version" test "$(dpkg-deb -f "$package" Version)" = "$version"
check "depends on the ncurses runtime" has_line 'libncursesw6' "$depends"
check "depends on the terminfo library" has_line 'libtinfo6' "$depends"

# The program, its manual page and the changelog name the same version.
v=${version//./\\.}
usage=$("$unpacked/usr/bin/quorvalen" a b || true)
check "the usage banner says v$version" has_line "^Full screen font editor v$v by " "$usage"
check "the title line says $version" \
    grep -aqF "quorvalen $version - A Full-Screen Console Font Editor" "$unpacked/usr/bin/quorvalen"
check "the manual page says $version" \
    has_line "^\.TH QUORVALEN 1 \"\" \"quorvalen $v\"" \
    "$(zcat "$unpacked/usr/share/man/man1/quorvalen.1.gz")"
check "the newest changelog entry is for $version" \
    has_line "^quorvalen \($v\) " "$(zcat "$unpacked/usr/share/doc/quorvalen/changelog.gz" | head -1)"

# lintian's notice that it runs as root is no finding about the package.
lintian_status=0
lintian_output=$(lintian --fail-on error,warning "$package" 2>&1) || lintian_status=$?
lintian_output=$(grep -v '^running with root privileges' <<<"$lintian_output" || true)
[ -n "$lintian_output" ] && echo "$lintian_output"
check "lintian finds no errors or warnings" test "$lintian_status" -eq 0

# Installing and removing for real, only where that cannot disturb anything:
# as root (as in CI), with no quorvalen package installed already.
if [ "$(id -u)" -eq 0 ] && ! dpkg -s quorvalen >/dev/null 2>&1; then
    trap 'dpkg -r quorvalen >/dev/null 2>&1 || true; rm -rf "$build"' EXIT
    dpkg -i "$package" >/dev/null
    usage=$(/usr/bin/quorvalen a b || true)
    check "installed, it prints its usage" has_line '^Usage: /usr/bin/quorvalen fontfile$' "$usage"
    check "installed, man shows its page" \
        has_line '^ +quorvalen - full-screen editor for bitmap console fonts$' \
        "$(LC_ALL=C man quorvalen 2>/dev/null)"
    dpkg -r quorvalen >/dev/null
    check "removed, no binary is left" test ! -e /usr/bin/quorvalen
    check "removed, no manual page is left" test -z "$(ls /usr/share/man/man1/quorvalen.1* 2>/dev/null)"
    check "removed, no documentation is left" test ! -e /usr/share/doc/quorvalen
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed for $(basename "$package"); it holds:"
    echo "$files"
    exit 1
fi
echo "package $(basename "$package") checked"

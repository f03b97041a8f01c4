#!/usr/bin/env bash
# Builds quorvalen twice (warnings as errors; AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole suite in both, checks the
# Debian package, then fuzzes the font-file readers for a short, bounded time.
# The plain build also runs the editor on the text console of a small
# virtual machine.
# Installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

# Those that build the editor, then those of the tests; console-setup-linux,
# console-data and fonts-spleen bring the real console fonts the tests walk
# through, xfonts-terminus and fonts-spleen the PCF fonts pcf2bdf makes
# real BDF of, and xfonts-utils bdftopcf, which checks the BDF written.
mapfile -t packages <scripts/build-packages
packages+=(clang libclang-rt-dev libgtest-dev libvterm-dev sharutils groff-base dpkg-dev file
           man-db console-setup-linux console-data fonts-spleen xfonts-terminus pcf2bdf xfonts-utils qemu-system-x86 linux-image-amd64 busybox-static lintian)
scripts/install-missing.sh "${packages[@]}"

jobs=$(nproc)
build_and_test() {
    local dir=$1; shift
    cmake -S . -B "$dir" -DQUORVALEN_TESTS=ON -DQUORVALEN_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" -j "$jobs" --output-on-failure
}

echo "== build with warnings as errors"
build_and_test build/test
echo "== build with AddressSanitizer and UndefinedBehaviorSanitizer"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    build_and_test build/sanitize -DQUORVALEN_SANITIZE=ON

echo "== the Debian package"
scripts/check-package.sh

echo "== fuzzing the font-file readers"
cmake -S . -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DQUORVALEN_FUZZ=ON >/dev/null
cmake --build build/fuzz --target fontfile_fuzz -j "$jobs"
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
cp tests/fuzz/corpus/* "$corpus"/
build/fuzz/tests/fuzz/fontfile_fuzz -max_total_time=30 -timeout=10 "$corpus"
echo "all tests passed"

#!/usr/bin/env bash
# scripts/run.sh [FONTFILE]: builds quorvalen, installing the Debian packages
# the build needs that are missing (scripts/build-packages), and starts it
# with the arguments given, in the directory it was called from.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mapfile -t packages <"$root/scripts/build-packages"
"$root/scripts/install-missing.sh" "${packages[@]}"

echo "building quorvalen in $root/build/run" >&2
cmake -S "$root" -B "$root/build/run" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/run" -j "$(nproc)" --target quorvalen >/dev/null
exec "$root/build/run/quorvalen" "$@"

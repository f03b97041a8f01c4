#!/usr/bin/env bash
# Builds quorvalen and its benchmark in Release mode and runs the benchmark.
# Arguments go to the benchmark (--show-bytes prints what each command sent).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DQUORVALEN_BENCH=ON >/dev/null
cmake --build build/bench -j "$(nproc)" --target quorvalen_bench >/dev/null
build/bench/bench/quorvalen_bench "$@"

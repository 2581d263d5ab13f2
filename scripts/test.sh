#!/usr/bin/env bash
# Builds and runs the whole test suite twice: plain (together with VORDEX.dll, cross-built for
# 32-bit Windows and tested under Wine against the native results), and under AddressSanitizer
# and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --windows
jobs="$(nproc)"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVORDEX_BUILD_TESTS=ON -DVORDEX_WINDOWS_DLL=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORDEX_SANITIZE=ON \
  -DVORDEX_BUILD_BENCH=OFF >/dev/null
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

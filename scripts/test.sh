#!/usr/bin/env bash
# Builds and runs the whole test suite twice: plain (together with VORDEX.dll, cross-built for
# 32-bit Windows and tested under Wine against the native results), and under AddressSanitizer
# and UndefinedBehaviorSanitizer; then the thread tests under ThreadSanitizer, and each fuzz
# target for a short bounded time. On a machine that cannot run 32-bit Windows programs under Wine
# the Wine tests are reported as skipped, and the reason is printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --windows --fuzz
jobs="$(nproc)"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVORDEX_BUILD_TESTS=ON -DVORDEX_WINDOWS_DLL=ON >/dev/null
cmake --build build -j"$jobs"
wine_probe=build/windows/wine-probe.txt
rm -f "$wine_probe"
# The Python tests (label python) run below against the installed package instead.
ctest --test-dir build --output-on-failure -j"$jobs" -LE python
bash scripts/test-python.sh
if [ -f "$wine_probe" ] && [ "$(cat "$wine_probe")" != ok ]; then
  wine_skip="Wine tests skipped: this machine cannot run a 32-bit Windows program under Wine: $(cat "$wine_probe")"
  echo "$wine_skip"
fi

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORDEX_SANITIZE=ON \
  -DVORDEX_BUILD_BENCH=OFF -DVORDEX_BUILD_PYTHON=OFF >/dev/null
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

# The thread tests (label threads) under ThreadSanitizer: only their program is built.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORDEX_SANITIZE_THREAD=ON \
  -DVORDEX_BUILD_BENCH=OFF -DVORDEX_BUILD_CLI=OFF -DVORDEX_BUILD_PYTHON=OFF >/dev/null
cmake --build build-tsan -j"$jobs" --target vordex_tests_threads
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build-tsan -L threads --output-on-failure -j"$jobs"

# Each fuzz target with clang's libFuzzer, ASan and UBSan: its committed corpus replayed, then a
# fixed number of inputs from a fixed seed (VORDEX_FUZZ_RUNS, VORDEX_FUZZ_SEED in
# fuzz/CMakeLists.txt), so that the same commit gives the same result; a crash, a hang or a broken
# promise of the exports fails the run. Random fuzzing for hours is fuzz/run_long.sh's.
clang_cxx="$(command -v clang++-14 || command -v clang++ || true)"
if [ -n "$clang_cxx" ]; then
  cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER="$clang_cxx" -DCMAKE_BUILD_TYPE=Release \
    -DVORDEX_FUZZ=ON -DVORDEX_BUILD_TESTS=OFF -DVORDEX_BUILD_BENCH=OFF -DVORDEX_BUILD_CLI=OFF \
    -DVORDEX_BUILD_PYTHON=OFF >/dev/null
  cmake --build build-fuzz -j"$jobs"
  ctest --test-dir build-fuzz -L fuzz --output-on-failure -j"$jobs"
else
  echo "Fuzz targets skipped: clang is not installed"
fi

[ -z "${wine_skip:-}" ] || echo "$wine_skip"

#!/usr/bin/env bash
# A long fuzzing run of the three export targets (or those named), one after the other (one
# fuzzing process at a time, at the lowest priority), each for RUNS executions (default 10
# million), or for at most SECONDS when that is given and not 0.
#   bash fuzz/run_long.sh [RUNS [SECONDS [TARGET...]]]
# Builds the targets in build-fuzz-long/ and writes each target's log to
# build-fuzz-long/long-run/<target>.log, keeping its corpus in build-fuzz-long/long-run/corpus/.
# A log's last "#N ... cov: C ft: F" line gives the executions, coverage (edges) and features so
# far; its "stat::" lines, written at the end, the final figures. Crash, timeout and
# out-of-memory inputs go to build-fuzz-long/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-10000000}"
seconds="${2:-0}"
clang_cxx="$(command -v clang++-14 || command -v clang++)"
cmake -S . -B build-fuzz-long -DCMAKE_CXX_COMPILER="$clang_cxx" -DCMAKE_BUILD_TYPE=Release \
  -DVORDEX_FUZZ=ON -DVORDEX_BUILD_TESTS=OFF -DVORDEX_BUILD_BENCH=OFF -DVORDEX_BUILD_CLI=OFF >/dev/null
targets=(arima_export pegels_export armax_export)
[ "$#" -le 2 ] || targets=("${@:3}")
cmake --build build-fuzz-long -j2 --target "${targets[@]/#/vordex_fuzz_}"
out=build-fuzz-long/long-run
for t in "${targets[@]}"; do
  mkdir -p "$out/corpus/$t"
  read -r -a flags <"build-fuzz-long/fuzz/$t.flags"
  if ASAN_OPTIONS=allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
    nice -n 19 "build-fuzz-long/fuzz/vordex_fuzz_$t" "${flags[@]}" -runs="$runs" -max_total_time="$seconds" \
    "$out/corpus/$t" "fuzz/corpus/$t" >"$out/$t.log" 2>&1; then
    echo "$t: $(grep -h 'stat::number_of_executed_units' "$out/$t.log")"
  else
    echo "$t: stopped on a finding, see $out/$t.log"
  fi
done

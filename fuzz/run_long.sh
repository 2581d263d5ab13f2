#!/usr/bin/env bash
# Long, random fuzzing, outside the tests (whose fuzz gates replay the committed corpus and run a
# fixed number of inputs from a fixed seed): the three export targets (or those named), one after
# the other (one fuzzing process at a time, at the lowest priority), each for RUNS executions
# (default 10 million), or for at most SECONDS when that is given and not 0, from a seed libFuzzer
# draws.
#   bash fuzz/run_long.sh [RUNS [SECONDS [TARGET...]]]
# Builds the targets in build-fuzz-long/ and writes each target's log to
# build-fuzz-long/long-run/<target>.log, keeping its corpus in build-fuzz-long/long-run/corpus/.
# A log's last "#N ... cov: C ft: F" line gives the executions, coverage (edges) and features so
# far; its "stat::" lines, written at the end, the final figures. Crash, timeout and
# out-of-memory inputs go to build-fuzz-long/fuzz/artifacts/.
#
# Then each corpus is replayed by the same target built without instrumentation (fuzz/replay, in
# build-fuzz-replay/), which names every input that takes more than LIMIT seconds of processor
# time (default 1): the instrumented build runs ten or more times slower, so its timeout catches
# only hangs.
#
# A finding, once mended, goes to fuzz/corpus/<target>/ (minimised: for a crash
# `vordex_fuzz_<target> -minimize_crash=1 -runs=100000 FILE`), with a test of its own in the
# room it concerns; the fuzz gates replay that corpus from then on.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-10000000}"
seconds="${2:-0}"
limit="${LIMIT:-1}"
clang_cxx="$(command -v clang++-14 || command -v clang++)"
cmake -S . -B build-fuzz-long -DCMAKE_CXX_COMPILER="$clang_cxx" -DCMAKE_BUILD_TYPE=Release \
  -DVORDEX_FUZZ=ON -DVORDEX_BUILD_TESTS=OFF -DVORDEX_BUILD_BENCH=OFF -DVORDEX_BUILD_CLI=OFF >/dev/null
cmake -S fuzz/replay -B build-fuzz-replay -DCMAKE_BUILD_TYPE=Release >/dev/null
targets=(arima_export pegels_export armax_export)
[ "$#" -le 2 ] || targets=("${@:3}")
cmake --build build-fuzz-long -j2 --target "${targets[@]/#/vordex_fuzz_}"
cmake --build build-fuzz-replay -j2 --target "${targets[@]/#/vordex_replay_}"
out=build-fuzz-long/long-run
status=0
for t in "${targets[@]}"; do
  mkdir -p "$out/corpus/$t"
  read -r -a flags <"build-fuzz-long/fuzz/$t.flags"
  if ASAN_OPTIONS=allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
    nice -n 19 "build-fuzz-long/fuzz/vordex_fuzz_$t" "${flags[@]}" -runs="$runs" -max_total_time="$seconds" \
    "$out/corpus/$t" "fuzz/corpus/$t" >"$out/$t.log" 2>&1; then
    echo "$t: $(grep -h 'stat::number_of_executed_units' "$out/$t.log")"
  else
    echo "$t: stopped on a finding, see $out/$t.log"
    status=1
  fi
  if ! nice -n 19 "build-fuzz-replay/vordex_replay_$t" -limit="$limit" "$out/corpus/$t" "fuzz/corpus/$t" \
    >"$out/$t.replay.log" 2>&1; then
    echo "$t: inputs over $limit s without instrumentation, see $out/$t.replay.log"
    status=1
  fi
done
exit "$status"

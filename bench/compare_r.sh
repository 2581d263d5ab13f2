#!/usr/bin/env bash
# Times VORDEX and R's forecast package on the same fits, in one run on this machine, and writes
# the table to bench/results/compare_r.md (raw figures in bench/results/compare_r.tsv).
#
#   bash bench/compare_r.sh [--before FILE.tsv] [--calls N] [--tree DIR] [--out NAME]
#
# --before adds the figures of an earlier run (its compare_r.tsv) as a "before" column.
# Each figure is the median of N calls (default 5) after one untimed call; R's and ours are
# timed fit by fit, one right after the other.
# --tree times the library of another source tree (an earlier commit, say), built in
# DIR/build-compare; --out names the result files (default compare_r).
#
# Fits (the same series for both sides; CSV columns under a header):
#   - the airline model: log(airline), ARIMA(0,1,1)(0,1,1)12;
#   - each series of data/ with (0,1,1), (2,1,1) and (1,0,1)(1,0,0)s with a mean; for the annual
#     series (s = 1) the third is (1,0,1) with a mean;
#   - a simulated ARIMA(2,1,2) at n = 250, 500 and 1000 (one series, generated once);
#   - automatic smoothing (all forms, likelihood criterion, 5000 paths) with heuristic (method 1)
#     and with estimated (method 2) initial states, on each series of data/, through Pegelsdll
#     (one thread) and through the typed API with the candidates on two threads.
# Every ARIMA fit is also timed through Armaxdll (same orders; its constant for the mean).
#
# R comes from Debian (r-base-core, r-cran-forecast) and is installed here when missing; this
# needs root or sudo. Our side is bench/compare_r/timing.cpp, built in build-compare/.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
tree=$root
results=$here/results
calls=5
before=""
out=compare_r
while [ $# -gt 0 ]; do
  case "$1" in
    --before) before=$(realpath "$2"); shift 2 ;;
    --calls) calls=$2; shift 2 ;;
    --tree) tree=$(realpath "$2"); shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "usage: $0 [--before FILE.tsv] [--calls N] [--tree DIR] [--out NAME]" >&2; exit 2 ;;
  esac
done
build=$tree/build-compare

if ! Rscript -e 'suppressPackageStartupMessages(library(forecast))' >/dev/null 2>&1; then
  echo "Installing R and the forecast package from Debian..."
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends \
    r-base-core r-cran-forecast >/dev/null
fi

cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVORDEX_BUILD_TESTS=OFF \
  -DVORDEX_BUILD_CLI=OFF -DVORDEX_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target vordex_timing -j2 >/dev/null
timing=$build/bench/vordex_timing

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# id method file s p d q P D Q mean transform h init
fits=$work/fits.tsv
printf 'id\tmethod\tfile\ts\tp\td\tq\tP\tD\tQ\tmean\ttransform\th\tinit\n' >"$fits"
arima() {  # id file s p d q P D Q mean transform h
  printf '%s\tarima\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t1\n' "$@" >>"$fits"
  printf 'armax:%s\tarmax\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t1\n' "$@" >>"$fits"
}
ets() {  # id file s h init
  printf '%s\tets\t%s\t%s\t0\t0\t0\t0\t0\t0\t0\tnone\t%s\t%s\n' "$@" >>"$fits"
}

data=$root/data
arima "airline(0,1,1)(0,1,1)12,log" "$data/airline.csv" 12 0 1 1 0 1 1 0 log 24
for entry in airline:12:24 lynx:1:10 nile:1:10 ukgas:4:8 usaccdeaths:12:24; do
  IFS=: read -r name s h <<<"$entry"
  file=$data/$name.csv
  arima "$name(0,1,1)" "$file" "$s" 0 1 1 0 0 0 0 none "$h"
  arima "$name(2,1,1)" "$file" "$s" 2 1 1 0 0 0 0 none "$h"
  if [ "$s" -gt 1 ]; then
    arima "$name(1,0,1)(1,0,0)$s,mean" "$file" "$s" 1 0 1 1 0 0 1 none "$h"
  else
    arima "$name(1,0,1),mean" "$file" "$s" 1 0 1 0 0 0 1 none "$h"
  fi
done
"$timing" simulate 1000 20240601 >"$work/simulated.csv"
for n in 250 500 1000; do
  head -n $((n + 1)) "$work/simulated.csv" >"$work/simulated$n.csv"
  arima "simulated$n(2,1,2)" "$work/simulated$n.csv" 1 2 1 2 0 0 0 0 none 24
done
for entry in airline:12:24 lynx:1:10 nile:1:10 ukgas:4:8 usaccdeaths:12:24; do
  IFS=: read -r name s h <<<"$entry"
  for init in 1 2; do
    label=$([ $init -eq 1 ] && echo heuristic || echo estimated)
    ets "ets:$name,$label" "$data/$name.csv" "$s" "$h" $init
    # The same search through the typed API with its candidates on two threads.
    printf 'threads2:ets:%s,%s\tets2\t%s\t%s\t0\t0\t0\t0\t0\t0\t0\tnone\t%s\t%s\n' \
      "$name" "$label" "$data/$name.csv" "$s" "$h" $init >>"$fits"
  done
done

echo "Timing R and VORDEX, fit by fit ($calls calls each)..." >&2
Rscript "$here/compare_r/fits.R" "$fits" "$calls" "$timing" "$work/ours.tsv" "$work/r.tsv"

mkdir -p "$results"
Rscript "$here/compare_r/table.R" "$fits" "$work/ours.tsv" "$work/r.tsv" "${before:-none}" \
  "$results/$out.tsv" "$results/$out.md"
cat "$results/$out.md"

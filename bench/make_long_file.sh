#!/usr/bin/env bash
# Writes a long-format file of many monthly series for measuring `vordex batch` on large
# inputs: SERIES series (default 100000) of LENGTH observations (default 100) from 2000-01, each
# a trend, a yearly season and noise, as id,time,value; with --interleaved the rows of the series
# are mixed (time by time) instead of series by series.
#
#   bash bench/make_long_file.sh [--interleaved] [SERIES [LENGTH]] > long.csv
#   /usr/bin/time -v build/cli/vordex batch arima --order 0,1,1 --seasonal 0,0,0 long.csv \
#     --summary summary.csv > forecasts.csv
set -euo pipefail
interleaved=0
if [ "${1:-}" = "--interleaved" ]; then
  interleaved=1
  shift
fi
series="${1:-100000}"
length="${2:-100}"
awk -v series="$series" -v length_="$length" -v interleaved="$interleaved" '
function row(s, t,    month, value) {
  month = t % 12
  value = 100 + s % 50 + 0.3 * t + 10 * sin(6.283185307179586 * month / 12) + 5 * rand()
  printf "s%06d,%04d-%02d,%.2f\n", s, 2000 + int(t / 12), month + 1, value
}
BEGIN {
  srand(1)
  print "id,time,value"
  if (interleaved) {
    for (t = 0; t < length_; ++t) for (s = 1; s <= series; ++s) row(s, t)
  } else {
    for (s = 1; s <= series; ++s) for (t = 0; t < length_; ++t) row(s, t)
  }
}'

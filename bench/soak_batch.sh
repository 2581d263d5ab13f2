#!/usr/bin/env bash
# Soak run of `vordex batch auto` over many generated series, some of them bad, sampling the
# process's resident memory as it runs. Not part of the test suite: 100,000 series take hours on
# two cores.
#
#   bash bench/soak_batch.sh [VORDEX] [SERIES] [INTERVAL]  (defaults: build/cli/vordex 100000 5)
#
# The series are monthly, 48 to 96 observations from 2000-01, trend, season and noise, their rows
# interleaved in blocks of 100 series (so that the file is indexed). One series in every 500 of
# each kind is bad:
#   k = 1  every value missing          -> invalid_data (the input holds no observation)
#   k = 2  a month left out             -> invalid_data (a gap in the times)
#   k = 3  an infinite value            -> refused by the method
#   k = 4  three observations           -> the short-series fallback (a warning: fitted)
# Checks that the run ends with status 3 (some failed), that every id has exactly one summary
# line with the status its kind calls for, and prints the resident memory every INTERVAL seconds
# (also written to rss.tsv in the working folder SOAK_DIR, default a temporary one).
set -euo pipefail
vordex="$(realpath "${1:-build/cli/vordex}")"
series="${2:-100000}"
interval="${3:-5}"
dir="${SOAK_DIR:-$(mktemp -d)}"
mkdir -p "$dir"
cd "$dir"

awk -v series="$series" '
function row(s, t, y) { printf "s%06d,%04d-%02d,%s\n", s, 2000 + int(t / 12), t % 12 + 1, y }
BEGIN {
  srand(7)
  print "id,time,value"
  for (first = 1; first <= series; first += 100) {
    last = first + 99 > series ? series : first + 99
    for (t = 0; t < 96; ++t) {
      for (s = first; s <= last; ++s) {
        kind = s % 500
        n = kind == 4 ? 3 : 48 + s % 49
        if (t >= n || (kind == 2 && t == 5)) continue
        y = sprintf("%.2f", 100 + s % 50 + 0.3 * t + 10 * sin(6.283185307179586 * t / 12) + 5 * rand())
        if (kind == 1) y = "NA"
        if (kind == 3 && t == 7) y = "inf"
        row(s, t, y)
      }
    }
  }
}' > in.csv

start=$(date +%s)
nice -n 10 "$vordex" batch auto in.csv --horizon 12 --output forecasts.csv --summary summary.csv \
  2> err.txt &
pid=$!
# The forecasts written so far (a 64 KiB buffer behind) tell how far the run is; the processor
# seconds it used, what it would take on an idle machine.
ticks=$(getconf CLK_TCK)
echo -e "seconds\trss_kib\tcpu_seconds\tforecast_bytes" > rss.tsv
while kill -0 "$pid" 2> /dev/null; do
  rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status" 2> /dev/null || true)
  cpu=$(awk -v t="$ticks" '{ print int(($14 + $15) / t) }' "/proc/$pid/stat" 2> /dev/null || true)
  done_bytes=$(cat .forecasts.csv.partial-* 2> /dev/null | wc -c || true)
  [ -n "$rss" ] && echo -e "$(($(date +%s) - start))\t$rss\t$cpu\t$done_bytes" | tee -a rss.tsv
  sleep "$interval"
done
status=0
wait "$pid" || status=$?
echo "exit status $status after $(($(date +%s) - start)) s; $(tail -1 err.txt)"

# Every id once, with the status of its kind.
awk -F, -v series="$series" -v status="$status" '
NR == 1 { next }
{
  id = $1; s = substr(id, 2) + 0; seen[id]++
  kind = s % 500
  want = kind == 1 || kind == 2 ? "invalid_data" : kind == 3 ? "" : kind == 4 ? "fallback" : "ok"
  if (kind == 3 && ($2 == "ok" || $2 == "fallback")) { print "not refused: " $0; bad++ }
  if (want != "" && $2 != want) { print "status " $2 " for " id " (want " want ")"; bad++ }
  count[$2]++
}
END {
  for (s = 1; s <= series; ++s) if (seen[sprintf("s%06d", s)] != 1) { missing++ }
  for (st in count) print st ": " count[st]
  print "ids without exactly one line: " missing + 0
  if (status != 3) { print "exit status " status ", want 3"; bad++ }
  exit bad + missing > 0
}' summary.csv

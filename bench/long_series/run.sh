#!/usr/bin/env bash
# The long-series benchmark: the same simulated series fitted by R's forecast package and by the
# command-line tool, in one run, one fit after the other, and the table written to
# bench/results/long_series.md.
#
#   bash bench/long_series/run.sh [BUILD_DIR]
#
# Fits: ARIMA(2,1,2) by exact maximum likelihood at 5,000 and 50,000 values (R: Arima(method =
# "ML")), automatic smoothing at 100,000 values (R: ets(), every form its default search allows,
# by AICc, parameters in [1e-4, 0.9999]; ours: `vordex ets --auto` with those bounds), and ours
# only, the automatic combination at 100,000.
# Seconds are processor seconds (user + system): R's of the fit alone, ours of the whole command
# (reading the file and writing the forecasts included; for the ARIMA fits the mean of five
# runs) and, for the ARIMA fits, of the fit alone in-process as well. Each side's model is
# named; the smoothing searches may choose different ones, and their log-likelihoods then
# compare the two choices. R's ets() reports the log-likelihood without its constants,
# -n/2 log(SSE); the table adds them back, n/2 (log n - log 2 pi - 1), for the Gaussian
# log-likelihood at sigma2 = SSE/n that ours reports.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
tool=$build/cli/vordex
[ -x "$tool" ] && [ -d "$build/python/vordex" ] || { echo "no $tool or $build/python/vordex: build the project first" >&2; exit 1; }
command -v Rscript >/dev/null || { echo "Rscript is needed (r-base-core, r-cran-forecast)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

Rscript "$here/simulate.R" "$work"
Rscript "$here/fits.R" "$work" >"$work/r.tsv"

ours() {  # name, repeats, file, arguments...: the mean processor seconds of the whole command
  local name=$1 repeats=$2 file=$3
  shift 3
  local TIMEFORMAT='%3U %3S' total=0 seconds
  for _ in $(seq "$repeats"); do
    seconds=$( { time "$tool" "$1" "$file" "${@:2}" --horizon 24 --format json \
      >"$work/$name.json"; } 2>&1 | tail -1 | awk '{print $1 + $2}')
    total=$(awk -v a="$total" -v b="$seconds" 'BEGIN {print a + b}')
  done
  local described
  described=$(/usr/bin/python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); m=d.get("model"); print("%r\t%s" % (d.get("statistics", {}).get("log_likelihood", float("nan")), m.get("model", "-") if isinstance(m, dict) else "ARIMA(2,1,2)" if sys.argv[2].startswith("arima") else "-"))' "$work/$name.json" "$name")
  printf '%s\t%s\t%s\n' "$name" "$(awk -v a="$total" -v n="$repeats" 'BEGIN {print a / n}')" "$described"
}
{
  for n in 5000 50000; do
    ours "arima212_$n" 5 "$work/arima212_$n.csv" arima --order 2,1,2 --seasonal 0,0,0 --period 1 \
      --transform none
  done
  ours ets_100000 1 "$work/arima212_100000.csv" ets --auto --bounds 0.0001 0.9999
  ours auto_100000 1 "$work/arima212_100000.csv" auto --period 1
  # The ARIMA fits alone, in-process through the Python package, as R's are timed (the mean of ten
  # at 5,000 values, of five at 50,000), beside the whole command's time above.
  PYTHONPATH="$build/python" /usr/bin/python3 - "$work" <<'PY'
import sys, time
import pandas as pd
import vordex
for n, repeats in ((5000, 10), (50000, 5)):
    y = pd.read_csv(f"{sys.argv[1]}/arima212_{n}.csv")["y"].to_numpy(float)
    fit = lambda: vordex.arima(y, order=(2, 1, 2), seasonal=(0, 0, 0), period=1, transform="none",
                               horizon=24)
    r = fit()
    start = time.process_time()
    for _ in range(repeats):
        fit()
    print("arima212fit_%d\t%.6f\t%r\tARIMA(2,1,2)" % (n, (time.process_time() - start) / repeats,
                                                   r.log_likelihood))
PY
} >"$work/ours.tsv"

/usr/bin/python3 - "$work/r.tsv" "$work/ours.tsv" >"$root/bench/results/long_series.md" <<'EOF'
import math
import sys
def read(path):
    rows = {}
    for line in open(path):
        name, seconds, loglik, model = line.rstrip("\n").split("\t")
        rows[name] = (float(seconds), float(loglik), model)
    return rows
r, ours = read(sys.argv[1]), read(sys.argv[2])
print("| fit | values | R (s) | VORDEX (s) | R / VORDEX | model, R / VORDEX | log-likelihood R |"
      " VORDEX - R |")
print("|---|---:|---:|---:|---:|---|---:|---:|")
for name, (seconds, loglik, model) in ours.items():
    kind, n = name.rsplit("_", 1)
    label = {"arima212": "ARIMA(2,1,2), exact ML", "ets": "automatic smoothing (AICc)",
             "auto": "automatic combination",
             "arima212fit": "ARIMA(2,1,2), exact ML, the fit alone"}[kind]
    theirs = name.replace("arima212fit", "arima212")
    if theirs in r:
        rs, rl, rm = r[theirs]
        if kind == "ets":
            rl += int(n) / 2 * (math.log(int(n)) - math.log(2 * math.pi) - 1)
        models = rm if rm == model else f"{rm} / {model}"
        print(f"| {label} | {int(n):,} | {rs:.3f} | {seconds:.3f} | {rs / max(seconds, 0.001):.1f}x"
              f" | {models} | {rl:.6f} | {loglik - rl:+.2e} |")
    else:
        print(f"| {label} | {int(n):,} | - | {seconds:.3f} | - | {model} | - | - |")
EOF
cat "$root/bench/results/long_series.md"

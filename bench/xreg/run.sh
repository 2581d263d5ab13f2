#!/usr/bin/env bash
# The regression benchmark: automatic ARIMA with regressors by R's forecast package and by the
# command-line tool, in one run, and the table written to bench/results/xreg.md.
#
#   bash bench/xreg/run.sh [BUILD_DIR]
#
# R's auto.arima(xreg =) runs twice: with its default search, which ranks the candidates by
# conditional sums of squares when the series has more than 150 values and fits only the chosen
# one exactly, and with approximation = FALSE, the exact search that ours makes. Seconds are
# processor seconds: R's of the fit alone, ours of the whole command.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
tool=$build/cli/vordex
[ -x "$tool" ] || { echo "no $tool: build the project first" >&2; exit 1; }
command -v Rscript >/dev/null || { echo "Rscript is needed (r-base-core, r-cran-forecast)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

Rscript "$here/fits.R" "$work" >"$work/r.tsv"

ours() {  # name, file, ahead, column, regressors, period
  local seconds
  seconds=$( { /usr/bin/time -f '%U %S' "$tool" auto-arima "$2" --column "$4" --xreg "$5" \
    --future "$3" --period "$6" --transform none --format json >"$work/$1.json"; } 2>&1 |
    tail -1 | awk '{print $1 + $2}')
  /usr/bin/python3 -c 'import json,sys; j=json.load(open(sys.argv[1])); print("%s\t%s\t%.6f\t%s" % (sys.argv[2], j["model"]["model"], j["statistics"]["aicc"], sys.argv[3]))' \
    "$work/$1.json" "$1" "$seconds"
}
{
  ours lake "$work/lake.csv" "$work/lake_ahead.csv" level time 1
  ours belts_log "$work/belts.csv" "$work/belts_ahead.csv" log_drivers law,PetrolPrice 12
  ours belts_raw "$work/belts.csv" "$work/belts_ahead.csv" drivers law,PetrolPrice 12
} >"$work/ours.tsv"

/usr/bin/python3 - "$work/r.tsv" "$work/ours.tsv" >"$root/bench/results/xreg.md" <<'PY'
import sys
r = {}
for line in open(sys.argv[1]):
    name, search, model, aicc, seconds = line.rstrip("\n").split("\t")
    r[name, search] = (model, float(aicc), float(seconds))
print("| series | R default: model, AICc, s | R exact search: model, AICc, s | VORDEX: model, AICc, s | vs default | vs exact |")
print("|---|---|---|---|---|---|")
for line in open(sys.argv[2]):
    name, model, aicc, seconds = line.rstrip("\n").split("\t")
    d, e = r[name, "default"], r[name, "exact"]
    s = max(float(seconds), 0.01)
    cell = lambda m: "%s, %.3f, %.2f" % (m[0].replace("Regression with ", "").replace(" errors", ""), m[1], m[2])
    print("| %s | %s | %s | %s | %.1fx | %.1fx |" % (name, cell(d), cell(e), cell((model, float(aicc), s)), d[2] / s, e[2] / s))
PY
cat "$root/bench/results/xreg.md"

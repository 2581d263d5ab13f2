#!/usr/bin/env bash
# The regression benchmark: automatic ARIMA with regressors by R's forecast package and by the
# command-line tool, in one run, and the table written to bench/results/xreg.md.
#
#   bash bench/xreg/run.sh [BUILD_DIR]
#
# R's auto.arima(xreg =) runs twice: with its default search, which ranks the candidates by
# conditional sums of squares when the series has more than 150 values and fits only the chosen
# one exactly, and with approximation = FALSE, the exact search. Ours runs the same two, each
# candidate from one start as R's (--single-start: our default re-estimates the three best from
# several starts as well): with --approximation where R's default approximates, and without.
# Seconds are processor seconds: R's of the fit alone, ours of the whole command (the mean of ten
# runs).
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

ours() {  # name, search, file, ahead, column, regressors, period, options...
  local command=("$tool" auto-arima "$3" --column "$5" --xreg "$6" --future "$4" --period "$7"
    --transform none --format json --single-start "${@:8}")
  "${command[@]}" >"$work/$1.json" 2>/dev/null
  # Ten runs, for a time finer than the hundredths that `time` counts.
  local seconds
  seconds=$( { /usr/bin/time -f '%U %S' bash -c 'for i in 1 2 3 4 5 6 7 8 9 10; do "$@" >/dev/null 2>&1; done' _ "${command[@]}"; } 2>&1 |
    tail -1 | awk '{print ($1 + $2) / 10}')
  /usr/bin/python3 -c 'import json,sys; j=json.load(open(sys.argv[1])); print("%s\t%s\t%s\t%.6f\t%s" % (sys.argv[2], sys.argv[3], j["model"]["model"], j["statistics"]["aicc"], sys.argv[4]))' \
    "$work/$1.json" "$1" "$2" "$seconds"
}
{
  ours lake default "$work/lake.csv" "$work/lake_ahead.csv" level time 1  # 98 values: exact
  ours lake exact "$work/lake.csv" "$work/lake_ahead.csv" level time 1
  for search in default exact; do
    option=()
    [ "$search" = default ] && option=(--approximation)  # 192 values
    ours belts_log "$search" "$work/belts.csv" "$work/belts_ahead.csv" log_drivers law,PetrolPrice 12 "${option[@]}"
    ours belts_raw "$search" "$work/belts.csv" "$work/belts_ahead.csv" drivers law,PetrolPrice 12 "${option[@]}"
  done
} >"$work/ours.tsv"

/usr/bin/python3 - "$work/r.tsv" "$work/ours.tsv" >"$root/bench/results/xreg.md" <<'PY'
import sys
r = {}
for line in open(sys.argv[1]):
    name, search, model, aicc, seconds = line.rstrip("\n").split("\t")
    r[name, search] = (model, float(aicc), float(seconds))
print("| series | search | R: model, AICc, s | VORDEX: model, AICc, s | ratio |")
print("|---|---|---|---|---|")
rows = {}
for line in open(sys.argv[2]):
    name, search, model, aicc, seconds = line.rstrip("\n").split("\t")
    rows[name, search] = (model, float(aicc), max(float(seconds), 0.001))
cell = lambda m: "%s, %.3f, %.3f" % (m[0].replace("Regression with ", "").replace(" errors", ""), m[1], m[2])
for name in ("lake", "belts_log", "belts_raw"):
    for search in ("default", "exact"):
        theirs, ours = r[name, search], rows[name, search]
        print("| %s | %s | %s | %s | %.1fx |" % (name, search, cell(theirs), cell(ours), theirs[2] / ours[2]))
PY
cat "$root/bench/results/xreg.md"

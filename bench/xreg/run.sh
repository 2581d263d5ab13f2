#!/usr/bin/env bash
# The regression benchmark: automatic ARIMA with regressors by R's forecast package and by the
# command-line tool, in one run, and the table written to bench/results/xreg.md.
#
#   bash bench/xreg/run.sh [BUILD_DIR]
#
# R's auto.arima(xreg =) runs twice: with its default search, which ranks the candidates by
# conditional sums of squares when the series has more than 150 values and fits only the chosen
# one exactly, and with approximation = FALSE, the exact search. Ours runs the same two, each
# candidate from one start as R's (thorough=False: our default re-estimates the three best from
# several starts as well), with the approximation where R's default approximates. Seconds are
# processor seconds of the fit alone on both sides (ours: the mean of ten, in-process through the
# Python package; R's: one, after a first search that loads its code).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
[ -d "$build/python/vordex" ] || { echo "no $build/python/vordex: build the project first" >&2; exit 1; }
command -v Rscript >/dev/null || { echo "Rscript is needed (r-base-core, r-cran-forecast)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

Rscript "$here/fits.R" "$work" >"$work/r.tsv"

# Ours in-process through the Python package, as R's are timed: the fit alone, the mean of ten.
PYTHONPATH="$build/python" /usr/bin/python3 - "$work" >"$work/ours.tsv" <<'PY'
import sys, time
import numpy as np, pandas as pd
import vordex
work = sys.argv[1]
def case(name, search, data, ahead, column, regressors, period):
    d, f = pd.read_csv(f"{work}/{data}"), pd.read_csv(f"{work}/{ahead}")
    # The inputs are made before the clock starts, as R's are.
    y, X, Xf = d[column].to_numpy(float), d[regressors].astype(float), f[regressors].astype(float)
    fit = lambda: vordex.auto_arima(
        y, period=period, horizon=len(f), transform="none", xreg=X, future_xreg=Xf,
        thorough=False, approximation=search == "default" and len(d) > 150)
    r = fit()
    start = time.process_time()
    for _ in range(10):
        fit()
    print("%s\t%s\t%s\t%.6f\t%.4f" % (name, search, r.model, r.aicc, (time.process_time() - start) / 10))
for search in ("default", "exact"):
    case("lake", search, "lake.csv", "lake_ahead.csv", "level", ["time"], 1)
    case("belts_log", search, "belts.csv", "belts_ahead.csv", "log_drivers", ["law", "PetrolPrice"], 12)
    case("belts_raw", search, "belts.csv", "belts_ahead.csv", "drivers", ["law", "PetrolPrice"], 12)
PY

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
cell = lambda m: "%s, %.3f, %.4f" % (m[0].replace("Regression with ", "").replace(" errors", ""), m[1], m[2])
for name in ("lake", "belts_log", "belts_raw"):
    for search in ("default", "exact"):
        theirs, ours = r[name, search], rows[name, search]
        print("| %s | %s | %s | %s | %.1fx |" % (name, search, cell(theirs), cell(ours), theirs[2] / ours[2]))
PY
cat "$root/bench/results/xreg.md"

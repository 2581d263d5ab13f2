#!/usr/bin/env bash
# The M1 hold-out comparison of VORDEX's methods with R's forecast package.
#
#   bash bench/m1.sh DATA_DIR [--rerun-r [METHODS]] [--csv-dir DIR]
#
# DATA_DIR holds the M1 series in long form (yearly.csv, quarterly.csv, monthly.csv: id, period,
# frequency, h, t, y, split) and R's per-series figures (r_results.csv: id, subset, method, sMAPE,
# MASE, runtime_s). The script builds bench/m1_eval.cpp in build-m1/, fits each method of ours to
# every series and prints one table: our rows, then R's from r_results.csv. With --rerun-r it
# installs R and the forecast package from Debian (when missing) and fits R's methods again in the
# same run, so that the speed ratios come from one machine under one load; METHODS is a
# comma-separated choice of ets_aic, ets_aicc, auto_arima, thetaf, snaive (default
# ets_aic,thetaf,snaive: R's ets takes about 5 minutes of M1, auto.arima about 27). Times are
# processor seconds of the fits on one core. --csv-dir DIR keeps the per-series figures.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
data=""
rerun=""
csv_dir=""
while [ $# -gt 0 ]; do
  case "$1" in
    --rerun-r)
      rerun="ets_aic,thetaf,snaive"
      if [ $# -gt 1 ] && [[ "$2" != --* ]]; then rerun="$2"; shift; fi
      ;;
    --csv-dir) csv_dir="$2"; shift ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    *) data="$1" ;;
  esac
  shift
done
if [ -z "$data" ] || [ ! -f "$data/monthly.csv" ]; then
  echo "usage: bash bench/m1.sh DATA_DIR [--rerun-r [METHODS]] [--csv-dir DIR]" >&2
  exit 2
fi
data="$(cd "$data" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
[ -n "$csv_dir" ] && mkdir -p "$csv_dir" && work_csv="$(cd "$csv_dir" && pwd)" || work_csv="$work"

bash "$root/scripts/deps.sh"
cmake -S "$root" -B "$root/build-m1" -DCMAKE_BUILD_TYPE=Release -DVORDEX_BUILD_TESTS=OFF \
  -DVORDEX_BUILD_CLI=OFF -DVORDEX_BUILD_BENCH=ON >/dev/null
cmake --build "$root/build-m1" --target vordex_m1_eval -j2 >/dev/null
eval_bin="$root/build-m1/bench/vordex_m1_eval"

# Ours: label, then the options of vordex_m1_eval.
ours=(
  "snaive (ours)|--method snaive"
  "theta (ours)|--method theta"
  "ets seed search (ours)|--method ets --search 4 --init 3"
  "ets auto (ours)|--method ets-auto"
  "auto arima (ours)|--method auto-arima"
  "auto: ets + auto arima + theta (ours)|--method auto"
)
{
  first=1
  for entry in "${ours[@]}"; do
    label="${entry%%|*}"
    read -r -a options <<<"${entry#*|}"
    name="$(echo "$label" | tr -c 'a-z0-9\n' '_' | sed 's/__*/_/g; s/_$//')"
    out="$("$eval_bin" --data "$data" "${options[@]}" --label "$label" --csv "$work_csv/$name.csv")"
    if [ $first -eq 1 ]; then echo "$out"; first=0; else echo "$out" | tail -n 1; fi
  done

  if [ -n "$rerun" ]; then
    if ! Rscript -e 'library(forecast)' >/dev/null 2>&1; then
      sudo_cmd=""
      [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
      $sudo_cmd apt-get update -qq
      DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq r-base-core r-cran-forecast \
        >/dev/null
    fi
    read -r -a methods <<<"${rerun//,/ }"
    Rscript "$here/m1.R" "$data" "$work_csv/r_rerun.csv" "${methods[@]}"
    "$eval_bin" --summarise "$work_csv/r_rerun.csv" --suffix " (R, this run)" | tail -n +3
  fi
  "$eval_bin" --summarise "$data/r_results.csv" --suffix " (R, r_results.csv)" | tail -n +3
}

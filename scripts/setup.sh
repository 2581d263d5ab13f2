#!/usr/bin/env bash
# Sets up everything on a fresh Debian 12 machine: build dependencies, a release build of the
# library and the command-line tool, the Python package (installed with pip for Debian's
# /usr/bin/python3 and for the python3 first on the PATH when that is another interpreter; see
# scripts/install-python.sh), and the main job: a forecast of the embedded airline series.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target vordex vordex-cli vordex_python
bash scripts/install-python.sh
./build/cli/vordex datasets
./build/cli/vordex arima --order 0,1,1 --seasonal 0,1,1 --period 12 --transform log \
  --horizon 12 --dataset airline

#!/usr/bin/env bash
# Sets up everything on a fresh Debian 12 machine: build dependencies, a release build of the
# library, the command-line tool and the Python package (installed for /usr/bin/python3), and the
# main job: a forecast of the embedded airline series.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target vordex vordex-cli vordex_python
# The Python package, into the site-packages of Debian's python3.
cmake --install build --component python >/dev/null
/usr/bin/python3 -c 'import vordex; print("Python package vordex", vordex.__version__, "in", vordex.__path__[0])'
./build/cli/vordex datasets
./build/cli/vordex arima --order 0,1,1 --seasonal 0,1,1 --period 12 --transform log \
  --horizon 12 --dataset airline

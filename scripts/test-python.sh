#!/usr/bin/env bash
# The Python package as its users get it, from the build tree build/ (scripts/test.sh): a wheel
# built there by Debian's python3 (only the packing is new work), installed into a fresh virtual
# environment over Debian's python3, which sees Debian's numpy, pandas, Dask and pytest; the
# tests of python/tests against that installation, and the documentation (docs/) built from it
# with warnings as errors into build/docs.
set -euo pipefail
cd "$(dirname "$0")/.."
venv=build/python-venv
rm -rf build/dist "$venv" build/docs
/usr/bin/python3 -m pip wheel -q --no-index --no-deps --no-build-isolation \
  --disable-pip-version-check --config-settings build-dir="$PWD/build" -w build/dist . >/dev/null
# Debian's pip, seen through the system site-packages, installs into the environment.
/usr/bin/python3 -m venv --system-site-packages --without-pip "$venv"
"$venv/bin/python" -m pip install -q --no-index --no-deps --force-reinstall \
  --disable-pip-version-check --root-user-action=ignore \
  build/dist/vordex-*.whl
# The package and the libvordex_cpp it loads must both be the environment's, not the build tree's.
"$venv/bin/python" -c 'import sys, vordex
loaded = [line.split()[-1] for line in open("/proc/self/maps") if "libvordex_cpp" in line]
assert loaded and all(p.startswith(sys.prefix) for p in [vordex.__file__, *loaded]), loaded'
MPLBACKEND=Agg PYTHONDONTWRITEBYTECODE=1 VORDEX_CLI="$PWD/build/cli/vordex" \
  "$venv/bin/python" -m pytest -q -p no:cacheprovider python/tests
"$venv/bin/python" -m sphinx -W --keep-going -q -b html docs build/docs
echo "Documentation: build/docs/index.html"

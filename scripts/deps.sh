#!/usr/bin/env bash
# Installs the Debian packages needed to build and test VORDEX, when any is missing; with
# --fuzz also clang and libFuzzer for the fuzz targets, with --windows also those of the 32-bit
# Windows DLL and its tests.
set -euo pipefail
packages=(g++ cmake make libgtest-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
  # The Python package (built and installed with pip), its tests in a virtual environment and
  # its documentation, for Debian's /usr/bin/python3.
  python3-dev python3-pybind11 python3-numpy python3-pandas python3-matplotlib python3-pytest
  python3-dask python3-distributed python3-pip python3-venv python3-sphinx)
windows=no
for arg in "$@"; do
  case "$arg" in
    --fuzz) packages+=(clang-14 libfuzzer-14-dev) ;;
    --windows) windows=yes ;;
    *) echo "usage: $0 [--fuzz] [--windows]" >&2; exit 2 ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi

[ "$windows" = yes ] || exit 0

# The 32-bit Windows DLL and its tests: the MinGW-w64 cross compiler, and Wine, whose 32-bit part
# needs the i386 architecture. A console program under Wine needs none of the recommended
# desktop packages.
windows_missing=()
for p in g++-mingw-w64-i686 wine wine32:i386; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    windows_missing+=("$p")
done
if [ "${#windows_missing[@]}" -gt 0 ]; then
  echo "Installing: ${windows_missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo_cmd dpkg --add-architecture i386
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends \
    "${windows_missing[@]}" >/dev/null
fi

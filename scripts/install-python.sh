#!/usr/bin/env bash
# Installs the Python package vordex with pip for each interpreter named (default: Debian's
# /usr/bin/python3 and the python3 first on the PATH, once each), offline, and says in one line
# per interpreter where it went or why not. Expects the release build tree build/ (setup.sh).
#
# The wheel is built once, by Debian's python3 from build/ (only the extension and the packing
# are new work there), and installed into every interpreter that loads the same extension
# suffix, such as another CPython 3.11 (pyenv, a venv); any other interpreter builds its own
# with `pip install --no-build-isolation .` in build/python-<its tag>, a full build.
#
# numpy and pandas exist offline only as Debian's packages, built for Debian's Python. An
# interpreter of the same extension suffix that lacks them gets a .pth file in its
# site-packages that appends Debian's dist-packages to its path, after its own packages
# (delete the file to undo); an interpreter of another Python version is left without vordex.
set -euo pipefail
cd "$(dirname "$0")/.."
debian=/usr/bin/python3
pth_name="debian-dist-packages.pth"

if [ "$#" -gt 0 ]; then
  interpreters=("$@")
else
  interpreters=("$debian")
  path_python="$(command -v python3 || true)"
  [ -z "$path_python" ] || interpreters+=("$path_python")
fi

suffix_of() {
  "$1" -c 'import importlib.machinery as m; print(m.EXTENSION_SUFFIXES[0])'
}

# Debian's pip refuses its system interpreter (PEP 668) unless told: the package goes to
# /usr/local (root) or the user's site-packages, never among Debian's own packages.
pip_install() {
  local python="$1"
  shift
  local flags=(--no-index --no-deps --force-reinstall --disable-pip-version-check
    --root-user-action=ignore -q)
  if "$python" -c 'import os, sys, sysconfig
sys.exit(sys.prefix != sys.base_prefix or
         not os.path.exists(os.path.join(sysconfig.get_path("stdlib"), "EXTERNALLY-MANAGED")))'; then
    flags+=(--break-system-packages)
  fi
  "$python" -m pip install "${flags[@]}" "$@"
}

# A package directory left by an earlier `cmake --install build --component python` has no pip
# record, and pip would install over it without removing its files: it goes first.
remove_unrecorded_copy() {
  "$1" - <<'EOF'
import glob, os, shutil, sysconfig
site = sysconfig.get_path("platlib")
package = os.path.join(site, "vordex")
if (os.path.exists(os.path.join(package, "_version.py")) and os.access(site, os.W_OK)
        and not glob.glob(os.path.join(site, "vordex-*.dist-info"))):
    shutil.rmtree(package)
EOF
}

# Makes Debian's numpy and pandas importable by an interpreter of Debian's extension suffix.
add_debian_packages() {
  "$1" - "$pth_name" <<'EOF'
import os, site, sys, sysconfig
directory = sysconfig.get_path("purelib")
if not os.access(directory, os.W_OK):
    directory = site.getusersitepackages()
    os.makedirs(directory, exist_ok=True)
path = os.path.join(directory, sys.argv[1])
with open(path, "w") as f:
    f.write("# Debian's Python packages (numpy, pandas), after this interpreter's own\n"
            "/usr/lib/python3/dist-packages\n")
print(path)
EOF
}

debian_suffix="$(suffix_of "$debian")"
wheel=""
done_prefixes=" "
for name in "${interpreters[@]}"; do
  # The interpreter itself, not a launcher such as pyenv's shim, which may choose another later.
  if ! python="$("$name" -c 'import sys; print(sys.executable)' 2>/dev/null)" || [ -z "$python" ]; then
    echo "vordex not installed for $name: it does not run"
    continue
  fi
  prefix="$("$python" -c 'import sys; print(sys.prefix)')"
  case "$done_prefixes" in *" $prefix "*) continue ;; esac
  done_prefixes+="$prefix "
  if ! "$python" -m pip --version >/dev/null 2>&1; then
    echo "vordex not installed for $python: it has no pip"
    continue
  fi
  suffix="$(suffix_of "$python")"
  note=""
  if ! "$python" -c 'import numpy, pandas' 2>/dev/null; then
    if [ "$suffix" != "$debian_suffix" ]; then
      echo "vordex not installed for $python: it has no numpy and pandas, which this machine" \
        "has only for Debian's $("$debian" -V)"
      continue
    fi
    note=", with Debian's numpy and pandas through $(add_debian_packages "$python")"
  fi
  remove_unrecorded_copy "$python"
  if [ "$suffix" = "$debian_suffix" ]; then
    if [ -z "$wheel" ]; then
      rm -rf build/dist
      "$debian" -m pip wheel -q --no-index --no-deps --no-build-isolation \
        --disable-pip-version-check --config-settings build-dir="$PWD/build" -w build/dist . \
        >/dev/null
      wheel="$(ls build/dist/vordex-*.whl)"
    fi
    pip_install "$python" "$wheel"
  else
    tag="$("$python" -c 'import sys; print(sys.implementation.cache_tag)')"
    # The build tree through the environment: older pips have no --config-settings.
    VORDEX_BUILD_DIR="$PWD/build/python-$tag" pip_install "$python" --no-build-isolation .
  fi
  (cd / && "$python" -c 'import sys, vordex
print(f"vordex {vordex.__version__} for {sys.executable} (Python {sys.version.split()[0]})"
      f" in {vordex.__path__[0]}" + sys.argv[1])' "$note")
done

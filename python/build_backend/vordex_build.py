"""Build backend (PEP 517) of the Python package vordex.

CMake builds the extension vordex._vordex and the shared library libvordex_cpp that it links,
for the interpreter running this backend (its headers, its extension suffix and its wheel tag),
and installs both with the pure-Python modules as the component python_wheel; the wheel
carries that tree, the extension finding libvordex_cpp beside itself (run path $ORIGIN).

Only the standard library is used (tomllib, or tomli before Python 3.11), so nothing has to be
fetched: `pip install --no-build-isolation .` builds offline. The build needs cmake, a C++20
compiler, the interpreter's headers and pybind11's CMake package (Debian: python3-pybind11,
found by CMake whether or not the interpreter can import pybind11).

Settings, as `pip ... --config-settings KEY=VALUE`, `python -m build -C KEY=VALUE` or from the
environment:
  build-dir  (VORDEX_BUILD_DIR)  a CMake build tree to build in and keep, such as the project's
             own build/, so that only what the package needs is rebuilt; default: a new
             temporary tree.
  cmake-args (CMAKE_ARGS)        more options for the first configuration of a build tree.
The number of compile jobs is CMAKE_BUILD_PARALLEL_LEVEL, else the number of processors.
"""
import base64
import hashlib
import importlib.machinery
import io
import os
import re
import shlex
import shutil
import subprocess
import sys
import sysconfig
import tarfile
import tempfile
import zipfile
from pathlib import Path

try:
    import tomllib
except ImportError:  # Python before 3.11
    import tomli as tomllib

ROOT = Path(__file__).resolve().parents[2]

# [project] keys this backend writes into the metadata; any other is refused rather than lost.
_PROJECT_KEYS = {"name", "dynamic", "description", "requires-python", "dependencies",
                 "optional-dependencies", "classifiers"}


def _project():
    with open(ROOT / "pyproject.toml", "rb") as f:
        project = tomllib.load(f)["project"]
    unknown = set(project) - _PROJECT_KEYS
    if unknown:
        raise RuntimeError(f"pyproject.toml: [project] keys {sorted(unknown)} are not written "
                           "by the build backend (python/build_backend/vordex_build.py)")
    return project


def _version():
    """The CMake project's version: the package has no version of its own."""
    text = (ROOT / "CMakeLists.txt").read_text()
    match = re.search(r"project\(\s*vordex\s+VERSION\s+([0-9][0-9.]*)", text)
    if match is None:
        raise RuntimeError("CMakeLists.txt: no 'project(vordex VERSION x.y.z' found")
    return match.group(1)


def _metadata():
    project = _project()
    lines = ["Metadata-Version: 2.1", f"Name: {project['name']}", f"Version: {_version()}"]
    if "description" in project:
        lines.append(f"Summary: {project['description']}")
    if "requires-python" in project:
        lines.append(f"Requires-Python: {project['requires-python']}")
    lines += [f"Classifier: {c}" for c in project.get("classifiers", [])]
    lines += [f"Requires-Dist: {r}" for r in project.get("dependencies", [])]
    for extra, requirements in project.get("optional-dependencies", {}).items():
        lines.append(f"Provides-Extra: {extra}")
        lines += [f'Requires-Dist: {r}; extra == "{extra}"' for r in requirements]
    return "\n".join(lines) + "\n"


def _wheel_tag():
    """The tag of a wheel that only this interpreter's minor version and ABI can load."""
    if sys.implementation.name != "cpython":
        raise RuntimeError(f"the extension is built for CPython only, not {sys.implementation.name}")
    version = f"{sys.version_info.major}{sys.version_info.minor}"
    abi = f"cp{version}"
    if hasattr(sys, "gettotalrefcount"):  # a debug build's ABI
        abi += "d"
    if sysconfig.get_config_var("Py_GIL_DISABLED"):  # the free-threaded ABI
        abi += "t"
    platform = sysconfig.get_platform().replace("-", "_").replace(".", "_")
    return f"cp{version}-{abi}-{platform}"


def _setting(config_settings, key, variable):
    value = (config_settings or {}).get(key)
    return value if value else os.environ.get(variable) or None


def _run(command):
    print("+", shlex.join(str(c) for c in command), flush=True)
    subprocess.run([str(c) for c in command], check=True)


def _pybind11_hint():
    """-Dpybind11_DIR when this interpreter carries pybind11 (a pip or conda install); CMake
    finds a system's pybind11 package by itself."""
    try:
        import pybind11
    except ImportError:
        return []
    return [f"-Dpybind11_DIR={pybind11.get_cmake_dir()}"]


def _build_and_install(config_settings, staging):
    """Builds the package's targets and installs the component python_wheel into staging."""
    build_dir = _setting(config_settings, "build-dir", "VORDEX_BUILD_DIR")
    temporary = None
    if build_dir is None:
        temporary = tempfile.mkdtemp(prefix="vordex-build-")
        build_dir = temporary
    build_dir = Path(build_dir).resolve()
    try:
        configure = ["cmake", "-S", ROOT, "-B", build_dir, f"-DPython3_EXECUTABLE={sys.executable}",
                     "-DVORDEX_BUILD_PYTHON=ON"]
        if not (build_dir / "CMakeCache.txt").exists():
            # A tree of its own builds the package's targets only; an existing tree keeps its
            # settings (tests, tool, sanitizers) and is only pointed at this interpreter.
            configure += ["-DCMAKE_BUILD_TYPE=Release", "-DVORDEX_BUILD_TESTS=OFF",
                          "-DVORDEX_BUILD_BENCH=OFF", "-DVORDEX_BUILD_CLI=OFF", *_pybind11_hint(),
                          *shlex.split(_setting(config_settings, "cmake-args", "CMAKE_ARGS") or "")]
        _run(configure)
        build = ["cmake", "--build", build_dir, "--target", "vordex_python"]
        if "CMAKE_BUILD_PARALLEL_LEVEL" not in os.environ:
            build += ["-j", str(os.cpu_count() or 1)]
        _run(build)
        _run(["cmake", "--install", build_dir, "--component", "python_wheel", "--prefix", staging,
              "--strip"])
    finally:
        if temporary is not None:
            shutil.rmtree(temporary, ignore_errors=True)

    # The extension module, not its type stub _vordex.pyi.
    extension = [p.name for p in (Path(staging) / "vordex").glob("_vordex.*")
                 if p.suffix != ".pyi"]
    expected = "_vordex" + importlib.machinery.EXTENSION_SUFFIXES[0]
    if extension != [expected]:
        raise RuntimeError(f"the build made {extension}, not {expected} for {sys.executable}: "
                           f"was {build_dir} configured for another interpreter?")


def _wheel_files(staging):
    """(name in the wheel, path) of the installed tree. A wheel holds no symbolic links: a
    link is stored as the file it points to, under the link's name, and the file it points to
    is left out (libvordex_cpp is kept under its soname, the name the loader looks for)."""
    files, targets = {}, set()
    for path in sorted(Path(staging).rglob("*")):
        if path.is_symlink():
            targets.add(path.resolve())
        if path.is_file():
            files[path.relative_to(staging).as_posix()] = path
    return {name: path for name, path in files.items()
            if path.is_symlink() or path.resolve() not in targets}


def _record_hash(data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"sha256={digest}"


def _zip_info(name):
    # Fixed times (SOURCE_DATE_EPOCH when set) so that the same build gives the same wheel.
    epoch = max(int(os.environ.get("SOURCE_DATE_EPOCH", 315532800)), 315532800)
    import time
    info = zipfile.ZipInfo(name, time.gmtime(epoch)[:6])
    info.compress_type = zipfile.ZIP_DEFLATED
    info.external_attr = 0o644 << 16
    return info


def _dist_info_files(tag):
    wheel = f"Wheel-Version: 1.0\nGenerator: vordex_build\nRoot-Is-Purelib: false\nTag: {tag}\n"
    return {"METADATA": _metadata(), "WHEEL": wheel}


def _dist_info_name():
    return f"vordex-{_version()}.dist-info"


# PEP 517 hooks.

def get_requires_for_build_wheel(config_settings=None):
    return []  # cmake and the compiler are the system's; pip cannot supply them


def get_requires_for_build_sdist(config_settings=None):
    return []


def prepare_metadata_for_build_wheel(metadata_directory, config_settings=None):
    dist_info = Path(metadata_directory) / _dist_info_name()
    dist_info.mkdir(parents=True, exist_ok=True)
    for name, text in _dist_info_files(_wheel_tag()).items():
        (dist_info / name).write_text(text)
    return dist_info.name


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    tag = _wheel_tag()
    wheel_name = f"vordex-{_version()}-{tag}.whl"
    with tempfile.TemporaryDirectory(prefix="vordex-wheel-") as staging:
        _build_and_install(config_settings, staging)
        records = []
        with zipfile.ZipFile(Path(wheel_directory) / wheel_name, "w") as wheel:
            for name, path in _wheel_files(staging).items():
                data = path.read_bytes()
                info = _zip_info(name)
                if os.access(path, os.X_OK):
                    info.external_attr = 0o755 << 16
                wheel.writestr(info, data)
                records.append(f"{name},{_record_hash(data)},{len(data)}")
            dist_info = _dist_info_name()
            for name, text in _dist_info_files(tag).items():
                data = text.encode()
                wheel.writestr(_zip_info(f"{dist_info}/{name}"), data)
                records.append(f"{dist_info}/{name},{_record_hash(data)},{len(data)}")
            records.append(f"{dist_info}/RECORD,,")
            wheel.writestr(_zip_info(f"{dist_info}/RECORD"), "\n".join(records) + "\n")
    return wheel_name


def _source_files():
    """The files of the source tree: git's list in a checkout, else every file but build trees
    (an unpacked source distribution)."""
    try:
        listed = subprocess.run(["git", "-C", ROOT, "ls-files", "-z"], check=True,
                                capture_output=True).stdout.decode().split("\0")
        return sorted(name for name in listed if name and (ROOT / name).is_file())
    except (OSError, subprocess.CalledProcessError):
        skipped = re.compile(r"^(\.git|build[^/]*|out)(/|$)|__pycache__")
        return sorted(p.relative_to(ROOT).as_posix() for p in ROOT.rglob("*")
                      if p.is_file() and not skipped.search(p.relative_to(ROOT).as_posix()))


def build_sdist(sdist_directory, config_settings=None):
    base = f"vordex-{_version()}"
    name = f"{base}.tar.gz"
    with tarfile.open(Path(sdist_directory) / name, "w:gz", format=tarfile.PAX_FORMAT) as sdist:
        for file in _source_files():
            sdist.add(ROOT / file, f"{base}/{file}", recursive=False)
        data = _metadata().encode()
        info = tarfile.TarInfo(f"{base}/PKG-INFO")
        info.size, info.mode = len(data), 0o644
        sdist.addfile(info, io.BytesIO(data))
    return name

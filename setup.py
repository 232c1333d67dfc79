"""pip install of the Python package: CMake builds the extension, setuptools packages it.

    /usr/bin/python3 -m venv --system-site-packages env
    env/bin/pip install --no-build-isolation --no-index .

--no-build-isolation lets the build use Debian's setuptools, wheel and pybind11 (nothing is
downloaded); the build directory is build/pip. GLIDESTONE_CMAKE_ARGS adds CMake arguments.
"""

import os
import pathlib
import shlex
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent


def version():
    for line in (ROOT / "CMakeLists.txt").read_text().splitlines():
        if line.startswith("project(glidestone VERSION "):
            return line.split()[2]
    raise RuntimeError("no project version in CMakeLists.txt")


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = ROOT / "build" / "pip"
        subprocess.check_call(
            ["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
             "-DGLIDESTONE_TESTS=OFF", "-DGLIDESTONE_BENCHMARKS=OFF", "-DGLIDESTONE_PYTHON=ON",
             f"-DPython3_EXECUTABLE={sys.executable}"]
            + shlex.split(os.environ.get("GLIDESTONE_CMAKE_ARGS", ""))
        )
        subprocess.check_call(["cmake", "--build", str(build), "--target", "glidestone_python",
                               "-j", str(os.cpu_count() or 1)])
        built = build / "python" / "glidestone"
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        (module,) = built.glob("_glidestone*.so")
        shutil.copy2(module, target)
        for name in ("_glidestone.pyi", "py.typed"):
            shutil.copy2(built / name, target.parent / name)


setup(
    name="glidestone",
    version=version(),
    description="Exact curling-stone simulation: the glidestone simulator in process",
    packages=["glidestone"],
    package_dir={"": "python"},
    ext_modules=[Extension("glidestone._glidestone", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    license="MIT",
    license_files=["LICENSE", "third_party/box2d/LICENSE", "third_party/glibc/COPYING.LIB"],
    classifiers=["License :: OSI Approved :: MIT License"],
    python_requires=">=3.9",
    install_requires=["numpy"],
    zip_safe=False,
)

"""Builds the korva Python package: the compiled module through the project's CMake build (the
same compiler flags as the program, so the same numbers), the Python sources as they are.

    /usr/bin/python3 -m venv --system-site-packages .venv
    .venv/bin/pip install --no-build-isolation .
"""

import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE = Path(__file__).resolve().parent


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = Path(self.build_temp).resolve() / "cmake"
        subprocess.run(["cmake", "-S", str(SOURCE), "-B", str(build), "-G", "Ninja",
                        "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DKORVA_PYTHON=ON",
                        "-DKORVA_TESTS=OFF", "-DKORVA_BENCH=OFF",
                        f"-DPython3_EXECUTABLE={sys.executable}"], check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "_korva", "-j", "2"],
                       check=True)
        built = next((build / "python" / "korva").glob("_korva*.so"))
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


def version():
    text = (SOURCE / "CMakeLists.txt").read_text()
    return re.search(r"project\(korva VERSION ([0-9.]+)", text).group(1)


setup(version=version(), ext_modules=[CMakeExtension("korva._korva")],
      cmdclass={"build_ext": CMakeBuild}, options={"build": {"build_base": "build-python"}})

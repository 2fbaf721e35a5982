# The wheel of nelvo_data: the package's Python files from tools/python, its
# extension built by the project's own CMake tree (NELVO_PYTHON, without the
# tool, the tests and the benchmarks), the version from CMakeLists.txt.
import os
import pathlib
import re
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(\s*Nelvo_data\s+VERSION\s+([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        build.mkdir(parents=True, exist_ok=True)
        subprocess.run(
            ["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
             "-DCMAKE_CXX_COMPILER=g++", "-DNELVO_PYTHON=ON", "-DNELVO_TOOL=OFF", "-DNELVO_TESTS=OFF",
             "-DNELVO_BENCH=OFF", f"-DPython_EXECUTABLE={sys.executable}"],
            check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "_nelvo_data", "--", "-l", "3"], check=True)
        built = next((build / "tools" / "python" / "nelvo_data").glob("_nelvo_data*.so"))
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        self.copy_file(str(built), str(target))


# Metadata goes under build/, so an install leaves the source tree as it was.
os.makedirs(ROOT / "build", exist_ok=True)
setup(
    version=project_version(),
    packages=["nelvo_data"],
    package_dir={"nelvo_data": "tools/python/nelvo_data"},
    package_data={"nelvo_data": ["py.typed", "*.pyi"]},
    ext_modules=[Extension("nelvo_data._nelvo_data", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"egg_info": {"egg_base": "build"}},
    zip_safe=False,
)

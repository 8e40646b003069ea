"""setuptools' build of the package (the metadata is in pyproject.toml).

pip builds in the source tree, and setuptools' build_py adds to what an
earlier build left in build/lib: a module removed from tools/wordrep would
still be installed.  The package's build folder is emptied first."""

import os
import shutil

from setuptools import setup
from setuptools.command.build_py import build_py


class FreshBuildPy(build_py):
    """build_py on an emptied build folder of the package."""

    def run(self):
        for package in self.packages or []:
            shutil.rmtree(os.path.join(self.build_lib, *package.split(".")), ignore_errors=True)
        super().run()


setup(cmdclass={"build_py": FreshBuildPy})

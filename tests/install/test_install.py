"""The installation, used as a user would from another directory.

cmake --install puts the build into a scratch prefix P, pip installs the
package into a fresh `python3 -m venv --system-site-packages` venv offline;
then, with a clean environment (no PYTHONPATH, no WORDREP_BIN, PATH without
the checkout), the installed programs and tools answer, the package finds
the census beside itself, on PATH or through WORDREP_BIN, and `man -l`
renders the installed pages.  The answers are compared with the build's own
census run directly on the same graphs."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.realpath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
BUILD = os.environ.get("WORDREP_BUILD", os.path.join(ROOT, "build"))
PYTHON_DIR = os.environ.get("WORDREP_PYTHON_DIR", "lib/python3/dist-packages")
USER_TOOLS = os.environ.get("WORDREP_USER_TOOLS", "").split(":")
MAN_EXPECTED = os.environ.get("WORDREP_MAN_EXPECTED", "alterword:orientcheck").split(":")
PROGRAMS = ["alterword", "orientcheck", "yices", "wordrep-census"]
HELPERS = ["wordrep-part", "wordrep-one"]
SYSTEM_PATH = "/usr/bin:/bin"
with open(os.path.join(ROOT, "tools", "wordrep", "__init__.py")) as _f:
    VERSION = re.search(r'^__version__ = "([^"]+)"', _f.read(), re.M).group(1)
# Connected graphs: a triangle, a path, the wheel W5 (not word-representable), the Petersen graph.
GRAPHS = ["Bw", "CF", "E|fG", "IheA@GUAo"]


def run(cmd, env, stdin="", cwd=None):
    return subprocess.run(cmd, input=stdin, capture_output=True, text=True, env=env, cwd=cwd,
                          timeout=300)


def clean_env(path, **extra):
    env = {"PATH": path, "HOME": os.environ.get("HOME", "/tmp"), "LANG": "C.UTF-8"}
    env.update(extra)
    return env


def census_csv(graphs):
    """The build's own census on the graphs: the answer the installation must give."""
    p = run([os.path.join(BUILD, "bin", "wordrep-census"), "--no-summary"],
            clean_env(SYSTEM_PATH), "".join(g + "\n" for g in graphs))
    assert p.returncode == 0, p.stderr
    return p.stdout


class Installed(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.prefix = os.path.join(cls.tmp.name, "prefix")
        cls.elsewhere = os.path.join(cls.tmp.name, "elsewhere")
        os.mkdir(cls.elsewhere)
        p = subprocess.run(["cmake", "--install", BUILD, "--prefix", cls.prefix],
                           capture_output=True, text=True)
        if p.returncode:
            raise AssertionError("cmake --install failed:\n" + p.stdout + p.stderr)
        cls.bin = os.path.join(cls.prefix, "bin")
        cls.expected = census_csv(GRAPHS)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_files_are_in_place(self):
        cases = ([("bin/" + p, True) for p in PROGRAMS + USER_TOOLS]
                 + [("libexec/wordrep/" + h, True) for h in HELPERS]
                 + [(PYTHON_DIR + "/wordrep/" + m, False)
                    for m in ("__init__.py", "interface.py", "batch.py", "programs.py")]
                 + [("share/man/man1/%s.1" % m, False) for m in MAN_EXPECTED]
                 + [("share/doc/wordrep/" + d, False)    # the manual the man pages point to
                    for d in ("README.md", "docs/checkers.md", "docs/python.md",
                              "docs/petersen.svg", "docs/n10/representation-number-4.g6")])
        for rel, executable in cases:
            with self.subTest(rel):
                path = os.path.join(self.prefix, rel)
                self.assertTrue(os.path.isfile(path), path)
                self.assertEqual(os.access(path, os.X_OK), executable, path)

    def test_debian_python_finds_the_package_under_usr_local(self):
        # The rule the install follows: PREFIX/<dir> is on python3's path for /usr/local.
        p = run(["/usr/bin/python3", "-c", "import sys; print('\\n'.join(sys.path))"],
                clean_env(SYSTEM_PATH))
        self.assertIn(os.path.join("/usr/local", PYTHON_DIR), p.stdout.split("\n"))

    def test_installed_tools_answer_from_another_directory(self):
        # PATH holds neither the checkout nor P/bin: each tool finds the
        # package and the census beside itself.
        env = clean_env(SYSTEM_PATH)
        tool = lambda name: os.path.join(self.bin, name)  # noqa: E731
        word = self.expected.splitlines()[4].split(",")[5]            # Petersen, K = 3
        cases = [
            ([tool("wordrep-batch"), "--no-progress"], "".join(g + "\n" for g in GRAPHS),
             0, self.expected),
            ([tool("graph6-convert"), "to-input"], "CF\n", 0, "4\n1 4\n2 4\n3 4\n0 0\n"),
            ([tool("graph6-convert"), "to-graph6"], "3\n1 2\n2 3\n0 0\n", 0, "Bg\n"),
            ([tool("check-word"), "-g", GRAPHS[3], "3", word], "", 0,
             "valid 3-uniform word for 10 vertices, 15 edges\n"),
            ([tool("check-word"), "-g", "Bw", "2", "121323"], "", 1, ""),
            ([tool("check-orientation"), "-g", "Bg", "1>2 2>3"], "", 0,
             "valid semi-transitive orientation of 3 vertices, 2 edges\n"),
            ([tool("check-orientation"), "-g", "Bw", "1>2 2>3 3>1"], "", 1, ""),
        ]
        for cmd, stdin, status, stdout in cases:
            with self.subTest(cmd=cmd[0], args=cmd[1:]):
                p = run(cmd, env, stdin, cwd=self.elsewhere)
                self.assertEqual((p.returncode, p.stdout), (status, stdout), p.stderr)

    def test_installed_helpers_name_their_version(self):
        # They lie in libexec/wordrep, away from the package: each finds it
        # under the prefix (once it answered "unknown" there).
        helpers_answer_their_version(self, self.prefix, self.elsewhere)

    @unittest.skipUnless(shutil.which("dot"), "no Graphviz")
    def test_installed_draw_runs_the_installed_census(self):
        out = os.path.join(self.elsewhere, "w5.svg")
        p = run([os.path.join(self.bin, "wordrep-draw"), "-g", "E|fG", "-o", out],
                clean_env(SYSTEM_PATH), cwd=self.elsewhere)
        self.assertEqual((p.returncode, p.stderr), (0, ""))
        classes = [g.get("class") for g in ET.parse(out).iter("{http://www.w3.org/2000/svg}g")]
        self.assertEqual(sum("witness" in (c or "").split() for c in classes), 6 + 10)

    def test_package_under_the_prefix_finds_the_census_beside_itself(self):
        package = os.path.join(self.prefix, PYTHON_DIR)
        code = ("import wordrep, wordrep.interface as i\n"
                "print(wordrep.__file__); print(i.find_program())\n"
                "for r in wordrep.census(%r): print(r.graph6, r.representation_number, r.witness)"
                % GRAPHS)
        p = run(["/usr/bin/python3", "-c", code], clean_env(SYSTEM_PATH, PYTHONPATH=package),
                cwd=self.elsewhere)
        self.assertEqual(p.returncode, 0, p.stderr)
        lines = p.stdout.splitlines()
        self.assertEqual(lines[:2], [os.path.join(package, "wordrep", "__init__.py"),
                                     os.path.join(self.bin, "wordrep-census")])
        self.assertEqual(lines[2:], answers(self.expected))

    def test_man_pages_render(self):
        # The hand-written pages, those required, and every page the build made.
        made = os.path.join(BUILD, "man")
        made = [f[:-2] for f in os.listdir(made) if f.endswith(".1")] if os.path.isdir(made) else []
        for name in sorted(set(MAN_EXPECTED + made)):
            with self.subTest(name):
                page = os.path.join(self.prefix, "share", "man", "man1", name + ".1")
                p = run(["man", "-P", "cat", "-l", page],
                        clean_env(SYSTEM_PATH, MANWIDTH="80"))
                # A line too long to justify (the CSV header) is only typography.
                errors = [e for e in p.stderr.splitlines() if "cannot adjust line" not in e]
                self.assertEqual((p.returncode, errors), (0, []))
                text = p.stdout.split("\n")
                self.assertEqual(text[2:4], ["NAME", text[3]])
                self.assertRegex(text[3], r"^\s+%s\s+-\s+\S" % re.escape(name))
                self.assertIn("SYNOPSIS", text)
                self.assertRegex(text[text.index("SYNOPSIS") + 1],
                                 r"^\s+%s( |$)" % re.escape(name))


    def test_man_finds_the_pages_by_name(self):
        # `man wordrep-census` with P/bin on PATH: man-db looks in P/share/man.
        env = clean_env(self.bin + ":" + SYSTEM_PATH)
        for name in MAN_EXPECTED:
            with self.subTest(name):
                p = run(["man", "-w", name], env, cwd=self.elsewhere)
                self.assertEqual((p.returncode, p.stdout), (0, os.path.join(
                    self.prefix, "share", "man", "man1", name + ".1") + "\n"), p.stderr)


class PipInstalled(unittest.TestCase):
    """pip install --no-build-isolation into a fresh venv, offline."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        t = cls.tmp.name
        cls.prefix = os.path.join(t, "prefix")
        cls.venv = os.path.join(t, "venv")
        cls.elsewhere = os.path.join(t, "elsewhere")
        os.mkdir(cls.elsewhere)
        # pip builds in the source tree: a copy keeps the checkout clean.
        source = os.path.join(t, "source")
        os.mkdir(source)
        for f in ("pyproject.toml", "setup.py"):
            shutil.copy(os.path.join(ROOT, f), source)
        cls.source = source
        for d in ("tools", "docs"):
            shutil.copytree(os.path.join(ROOT, d), os.path.join(source, d),
                            ignore=shutil.ignore_patterns("__pycache__", "*.egg-info"))
        cls.steps([["cmake", "--install", BUILD, "--prefix", cls.prefix],
                   ["/usr/bin/python3", "-m", "venv", "--system-site-packages", cls.venv],
                   cls.pip_install()])
        cls.expected = census_csv(GRAPHS)

    @classmethod
    def pip_install(cls):
        return [os.path.join(cls.venv, "bin", "pip"), "install", "--no-build-isolation",
                "--no-index", "--disable-pip-version-check", "-q", cls.source]

    @classmethod
    def steps(cls, commands):
        for cmd in commands:
            p = subprocess.run(cmd, capture_output=True, text=True, cwd=cls.tmp.name,
                               env=clean_env(SYSTEM_PATH))
            if p.returncode:
                raise AssertionError("%s failed:\n%s%s" % (" ".join(cmd), p.stdout, p.stderr))

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def python(self, code, env):
        return run([os.path.join(self.venv, "bin", "python"), "-c", code], env,
                   cwd=self.elsewhere)

    def test_the_package_finds_the_census_on_path_or_through_wordrep_bin(self):
        site = os.path.join(self.venv, "lib", "python%d.%d" % sys.version_info[:2],
                            "site-packages", "wordrep", "__init__.py")
        census = os.path.join(self.prefix, "bin", "wordrep-census")
        code = ("import wordrep, wordrep.interface as i\n"
                "print(wordrep.__file__); print(i.find_program())\n"
                "for r in wordrep.census(%r): print(r.graph6, r.representation_number, r.witness)"
                % GRAPHS)
        for how, env in [("PATH", clean_env(os.path.join(self.prefix, "bin") + ":" + SYSTEM_PATH)),
                         ("WORDREP_BIN", clean_env(SYSTEM_PATH,
                                                   WORDREP_BIN=os.path.join(self.prefix, "bin")))]:
            with self.subTest(how):
                p = self.python(code, env)
                self.assertEqual(p.returncode, 0, p.stderr)
                lines = p.stdout.splitlines()
                self.assertEqual(os.path.realpath(lines[0]), os.path.realpath(site))
                self.assertEqual(lines[1:], [census] + answers(self.expected))

    def test_a_census_nowhere_is_a_census_error(self):
        code = ("import wordrep\n"
                "try:\n    wordrep.census(['Bw'])\n"
                "except wordrep.CensusError as e:\n    print(e)\n")
        p = self.python(code, clean_env(SYSTEM_PATH))
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertRegex(p.stdout, r"^census program wordrep-census not found in %s/bin or "
                                   r"on PATH \(build it, pass program=PATH or set WORDREP_BIN\)\n$" % re.escape(self.venv))

    def test_the_venv_batch_runs_its_helper_and_the_census_on_path(self):
        env = clean_env(os.path.join(self.prefix, "bin") + ":" + SYSTEM_PATH)
        p = run([os.path.join(self.venv, "bin", "wordrep-batch"), "--no-progress"], env,
                "".join(g + "\n" for g in GRAPHS), cwd=self.elsewhere)
        self.assertEqual((p.returncode, p.stdout), (0, self.expected), p.stderr)


    def test_a_module_removed_from_the_source_is_not_installed_again(self):
        # pip builds in the source tree; setuptools kept what build/lib held.
        module = os.path.join(self.source, "tools", "wordrep", "removed_module.py")
        site = os.path.join(self.venv, "lib", "python%d.%d" % sys.version_info[:2],
                            "site-packages", "wordrep")
        with open(module, "w") as f:
            f.write("GONE = True\n")
        self.steps([self.pip_install()])
        self.assertIn("removed_module.py", os.listdir(site))
        os.unlink(module)
        self.steps([self.pip_install()])
        self.assertNotIn("removed_module.py", os.listdir(site))

    def test_the_venv_helpers_name_their_version(self):
        helpers_answer_their_version(self, self.venv, self.elsewhere)


def helpers_answer_their_version(test, prefix, cwd):
    """PREFIX/libexec/wordrep/HELPER --version, with no package path given."""
    for name in HELPERS:
        with test.subTest(name):
            p = run([os.path.join(prefix, "libexec", "wordrep", name), "--version"],
                    clean_env(SYSTEM_PATH), cwd=cwd)
            test.assertEqual((p.returncode, p.stdout, p.stderr),
                             (0, "%s %s\n" % (name, VERSION), ""))


def install_deps_packages():
    """The Debian packages tools/install-deps installs."""
    with open(os.path.join(ROOT, "tools", "install-deps")) as f:
        return set(re.search(r"^packages=\(([^)]*)\)", f.read(), re.M).group(1).split())


class Dependencies(unittest.TestCase):
    def test_the_offline_pip_build_uses_only_packages_install_deps_lists(self):
        # pip install --no-build-isolation builds with the venv's setuptools
        # and wheel, Debian's through --system-site-packages; without wheel it
        # stops at "invalid command 'bdist_wheel'".
        listed = install_deps_packages()
        for module in ("setuptools", "wheel"):
            with self.subTest(module):
                p = run(["/usr/bin/python3", "-c", "import %s; print(%s.__file__)"
                         % (module, module)], clean_env(SYSTEM_PATH))
                self.assertEqual(p.returncode, 0, p.stderr)
                d = run(["dpkg", "-S", p.stdout.strip()], clean_env(SYSTEM_PATH))
                self.assertEqual(d.returncode, 0, d.stderr)
                owners = {o.split(":")[0] for o in d.stdout.rsplit(": ", 1)[0].split(", ")}
                self.assertTrue(owners & listed, "%s comes from %s" % (module, owners))


class ScriptsHelp(unittest.TestCase):
    """The scripts (run-example, run-tests, install-deps, the fuzz run-all)
    answer --help and --version, and refuse a bad command line, before
    installing or building: every command they could start is a stand-in
    that leaves a mark."""

    def test_help_version_and_bad_command_lines_run_nothing(self):
        with tempfile.TemporaryDirectory() as d:
            stubs, mark = os.path.join(d, "stubs"), os.path.join(d, "ran")
            os.mkdir(stubs)
            for cmd in ("apt-get", "sudo", "dpkg-query", "cmake", "ctest", "make", "nproc",
                        "clang", "clang++"):
                with open(os.path.join(stubs, cmd), "w") as f:
                    f.write("#!/bin/sh\necho %s >> %s\nexit 1\n" % (cmd, mark))
                os.chmod(os.path.join(stubs, cmd), 0o755)
            env = clean_env(stubs + ":" + SYSTEM_PATH)
            usage = None            # stdout: the script's usage
            scripts = {"run-example": "tools/run-example", "run-tests": "tools/run-tests",
                       "install-deps": "tools/install-deps", "run-all": "tests/fuzz/run-all"}
            cases = [(script, [option], 0, usage, "")
                     for script in scripts for option in ("--help", "-h")]
            cases += [(script, ["--version"], 0, "%s %s\n" % (script, VERSION), "")
                      for script in scripts]
            cases += [
                ("install-deps", ["-y"], 2, "", "install-deps: takes no arguments (see --help)\n"),
                ("run-tests", ["extra"], 2, "", "run-tests: takes no arguments (see --help)\n"),
                ("run-example", ["-x"], 2, "", "run-example: unknown option -x (see --help)\n"),
                ("run-example", ["--", "-x"], 2, "",
                 "run-example: cannot read the graph file -x\n"),
                ("run-example", ["nowhere.graph"], 2, "",
                 "run-example: cannot read the graph file nowhere.graph\n"),
                ("run-example", ["a", "b"], 2, "",
                 "run-example: takes one GRAPH at most (see --help)\n"),
            ] + [("run-all", args, 2, "",
                  "run-all: takes the seconds per target, a whole number (see --help)\n")
                 for args in (["0"], ["1.5"], ["10", "x"], ["--seconds"])]
            for script, args, status, stdout, stderr in cases:
                with self.subTest(script=script, args=args):
                    p = run(["bash", os.path.join(ROOT, scripts[script])] + args, env, cwd=d)
                    self.assertEqual((p.returncode, p.stderr), (status, stderr))
                    if stdout is not None:
                        self.assertEqual(p.stdout, stdout)
                    else:
                        self.assertTrue(p.stdout.startswith("usage: %s " % scripts[script]),
                                        p.stdout)
                    self.assertFalse(os.path.exists(mark), "started a command")


def answers(csv_text):
    """'graph6 K witness' lines, as the Python test programs print them, of a census CSV."""
    out = []
    for line in csv_text.splitlines()[1:]:
        f = line.split(",")
        k = f[4] or None
        witness = frozenset(int(v) for v in f[7].split()) if f[7] else None
        out.append("%s %s %s" % (f[0], k, witness))
    return out


if __name__ == "__main__":
    unittest.main()

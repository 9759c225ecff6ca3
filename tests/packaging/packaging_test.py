#!/usr/bin/env python3
"""What the packages install beside the programs, checked against the
programs: the bash completion offers what quillon-cli accepts, the manuals
generated from its help render cleanly and hold every option, and the version
the program prints follows the tree it was built from.

  packaging_test.py QUILLON_CLI SOURCE_DIR [unittest arguments]
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

CLI = ""
ROOT = ""
COMMANDS = ["verify", "sign", "render", "comment", "key new", "key trust", "key list"]
# How the program turns down an option that a command does not take.
REFUSED = re.compile(r"takes no|unknown option|are for .* only")


def run_cli(*args):
    # In a scratch folder, with a scratch home, and no terminal: a probe
    # must not leave keys or settings behind, nor wait for a passphrase.
    with tempfile.TemporaryDirectory() as home:
        env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"))
        return subprocess.run([CLI, *args], capture_output=True, text=True, cwd=home,
                              env=env, stdin=subprocess.DEVNULL)


def help_options():
    """Every option the help text's Options section names, short and long."""
    text = run_cli("--help").stdout
    section = text.split("\nOptions:\n", 1)[1].split("\n\n", 1)[0]
    return set(re.findall(r"(?:^|[\s,])(--[a-z][a-z-]*|-[a-z])(?=[\s,]|$)", section, re.M))


def complete(words):
    """The candidates the completion offers for the last of words."""
    script = os.path.join(ROOT, "packaging", "completion", "quillon-cli")
    quoted = " ".join("'" + w.replace("'", "'\\''") + "'" for w in words)
    program = (f"compopt() {{ :; }}; source '{script}'; COMP_WORDS=({quoted}); "
               f"COMP_CWORD={len(words) - 1}; _quillon_cli; printf '%s\\n' \"${{COMPREPLY[@]}}\"")
    out = subprocess.run(["bash", "--norc", "--noprofile", "-c", program], check=True,
                         capture_output=True, text=True).stdout
    return sorted(line for line in out.split("\n") if line)


class Completion(unittest.TestCase):
    CASES = [
        (["quillon-cli", ""], ["comment", "key", "render", "sign", "verify"]),
        (["quillon-cli", "s"], ["sign"]),
        (["quillon-cli", "-"], ["--help", "--version", "-h"]),
        (["quillon-cli", "verify", "--j"], ["--jobs", "--json"]),
        (["quillon-cli", "verify", "-s", "KEY", "--in"], ["--in-place"]),
        (["quillon-cli", "sign", "--k"], ["--keep-metadata", "--key"]),
        (["quillon-cli", "render", "--o"], ["--out"]),
        (["quillon-cli", "comment", "--"], ["--", "--help", "--trace", "--version"]),
        (["quillon-cli", "sign", "-s", ""], ["-"]),  # the key from standard input
        (["quillon-cli", "verify", "--jobs", ""], []),
        (["quillon-cli", "verify", "-s", "KEY", "pho"], []),  # file names: bash's own
        (["quillon-cli", "k"], ["key"]),
        (["quillon-cli", "key", ""], ["list", "new", "trust"]),
        (["quillon-cli", "key", "new", "--p"], ["--passphrase-file"]),
        (["quillon-cli", "key", "new", "--passphrase-file", ""], ["-"]),
        (["quillon-cli", "key", "new", "--comment", ""], []),
        (["quillon-cli", "key", "list", "-"], ["--help", "--version", "-h"]),
    ]

    def test_candidates(self):
        for words, want in self.CASES:
            with self.subTest(" ".join(words)):
                self.assertEqual(complete(words), want)

    def test_each_command_is_offered_exactly_the_options_it_accepts(self):
        options = help_options()
        self.assertIn("--site-code", options)
        for command in COMMANDS:
            with self.subTest(command):
                accepted = set()
                for option in options:
                    err = run_cli(*command.split(), option, "1").stderr
                    if not REFUSED.search(err):
                        accepted.add(option)
                offered = set(complete(["quillon-cli", *command.split(), "-"])) - {"--"}
                self.assertEqual(offered, accepted)


class Manpages(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.env = dict(os.environ, SOURCE_DATE_EPOCH="86400")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def make(self, name, *template):
        out = os.path.join(self.dir, name)
        tool = os.path.join(ROOT, "packaging", "man", "make-manpage")
        subprocess.run([sys.executable, tool, CLI, out, *template], check=True, env=self.env)
        with open(out, "rb") as f:
            return f.read()

    def render(self, page):
        r = subprocess.run(["groff", "-man", "-Tutf8", "-ww", "-rLL=200n"], input=page,
                           capture_output=True)
        self.assertEqual(r.stderr.decode(), "", "groff warns")
        # Bold and underlining by overstriking, if any, taken out.
        return re.sub(r".\x08", "", r.stdout.decode())

    def version(self):
        return run_cli("--version").stdout.strip().split(" ", 1)[1]

    def test_cli_page_holds_every_option_and_command_and_is_repeatable(self):
        page = self.make("quillon-cli.1")
        self.assertEqual(page, self.make("quillon-cli.1"))
        self.assertIn(b'"1970-01-02"', page)
        text = self.render(page)
        for heading in ["NAME", "SYNOPSIS", "DESCRIPTION", "COMMANDS", "OPTIONS", "EXIT STATUS"]:
            self.assertRegex(text, re.compile("^" + heading + "$", re.M))
        options = text.split("\nOPTIONS\n", 1)[1].split("\nEXIT STATUS\n", 1)[0]
        for option in help_options():
            with self.subTest(option):
                self.assertRegex(options, re.compile(r"^ {7}(.*[ ,])?" + re.escape(option) +
                                                     r"([ ,].*)?$", re.M))
        commands = text.split("\nCOMMANDS\n", 1)[1].split("\nOPTIONS\n", 1)[0]
        for command in COMMANDS:
            self.assertRegex(commands, re.compile(r"^ {7}" + command + r"\b", re.M))
        self.assertNotIn("quillon-cli key list Prints", text)  # the usage lines stay apart
        self.assertIn("quillon-cli " + self.version(), text)

    def test_window_page_renders_with_the_version(self):
        template = os.path.join(ROOT, "packaging", "man", "quillon.1.in")
        page = self.make("quillon.1", "--template", template)
        self.assertNotIn(b"@", page)
        text = self.render(page)
        self.assertIn("quillon " + self.version(), text)
        self.assertIn("1970-01-02", text)

    def test_help_of_another_shape_stops_the_generator(self):
        fake = os.path.join(self.dir, "fake-cli")
        with open(fake, "w") as f:
            f.write("#!/bin/sh\n[ \"$1\" = --version ] && echo 'quillon-cli 9.9.9' && exit 0\n"
                    "echo 'some other tool'\n")
        os.chmod(fake, 0o755)
        tool = os.path.join(ROOT, "packaging", "man", "make-manpage")
        r = subprocess.run([sys.executable, tool, fake, os.path.join(self.dir, "x.1")],
                           capture_output=True, text=True)
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("no longer has the shape", r.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.dir, "x.1")))


class Version(unittest.TestCase):
    def version_of(self, tree):
        script = os.path.join(ROOT, "cmake", "version.cmake")
        return subprocess.run(["cmake", f"-DSOURCE_DIR={tree}", "-P", script], check=True,
                              capture_output=True, text=True).stdout.strip()

    def test_a_checkout_adds_what_git_says(self):
        with tempfile.TemporaryDirectory() as tree:
            def git(*args):
                return subprocess.run(["git", "-C", tree, "-c", "user.name=t", "-c",
                                       "user.email=t@example.org", *args], check=True,
                                      capture_output=True, text=True).stdout.strip()

            def write(name, text):
                with open(os.path.join(tree, name), "w") as f:
                    f.write(text)

            def head():
                return git("rev-parse", "--short=10", "HEAD")

            git("init", "-q")
            write("VERSION", "1.2.3\n")
            git("add", "VERSION")
            git("commit", "-qm", "first")
            steps = [
                ("one commit, no tag", lambda: None, lambda: f"1.2.3+git1.g{head()}"),
                ("a file not tracked changes nothing", lambda: write("notes", "x"),
                 lambda: f"1.2.3+git1.g{head()}"),
                ("a tracked file changed", lambda: write("VERSION", "1.2.3\n\n"),
                 lambda: f"1.2.3+git1.g{head()}.dirty"),
                ("a file merely touched is no change", lambda: (
                    write("VERSION", "1.2.3\n"), os.utime(os.path.join(tree, "VERSION"))),
                 lambda: f"1.2.3+git1.g{head()}"),
                ("the release tag on HEAD", lambda: git("tag", "v1.2.3"), lambda: "1.2.3"),
                ("the release tag, changed since", lambda: write("VERSION", "1.2.3\n\n"),
                 lambda: f"1.2.3+git0.g{head()}.dirty"),
                ("a commit after the tag", lambda: git("commit", "-qam", "second"),
                 lambda: f"1.2.3+git1.g{head()}"),
                ("another release's tag counts for nothing", lambda: (
                    git("tag", "-d", "v1.2.3"), git("tag", "v9.9.9")),
                 lambda: f"1.2.3+git2.g{head()}"),
            ]
            for name, change, want in steps:
                with self.subTest(name):
                    change()
                    self.assertEqual(self.version_of(tree), want())

    def test_a_copy_without_git_takes_its_version_file_as_it_stands(self):
        with tempfile.TemporaryDirectory() as tree:
            os.mkdir(os.path.join(tree, "cmake"))
            shutil.copy(os.path.join(ROOT, "cmake", "version.cmake"), os.path.join(tree, "cmake"))
            cases = [("2.3.4", "2.3.4", "2,3,4,0"),
                     ("2.3.4+git17.gabcdef0123", "2.3.4+git17.gabcdef0123", "2,3,4,17"),
                     ("2.3.4+git70000.gabc.dirty", "2.3.4+git70000.gabc.dirty", "2,3,4,65535")]
            for stated, full, numbers in cases:
                with self.subTest(stated):
                    with open(os.path.join(tree, "VERSION"), "w") as f:
                        f.write(stated + "\n")
                    header = os.path.join(tree, "v.h")
                    subprocess.run(["cmake", f"-DSOURCE_DIR={tree}", f"-DHEADER={header}", "-P",
                                    os.path.join(tree, "cmake", "version.cmake")], check=True)
                    with open(header) as f:
                        text = f.read()
                    self.assertIn(f'#define QUILLON_VERSION "{full}"', text)
                    self.assertIn(f"#define QUILLON_VERSION_NUMBERS {numbers}", text)
            with open(os.path.join(tree, "VERSION"), "w") as f:
                f.write("2.3-beta\n")
            r = subprocess.run(["cmake", f"-DSOURCE_DIR={tree}", "-P",
                                os.path.join(tree, "cmake", "version.cmake")],
                               capture_output=True, text=True)
            self.assertNotEqual(r.returncode, 0, "a malformed VERSION must stop the build")


if __name__ == "__main__":
    CLI, ROOT = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=[sys.argv[0], *sys.argv[3:]], verbosity=1)

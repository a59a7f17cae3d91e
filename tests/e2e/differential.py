#!/usr/bin/env python3
"""Differential runs of the built swu binary over random small files and
random switch combinations (fixed seed, so every run is the same):

  * intelligent writing must not change a result: a run in place gives the
    same files and output as the same run with -~;
  * a run in place gives the same files as the same run writing to an
    output directory with -$ (not under -M, which writes nothing at all
    to an output file when no line was modified, yet leaves a file in place
    as it was);
  * a file whose lines end in a lone LF never gains a CR: every line break
    the command writes into it is an LF, like the file's own.

Usage: differential.py <swu-binary> [cases] [seed]

A binary is run through the command in SWU_EMULATOR when that is set (a
Windows build under wine). A case that disagrees is printed with the exit
status and output of each run, so that a log shows what differed.
"""

import os
import random
import shlex
import shutil
import subprocess
import sys
import tempfile

BYTES = [b"a", b"b", b"A", b"\r\n", b"\n", b"\r", b"\0", b"\xc9", b"#", b"!",
         b"&", b"@", b"x", b" "]
EMULATOR = shlex.split(os.environ.get("SWU_EMULATOR", ""))
# The bytes of a file whose lines end in a lone LF: no CR anywhere.
LINE_BYTES = [b for b in BYTES if b"\r" not in b and b != b"\n"]
SWITCHES = ["-C", "-D", "-D:P", "-D:L", "-D:R", "-U", "-A", "-I", "-O", "-X",
            "-N", "-N:46", "-B", "-T", "-#", "-#:O", "-#:E", "-#:L", "-#:I",
            "-#:J", "-#:1,3", "-&", "-&:U", "-&:L", "-&:C", "-W", "-W:95",
            "-1", "-2", "-3", "-4", "-K:6~", "-K:1x,RM", "-K:3a,RF", "-'"]


class Case:
    def __init__(self, rng, with_lines_filter):
        self.files = {name: self.content(rng) for name in ("f1.txt", "f2.txt")}
        # One file in three has LF lines only, ended or not by a last LF.
        self.lf_file = rng.random() < 0.34
        if self.lf_file:
            self.files["f2.txt"] = self.lf_lines(rng)
        self.args = ["*.txt", self.text(rng)]
        if rng.random() < 0.8:
            self.args.append(self.text(rng))
        switches = SWITCHES + (["-M"] if with_lines_filter else [])
        self.args += rng.sample(switches, rng.randint(0, 4))

    @staticmethod
    def content(rng):
        return b"".join(rng.choice(BYTES) for _ in range(rng.randint(1, 40)))

    @staticmethod
    def lf_lines(rng):
        lines = [b"".join(rng.choice(LINE_BYTES) for _ in range(rng.randint(0, 8)))
                 for _ in range(rng.randint(2, 5))]
        return b"\n".join(lines) + (b"\n" if rng.random() < 0.5 else b"")

    @staticmethod
    def text(rng):
        return "".join(rng.choice("abAB@#!&x ~") for _ in range(rng.randint(0, 4)))


def run(binary, root, case, extra, result_dir=""):
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    for name, data in case.files.items():
        with open(os.path.join(root, name), "wb") as f:
            f.write(data)
    done = subprocess.run(EMULATOR + [binary] + case.args + extra, cwd=root,
                          capture_output=True, timeout=60)
    if EMULATOR and not_started(done):
        # Under wine a process now and then fails to start at all: exit 1
        # and not a byte of output. The command never ran, so the files are
        # as they were; it is started once more.
        done = subprocess.run(EMULATOR + [binary] + case.args + extra,
                              cwd=root, capture_output=True, timeout=60)
    where = os.path.join(root, result_dir)
    files = {}
    if os.path.isdir(where):
        for name in sorted(os.listdir(where)):
            with open(os.path.join(where, name), "rb") as f:
                files[name] = f.read()
    return done, files


def not_started(done):
    return done.returncode == 1 and not done.stdout and not done.stderr


def describe(name, done):
    return "%s: exit %d, stdout %r" % (name, done.returncode, done.stdout)


def main(argv):
    binary = os.path.abspath(argv[1])
    count = int(argv[2]) if len(argv) > 2 else 300
    rng = random.Random(int(argv[3]) if len(argv) > 3 else 2026)
    scratch = tempfile.mkdtemp(prefix="swu-diff-")
    failures = 0
    try:
        for i in range(count):
            case = Case(rng, with_lines_filter=i % 2 == 0)
            a, files_a = run(binary, scratch + "/a", case, [])
            b, files_b = run(binary, scratch + "/b", case, ["-~"])
            problems = []
            if a.stderr or b.stderr:
                problems.append("stderr: %r %r" % (a.stderr[:300], b.stderr[:300]))
            if (a.returncode, a.stdout, files_a) != (b.returncode, b.stdout, files_b):
                problems.append("-~ changes the result: %r / %r" % (files_a, files_b))
                problems.append(describe("in place", a))
                problems.append(describe("with -~", b))
            if case.lf_file and b"\r" in files_a.get("f2.txt", b""):
                problems.append("a CR in an LF file: %r" % files_a["f2.txt"])
            if "-M" not in case.args:
                c, files_c = run(binary, scratch + "/c", case, ["-$", "out"], "out")
                expected = {name: files_a[name] for name in files_c}
                if c.stderr or files_c != expected:
                    problems.append("-$ differs: %r / %r" % (files_a, files_c))
                    problems.append(describe("in place", a))
                    problems.append(describe("with -$", c))
            if problems:
                failures += 1
                print("FAIL args=%r files=%r" % (case.args, case.files))
                for p in problems:
                    print("    " + p)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print("%d of %d differential cases agreed" % (count - failures, count))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

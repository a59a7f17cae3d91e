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
    the command writes into it is an LF, like the file's own;
  * --diff shows what the run does: over random trees of CR LF and LF
    files (with and without a last line break) and command lines from
    every switch family, the diff it prints, applied with `patch -p1` (and
    with `git apply` where git is installed) to a copy of the tree, gives
    the real run's files byte for byte; its messages on standard error are
    the real run's output and notes, its exit status the real run's; and the tree
    it ran in is untouched (bytes and modification times);
  * a file with several names in such a tree (hard links, symbolic links
    beside it or below it) is changed once: the real run, a run with -$
    and the applied diff agree. patch and git apply write a new file for
    the name they patch, so a hard-linked name they did not patch is
    judged by the one they did; and the links of the trees are named
    after their files in the walk's order, since both tools refuse to
    patch through a symbolic link.
  * a change the diff leaves out (a binary file; a path outside the
    current directory: absolute, or through ..) costs only that change:
    the rest of the diff still applies with both tools, and nothing is
    written for it inside the tree (POSIX paths; not under SWU_EMULATOR).

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


def notes_only(stderr):
    """True when standard error holds nothing but the notes after the
    totals (a count of matches differing in case, say)."""
    return all(line.startswith(b"Note: ")
               for line in stderr.splitlines() if line)


def not_started(done):
    return done.returncode == 1 and not done.stdout and not done.stderr


def describe(name, done):
    return "%s: exit %d, stdout %r" % (name, done.returncode, done.stdout)


# --diff cases. Lines of words and special characters, never a NUL (a
# diff shows a change holding one as "Binary files ... differ" only).
WORDS = [b"ab", b"AB", b"abc", b"b", b"x", b"#", b"&", b"!", b"@", b" ",
         b"\xc9", b"\t"]
DIFF_SWITCHES = [s for s in SWITCHES if s not in ("-K:1x,RM", "-K:3a,RF")] + [
    "-M", "-K:1x", "-K:2b,RF"]
OUTPUTS = [["-$", "out"], ["-$:F", "one.txt"], ["-$:A", "all.txt"],
           ["-$:B", "out"]]


class DiffCase:
    # |link_rng| draws the links, apart from |rng|, so that the command
    # lines and files stay those of a tree without links.
    def __init__(self, rng, link_rng):
        self.files = {}
        names = ["f1.txt", "f2.txt", "sub/f3.txt", "sub/deep/f4.txt", "f5.dat"]
        for name in rng.sample(names, rng.randint(1, len(names))):
            self.files[name] = self.lines(rng)
        if rng.random() < 0.2:
            self.files["empty.txt"] = b""
        spec = rng.choice(["*.txt", "*.txt", "f1.txt", "sub/*.txt",
                           "new.txt"])
        self.args = [spec, self.text(rng)]
        if rng.random() < 0.85:
            self.args.append(self.text(rng))
        self.args += rng.sample(DIFF_SWITCHES, rng.randint(0, 4))
        if rng.random() < 0.3:
            self.args.append("-R")
        if rng.random() < 0.2:
            self.args.append(rng.choice(["-B:C", "-T:C"]))
        self.links = (self.make_links(link_rng, spec)
                      if link_rng.random() < 0.4 else [])
        if rng.random() < 0.25:
            self.args += rng.choice(OUTPUTS)
            if rng.random() < 0.5 and "-$:F" not in self.args:
                # An output that exists already.
                target = self.args[-1]
                if target.endswith(".txt"):
                    self.files[target] = self.lines(rng)
                else:
                    self.files[target + "/f1.txt"] = self.lines(rng)

    def make_links(self, rng, spec):
        """Other names of the tree's files: (name, target, hard)."""
        links = []
        for k in range(rng.randint(1, 3)):
            target = rng.choice(sorted(self.files))
            folder, _, base = target.rpartition("/")
            folder = folder + "/" if folder else ""
            if rng.random() < 0.5:
                links.append((folder + "h%d.txt" % k, target, True))
            elif base.endswith(".txt"):
                links.append((folder + "z%d.txt" % k, base, False))
            if target.count("/") == 0 and spec in ("*.txt", "f1.txt") and \
                    "sub/f3.txt" in self.files:
                # From below, like a header directory's link to its parent.
                links.append(("sub/z%d.txt" % k, "../" + target, False))
        return links

    @staticmethod
    def lines(rng):
        brk = rng.choice([b"\r\n", b"\n", b"\n", b"\r\n"])
        lines = [b"".join(rng.choice(WORDS) for _ in range(rng.randint(0, 5)))
                 for _ in range(rng.randint(1, 25))]
        if rng.random() < 0.1:
            lines.append(b"mixed\n" if brk == b"\r\n" else b"mixed\r\n")
        return brk.join(lines) + (brk if rng.random() < 0.7 else b"")

    @staticmethod
    def text(rng):
        return "".join(rng.choice(["ab", "AB", "abc", "b", "x", "@", "#", "&",
                                   "!", " ", "~"])
                       for _ in range(rng.randint(1, 3)))


def make_tree(root, files, links=()):
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    for name, data in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    for name, target, hard in links:
        path = os.path.join(root, name)
        if os.path.lexists(path):
            continue
        if hard:
            os.link(os.path.join(root, target), path)
        else:
            os.symlink(target, path)


def as_patched(tree, original, links):
    """|tree| with each hard-linked name that a patch tool left as it was
    given the bytes of the name it patched (the tool broke the link)."""
    groups = {}
    for name, target, hard in links:
        if hard:
            groups.setdefault(target, {target}).add(name)
    tree = dict(tree)
    for names in groups.values():
        changed = {tree[n] for n in names
                   if n in tree and tree[n] != original.get(n)}
        if len(changed) == 1:
            data = changed.pop()
            for n in names:
                tree[n] = data
    for name, target, hard in links:
        named = os.path.normpath(os.path.join(os.path.dirname(name), target))
        if not hard and name in tree and named in tree:
            tree[name] = tree[named]  # Read through the link.
    return tree


def check_output_directory(binary, scratch, case, expected):
    """A run with -$ writes each file once, as the run in place left it
    (not under -M, nor where a file is created)."""
    if any(a.startswith(("-$", "-M", "-B:C", "-T:C")) for a in case.args):
        return []
    out = scratch + "/byout"
    make_tree(out, case.files, case.links)
    subprocess.run(EMULATOR + [binary] + case.args + ["-$", "swuout"],
                   cwd=out, capture_output=True, timeout=60)
    where = os.path.dirname(case.args[0])  # the filespec's directory
    written = files_only(snapshot(os.path.join(out, "swuout")))
    wrong = {n: d for n, d in written.items()
             if expected.get(os.path.join(where, n)) != d}
    return ["-$ differs from in place: %r / %r" % (wrong, expected)] \
        if wrong else []


def snapshot(root, times=False):
    """Every file under |root|: its bytes, and with |times| its
    modification time; every directory as None."""
    found = {}
    for dirpath, dirnames, filenames in os.walk(root):
        for d in dirnames:
            found[os.path.relpath(os.path.join(dirpath, d), root) + "/"] = None
        for f in filenames:
            path = os.path.join(dirpath, f)
            with open(path, "rb") as fh:
                data = fh.read()
            key = os.path.relpath(path, root)
            found[key] = (data, os.stat(path).st_mtime_ns) if times else data
    return found


def files_only(tree):
    return {k: v for k, v in tree.items() if v is not None}


def apply_diff(command, root, diff):
    done = subprocess.run(command, cwd=root, input=diff, capture_output=True,
                          timeout=60)
    return done.returncode == 0, done.stdout + done.stderr


def check_diff(binary, scratch, case, git):
    """Returns the problems of one --diff case, and whether its diff
    applied byte-exactly."""
    real, shown, patched = (scratch + n for n in ("/real", "/shown", "/patched"))
    make_tree(real, case.files, case.links)
    make_tree(shown, case.files, case.links)
    done = subprocess.run(EMULATOR + [binary] + case.args, cwd=real,
                          capture_output=True, timeout=60)
    before = snapshot(shown, times=True)
    dry = subprocess.run(EMULATOR + [binary] + case.args + ["--diff"],
                         cwd=shown, capture_output=True, timeout=60)
    problems = []
    if snapshot(shown, times=True) != before:
        problems.append("--diff changed its tree")
    # Its messages are the real run's report, then the same notes.
    if (dry.returncode, dry.stderr) != (done.returncode,
                                        done.stdout + done.stderr) or \
            not notes_only(done.stderr):
        problems.append("messages or status differ: %d %r %r / %d %r" % (
            done.returncode, done.stdout, done.stderr, dry.returncode,
            dry.stderr))
    expected = files_only(snapshot(real))
    original = files_only(snapshot(shown))
    if case.links:
        problems += check_output_directory(binary, scratch, case, expected)
    tools = [["patch", "-p1", "--binary", "--batch", "--quiet"]]
    if git:
        tools.append(["git", "apply", "-p1", "--allow-empty",
                      "--whitespace=nowarn"])
    for tool in tools:
        make_tree(patched, case.files, case.links)
        ok, said = True, b""
        if dry.stdout:
            ok, said = apply_diff(tool, patched, dry.stdout)
        got = as_patched(files_only(snapshot(patched)), original, case.links)
        if not ok or got != expected:
            problems.append("%s: %s; real %r / patched %r\n%s" % (
                tool[0], said.decode(errors="replace")[:300], expected, got,
                dry.stdout.decode(errors="replace")[:1500]))
    return problems, not problems


# Command lines whose diff leaves a change out, the tree they run in (as
# "tree", beside an existing directory "out"; {out} is its absolute path)
# and the files whose change the diff leaves out there.
LEFT_OUT = [
    (["*.txt", "abc", "XYZ"],
     {"a.txt": b"abc\n", "bin.txt": b"abc\0\n", "c.txt": b"1\n2\nabc\n"},
     ["bin.txt"]),
    (["a.txt", "abc", "XYZ", "-$", "{out}"], {"a.txt": b"abc\n"}, []),
    (["{out}/new.txt", "abc", "XYZ", "-T:C"], {"a.txt": b"abc\n"}, []),
    (["../tree/a.txt", "abc", "XYZ"], {"a.txt": b"abc\n"}, ["a.txt"]),
]


def left_out_cases(binary, git):
    """Applies the diffs of LEFT_OUT; returns the number that failed."""
    scratch = tempfile.mkdtemp(prefix="swu-diff-")
    tools = [["patch", "-p1", "--binary", "--batch"]]
    if git:
        tools.append(["git", "apply", "-p1", "--allow-empty"])
    failures = 0
    try:
        for args, files, kept in LEFT_OUT:
            runs = {}
            for side in ("real", "shown"):
                root = os.path.join(scratch, side)
                make_tree(root + "/tree", files)
                os.makedirs(root + "/out")
                line = [a.replace("{out}", root + "/out") for a in args]
                if side == "shown":
                    line.append("--diff")
                runs[side] = subprocess.run([binary] + line, cwd=root + "/tree",
                                            capture_output=True, timeout=60)
            expected = files_only(snapshot(scratch + "/real/tree"))
            expected.update({name: files[name] for name in kept})
            for tool in tools:
                patched = os.path.join(scratch, "patched")
                make_tree(patched, files)
                ok, said = apply_diff(tool, patched, runs["shown"].stdout)
                got = files_only(snapshot(patched))
                if not ok or got != expected:
                    failures += 1
                    print("FAIL --diff leaving out args=%r %s: %s; expected "
                          "%r / patched %r\n%s" % (
                              args, tool[0], said.decode(errors="replace"),
                              expected, got,
                              runs["shown"].stdout.decode(errors="replace")))
            shutil.rmtree(scratch)
            os.makedirs(scratch)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    total = len(LEFT_OUT) * len(tools)
    print("%d of %d diffs leaving a change out applied" % (
        total - failures, total))
    return failures


def main(argv):
    binary = os.path.abspath(argv[1])
    count = int(argv[2]) if len(argv) > 2 else 300
    rng = random.Random(int(argv[3]) if len(argv) > 3 else 2026)
    scratch = tempfile.mkdtemp(prefix="swu-diff-")
    failures = 0
    try:
        for i in range(count):
            case = Case(rng, with_lines_filter=i % 2 == 0)
            # Files loaded ahead on three threads against one thread.
            a, files_a = run(binary, scratch + "/a", case, ["--threads", "3"])
            b, files_b = run(binary, scratch + "/b", case,
                             ["-~", "--threads", "1"])
            problems = []
            if not notes_only(a.stderr) or a.stderr != b.stderr:
                problems.append("stderr: %r %r" % (a.stderr[:300], b.stderr[:300]))
            if (a.returncode, a.stdout, files_a) != (b.returncode, b.stdout, files_b):
                problems.append("-~ or one thread changes the result: %r / %r"
                                % (files_a, files_b))
                problems.append(describe("in place", a))
                problems.append(describe("with -~", b))
            if case.lf_file and b"\r" in files_a.get("f2.txt", b""):
                problems.append("a CR in an LF file: %r" % files_a["f2.txt"])
            if "-M" not in case.args:
                c, files_c = run(binary, scratch + "/c", case, ["-$", "out"], "out")
                expected = {name: files_a[name] for name in files_c}
                if c.stderr != a.stderr or files_c != expected:
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
    if not diff_cases(binary, count, rng):
        failures += 1
    if not EMULATOR:
        failures += left_out_cases(binary, shutil.which("git") is not None)
    return 1 if failures else 0


def diff_cases(binary, count, rng):
    git = shutil.which("git") is not None
    scratch = tempfile.mkdtemp(prefix="swu-diff-")
    exact = 0
    changed = 0
    # Seeded from |rng| without drawing from it.
    link_rng = random.Random(repr(rng.getstate()[1][:8]))
    try:
        for _ in range(count):
            case = DiffCase(rng, link_rng)
            problems, applied = check_diff(binary, scratch, case, git)
            exact += applied
            if problems:
                print("FAIL --diff args=%r files=%r" % (case.args, case.files))
                for p in problems:
                    print("    " + p)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print("%d of %d --diff command lines applied byte-exactly%s" % (
        exact, count, " (patch and git apply)" if git else " (patch)"))
    return exact == count


if __name__ == "__main__":
    sys.exit(main(sys.argv))

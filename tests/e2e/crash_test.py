#!/usr/bin/env python3
"""A rewrite in place survives SIGKILL. A real process is killed at chosen
points: while it writes the journal, while it writes the file from the
journal, and before it removes the journal; growing, shrinking and at the
same length, on a file large enough to be mapped, and in a tree. After
each kill, both `swu --recover` and an ordinary later run (a --diff run
too) must leave the original or the result byte for byte, and nothing
behind. A journal whose
file changed since, and one a live run holds, are left alone.

The paused binary stops at a chosen point (see tests/tools/swu_paused.cc)
and goes on when its standard input ends, so every point is exact.

Usage: crash_test.py <swu> <swu_paused>
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile

SWU = None
PAUSED = None
FAILURES = []

LINE = b"alpha beta gamma delta epsilon zeta eta theta iota kappa\r\n"
DATA = LINE * 36000  # about 2 MiB: mapped, and written in several batches
MODES = (("growing", ["alpha", "ALPHA-1", "-C"]),
         ("shrinking", ["alpha", "A", "-C"]),
         ("same length", ["alpha", "ALPHA", "-C"]))


def expect(ok, what):
    if not ok:
        FAILURES.append(what)
        print("FAIL " + what)


def result_of(args, data):
    d = tempfile.mkdtemp(prefix="swu-crash-")
    try:
        with open(os.path.join(d, "f.txt"), "wb") as f:
            f.write(data)
        subprocess.run([SWU, "f.txt"] + args + ["-V:0"], cwd=d, check=True)
        return open(os.path.join(d, "f.txt"), "rb").read()
    finally:
        shutil.rmtree(d)


def left_behind(d):
    found = []
    for root, _, names in os.walk(d):
        found += [os.path.join(root, n) for n in names if n.startswith(".swu-")]
    return found


def killed_at(d, args, point, at):
    """Runs the paused command in |d|, kills it at the point, and returns
    whether it paused."""
    env = dict(os.environ)
    env[point] = str(at)
    p = subprocess.Popen([PAUSED] + args, cwd=d, env=env,
                         stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE)
    paused = p.stderr.readline() == b"paused\n"
    p.kill()
    p.communicate(timeout=60)
    return paused


def recover(d, how):
    """Recovers |d| with --recover or with a later run that matches
    nothing. Returns the process."""
    if how == "--recover":
        cmd = [SWU, "--recover", "."]
    else:
        cmd = [SWU, "*.txt", "no such text", "-V:2"]
    return subprocess.run(cmd, cwd=d, stdout=subprocess.PIPE, timeout=60)


def kill_points(want):
    """(point, at, finished): where to kill, and whether the file must be
    the result afterwards (else the original)."""
    return (("SWU_PAUSE_AT_JOURNAL_BYTE", 0, False),
            ("SWU_PAUSE_AT_JOURNAL_BYTE", 100000, False),
            ("SWU_PAUSE_AT_FILE_BYTE", 1, True),
            ("SWU_PAUSE_AT_FILE_BYTE", len(want) // 2, True),
            ("SWU_PAUSE_BEFORE_REMOVE", 1, True))


def kill_cases():
    tried = 0
    for name, args in MODES:
        want = result_of(args, DATA)
        for point, at, finished in kill_points(want):
            for how in ("--recover", "a later run"):
                tried += 1
                what = "%s, killed at %s %d, then %s" % (name, point, at, how)
                d = tempfile.mkdtemp(prefix="swu-crash-")
                try:
                    path = os.path.join(d, "f.txt")
                    with open(path, "wb") as f:
                        f.write(DATA)
                    expect(killed_at(d, ["f.txt"] + args, point, at),
                           what + ": did not pause")
                    r = recover(d, how)
                    got = open(path, "rb").read()
                    expect(got == (want if finished else DATA),
                           what + ": file is not the %s" %
                           ("result" if finished else "original"))
                    expect(r.returncode == 0, what + ": exit %d" % r.returncode)
                    # Before it leaves its name a done journal is empty:
                    # its file is whole, and there is nothing to tell.
                    if point != "SWU_PAUSE_BEFORE_REMOVE":
                        expect(b"Recovered: " in r.stdout,
                               what + ": no recovery line")
                    expect(left_behind(d) == [], what + ": left " +
                           " ".join(left_behind(d)))
                finally:
                    shutil.rmtree(d)
    return tried


def tree_case():
    """Killed while the second of three files is written: --recover on the
    directory finishes it; the first is done, the third untouched."""
    small = LINE * 3000
    args = MODES[0][1]
    d = tempfile.mkdtemp(prefix="swu-crash-")
    try:
        os.mkdir(os.path.join(d, "sub"))
        names = ("sub/a.txt", "sub/b.txt", "sub/c.txt")
        for n, data in zip(names, (small, DATA, DATA)):
            with open(os.path.join(d, n), "wb") as f:
                f.write(data)
        expect(killed_at(d, ["*.txt", "-R"] + args, "SWU_PAUSE_AT_FILE_BYTE",
                         1500000), "tree: did not pause")
        r = recover(d, "--recover")
        files = [open(os.path.join(d, n), "rb").read() for n in names]
        expect(files == [result_of(args, small), result_of(args, DATA), DATA],
               "tree: not a.txt and b.txt done and c.txt untouched")
        expect(b"Recovered: ./sub/b.txt (rewrite finished)" in r.stdout,
               "tree: recovery line %r" % r.stdout)
        expect(left_behind(d) == [], "tree: journal left")
    finally:
        shutil.rmtree(d)


def between_files_case():
    """Killed between two files, the run leaves the journal file it kept
    for the next one; a later run in that directory, even one that
    changes nothing, clears it away."""
    args = MODES[0][1]
    d = tempfile.mkdtemp(prefix="swu-crash-")
    try:
        for n in ("a.txt", "b.txt"):
            with open(os.path.join(d, n), "wb") as f:
                f.write(DATA)
        # One thread: a worker reading ahead would open b.txt while a.txt
        # is still being rewritten.
        expect(killed_at(d, ["*.txt", "--threads", "1"] + args,
                         "SWU_PAUSE_AT_OPEN", "b.txt"),
               "between files: did not pause")
        expect(len(left_behind(d)) == 1, "between files: no spare journal")
        recover(d, "a later run")
        expect(left_behind(d) == [], "between files: left " +
               " ".join(left_behind(d)))
        expect(open(os.path.join(d, "a.txt"), "rb").read() ==
               result_of(args, DATA), "between files: a.txt not the result")
    finally:
        shutil.rmtree(d)


def killed_mid_rewrite(d):
    """Writes f.txt in |d| and kills a growing rewrite of it once its first
    batch is written; returns its path."""
    path = os.path.join(d, "f.txt")
    with open(path, "wb") as f:
        f.write(DATA)
    killed_at(d, ["f.txt"] + MODES[0][1], "SWU_PAUSE_AT_FILE_BYTE", 1)
    return path


def changed_since_case():
    """A file changed after the kill is not one the journal explains: both
    are left as they are, and the file is not processed."""
    d = tempfile.mkdtemp(prefix="swu-crash-")
    try:
        path = killed_mid_rewrite(d)
        with open(path, "ab") as f:
            f.write(b"edited since\r\n")
        before = open(path, "rb").read()
        r = recover(d, "--recover")
        expect(r.returncode == 4, "changed since: exit %d" % r.returncode)
        expect(b"Not recovered: ./f.txt (file changed since" in r.stdout,
               "changed since: %r" % r.stdout)
        later = recover(d, "a later run")
        expect(b"Not recovered: f.txt" in later.stdout,
               "changed since: a later run %r" % later.stdout)
        expect(open(path, "rb").read() == before, "changed since: file written")
        expect(len(left_behind(d)) == 1, "changed since: journal removed")
    finally:
        shutil.rmtree(d)


def live_journal_case():
    """A journal that a live run holds is never taken by --recover."""
    args = MODES[0][1]
    want = result_of(args, DATA)
    d = tempfile.mkdtemp(prefix="swu-crash-")
    try:
        path = os.path.join(d, "f.txt")
        with open(path, "wb") as f:
            f.write(DATA)
        env = dict(os.environ, SWU_PAUSE_AT_FILE_BYTE="1")
        p = subprocess.Popen([PAUSED, "f.txt"] + args, cwd=d, env=env,
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE)
        expect(p.stderr.readline() == b"paused\n", "live: did not pause")
        r = recover(d, "--recover")
        expect(b"in use by another run" in r.stdout, "live: %r" % r.stdout)
        p.communicate(timeout=60)
        expect(p.returncode == 0, "live: the run failed")
        expect(open(path, "rb").read() == want, "live: not the result")
        expect(left_behind(d) == [], "live: journal left")
    finally:
        shutil.rmtree(d)


def journal_name_taken_case():
    """A link planted at the journal's name just before the journal is made
    is never written through: the run keeps its result in memory."""
    args = MODES[0][1]
    d = tempfile.mkdtemp(prefix="swu-crash-")
    try:
        path = os.path.join(d, "f.txt")
        with open(path, "wb") as f:
            f.write(DATA)
        with open(os.path.join(d, "outside"), "wb") as f:
            f.write(b"not a journal\r\n")
        name = ".swu-journal-%016x" % os.stat(path).st_ino
        env = dict(os.environ, SWU_PAUSE_AT_OPEN=name)
        p = subprocess.Popen([PAUSED, "f.txt"] + args, cwd=d, env=env,
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE)
        expect(p.stderr.readline() == b"paused\n", "name taken: did not pause")
        os.symlink("outside", os.path.join(d, name))
        p.communicate(timeout=60)
        expect(open(os.path.join(d, "outside"), "rb").read() ==
               b"not a journal\r\n", "name taken: written through the link")
        expect(open(path, "rb").read() == result_of(args, DATA),
               "name taken: not the result")
    finally:
        shutil.rmtree(d)


def foreign_journal_case():
    """A journal that belongs to neither its file's owner nor the user
    running the command is never applied."""
    if os.geteuid() != 0:
        print("foreign journal case skipped: it needs root")
        return
    d = tempfile.mkdtemp(prefix="swu-crash-")
    try:
        path = killed_mid_rewrite(d)
        before = open(path, "rb").read()
        journal = os.path.join(d, left_behind(d)[0])
        os.chown(journal, 65534, 65534)  # as if another user had made it
        r = recover(d, "--recover")
        expect(r.returncode == 4, "foreign: exit %d" % r.returncode)
        expect(b"journal belongs to another user" in r.stdout,
               "foreign: %r" % r.stdout)
        expect(open(path, "rb").read() == before, "foreign: journal applied")
    finally:
        shutil.rmtree(d)


def diff_recovers_case():
    """--diff over a file with a killed rewrite's journal repairs it as any
    run does (the recovery line on standard error) and then shows its own
    change to the recovered file, which patch turns into the real run's."""
    d = tempfile.mkdtemp(prefix="swu-crash-")
    try:
        path = killed_mid_rewrite(d)
        grown = result_of(MODES[0][1], DATA)
        args = ["f.txt", "ALPHA-1", "omega", "-C"]
        done = subprocess.run([SWU] + args + ["--diff"], cwd=d,
                              capture_output=True, timeout=60)
        expect(b"Recovered: f.txt (rewrite finished)" in done.stderr,
               "--diff: no recovery line: %r" % done.stderr[:300])
        expect(open(path, "rb").read() == grown and not left_behind(d),
               "--diff: the file is not recovered, or a journal is left")
        patched = subprocess.run(["patch", "-p1", "--binary", "--quiet"],
                                 cwd=d, input=done.stdout)
        expect(patched.returncode == 0 and
               open(path, "rb").read() == result_of(args[1:], grown),
               "--diff after a recovery does not give the run's result")
    finally:
        shutil.rmtree(d)


def main(argv):
    global SWU, PAUSED
    if len(argv) != 3:
        raise SystemExit(__doc__)
    SWU, PAUSED = os.path.abspath(argv[1]), os.path.abspath(argv[2])
    tried = kill_cases()
    tree_case()
    between_files_case()
    changed_since_case()
    live_journal_case()
    journal_name_taken_case()
    foreign_journal_case()
    diff_recovers_case()
    print("%d kills recovered; %d failures" % (tried + 1, len(FAILURES)))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""A rewrite in place by the Windows build survives a killed process, under
wine. The paused command (tests/tools/swu_paused.cc) stops at an exact
point of a rewrite of a file of about 2 MiB, written from its journal in
several 1 MiB batches; the wine process that runs it is then killed
(SIGKILL: the Windows process ends as by TerminateProcess, without running
any handler). Killed while the file is written, a recovery must leave the
exact result; killed while the journal is written, the original. Either
way no journal may be left, and while one exists it must be hidden: no
run lists it or reads it as an input file.

Recovery is by `swu --recover <directory>`, which finds journals by name,
or by a later run over the file, which looks for the file's own journal.

Usage: windows_kill_test.py <swu.exe> <swu_paused.exe>, with the wine
loader (and its environment) in SWU_EMULATOR, as for run_cases.py.
"""

import os
import shlex
import shutil
import subprocess
import sys
import tempfile

EMULATOR = shlex.split(os.environ.get("SWU_EMULATOR", ""))
SWU = None
PAUSED = None
FAILURES = []

LINE = b"alpha beta gamma delta epsilon zeta eta theta iota kappa\r\n"
DATA = LINE * 36000  # about 2 MiB: several batches of writes
GROWING = ["alpha", "ALPHA-1", "-C"]
SHRINKING = ["alpha", "A", "-C"]


def expect(ok, what):
    if not ok:
        FAILURES.append(what)
        print("FAIL " + what)


def run(d, args):
    return subprocess.run(EMULATOR + [SWU] + args, cwd=d, timeout=60,
                          stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE)


def journals(d):
    return sorted(n for n in os.listdir(d) if n.startswith(".swu-"))


def windows_path(d):
    """|d| as the Windows program sees it: wine's drive Z: is the root."""
    return "Z:" + d.replace("/", "\\")


def result_of(args):
    d = tempfile.mkdtemp(prefix="swu-wkill-")
    try:
        with open(os.path.join(d, "f.txt"), "wb") as f:
            f.write(DATA)
        expect(run(d, ["f.txt"] + args + ["-V:0"]).returncode == 0,
               "the plain rewrite failed")
        with open(os.path.join(d, "f.txt"), "rb") as f:
            return f.read()
    finally:
        shutil.rmtree(d)


def check_hidden(d, what):
    """While the paused run holds its journal, neither a filespec that
    matches its name nor the name itself makes it an input file."""
    names = journals(d)
    expect(len(names) == 1, what + ": no journal while paused")
    for spec in [".*"] + names:
        r = run(d, [spec, "zeta", "-#:0", "-V:2"])
        expect(b"No files to process" in r.stdout,
               what + ": %s found %r" % (spec, r.stdout))


def start_paused(d, args, point, at):
    """Starts the paused rewrite of f.txt in |d| at |point| |at|. Returns
    the process and whether it paused."""
    env = dict(os.environ)
    env[point] = str(at)
    p = subprocess.Popen(EMULATOR + [PAUSED, "f.txt"] + args, cwd=d,
                         env=env, stdin=subprocess.PIPE,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    return p, p.stderr.readline().rstrip() == b"paused"


def foreign_case():
    """A journal of another user's (wine shows a file of another POSIX
    user as the anonymous user's) is never applied, neither by --recover
    nor by a later run over its file."""
    if os.geteuid() != 0:
        print("foreign journal case skipped: it needs root")
        return
    d = tempfile.mkdtemp(prefix="swu-wkill-")
    try:
        path = os.path.join(d, "f.txt")
        with open(path, "wb") as f:
            f.write(DATA)
        p, paused = start_paused(d, GROWING, "SWU_PAUSE_AT_FILE_BYTE", 1 << 20)
        expect(paused, "foreign: did not pause")
        p.kill()
        p.communicate(timeout=60)
        with open(path, "rb") as f:
            before = f.read()
        for name in journals(d):
            os.chown(os.path.join(d, name), 65534, 65534)
        r = run(d, ["--recover", windows_path(d)])
        expect(b"journal belongs to another user" in r.stdout,
               "foreign: --recover: %r" % r.stdout)
        r = run(d, ["f.txt", "no such text", "-V:2"])
        expect(b"Recovered" not in r.stdout, "foreign: run: %r" % r.stdout)
        with open(path, "rb") as f:
            expect(f.read() == before, "foreign: journal applied")
        expect(len(journals(d)) == 1, "foreign: journal removed")
    finally:
        shutil.rmtree(d)


def kill_case(what, args, point, at, how, finished):
    """Kills the paused rewrite at |point| |at|, recovers |how|, and checks
    the file is the result (|finished|) or the original."""
    want = result_of(args) if finished else DATA
    d = tempfile.mkdtemp(prefix="swu-wkill-")
    try:
        path = os.path.join(d, "f.txt")
        with open(path, "wb") as f:
            f.write(DATA)
        p, paused = start_paused(d, args, point, at)
        expect(paused, what + ": did not pause")
        if paused:
            check_hidden(d, what)
            with open(path, "rb") as f:
                now = f.read()
            # The kill lands part way through the file's writes, or
            # before any of them while the journal is incomplete.
            expect(now not in (DATA, want) if finished else now == DATA,
                   what + ": the file is not %s when killed" %
                   ("half written" if finished else "the original"))
        p.kill()
        p.communicate(timeout=60)
        expect(p.returncode == -9, what + ": ended with %d" % p.returncode)
        if how == "--recover":
            r = run(d, ["--recover", windows_path(d)])
        else:
            r = run(d, ["*.*", "no such text", "-V:2"])
        state = b"(rewrite finished)" if finished else b"(original kept)"
        expect(r.returncode == 0, what + ": exit %d" % r.returncode)
        expect(b"Recovered: " in r.stdout and state in r.stdout,
               what + ": %r" % r.stdout)
        with open(path, "rb") as f:
            got = f.read()
        expect(got == want, what + ": file is not the " +
               ("result" if finished else "original"))
        expect(journals(d) == [], what + ": left " + " ".join(journals(d)))
    finally:
        shutil.rmtree(d)


def show_dot_files(show):
    """Wine itself hides every name that begins with '.', as Windows never
    does; the test turns that off, so that only the file's own hidden
    attribute keeps a journal out of listings."""
    key = ["HKCU\\Software\\Wine", "/v", "ShowDotFiles", "/f"]
    action = ["add"] + key + ["/d", "Y"] if show else ["delete"] + key
    subprocess.run(EMULATOR + ["reg"] + action, check=show,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def main(argv):
    global SWU, PAUSED
    if len(argv) != 3:
        raise SystemExit(__doc__)
    SWU, PAUSED = os.path.abspath(argv[1]), os.path.abspath(argv[2])
    cases = (
        ("growing, killed writing the file, --recover", GROWING,
         "SWU_PAUSE_AT_FILE_BYTE", 1 << 20, "--recover", True),
        ("shrinking, killed writing the file, a later run", SHRINKING,
         "SWU_PAUSE_AT_FILE_BYTE", 1 << 20, "a later run", True),
        ("growing, killed writing the journal, --recover", GROWING,
         "SWU_PAUSE_AT_JOURNAL_BYTE", 1 << 20, "--recover", False),
        ("shrinking, killed writing the journal, a later run", SHRINKING,
         "SWU_PAUSE_AT_JOURNAL_BYTE", 1 << 20, "a later run", False),
    )
    failed = 0
    show_dot_files(True)
    try:
        for case in cases:
            before = len(FAILURES)
            kill_case(*case)
            failed += len(FAILURES) > before
        foreign_case()
    finally:
        show_dot_files(False)
    print("%d of %d killed rewrites recovered" %
          (len(cases) - failed, len(cases)))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

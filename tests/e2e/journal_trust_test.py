#!/usr/bin/env python3
"""A journal left behind is an instruction to overwrite a file: it is
carried out only when it is this user's, reached without a link, and
explains every byte of the file as it is now. Each case leaves a journal
the way a killed run does (the paused binary, killed at an exact point),
then changes the world around it as another program or another user
would, and checks the bytes on disk afterwards.

Usage: journal_trust_test.py <swu> <swu_paused>
"""

import os
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time

SWU = None
PAUSED = None
FAILURES = []

LINE = b"alpha beta gamma delta epsilon zeta eta theta iota kappa\r\n"
DATA = LINE * 36000  # about 2 MiB: written in several batches
GROW = ["alpha", "alpha omega", "-C"]  # run twice, it would grow twice


def expect(ok, what):
    if not ok:
        FAILURES.append(what)
        print("FAIL " + what)


def run(d, args, user=False):
    cmd = [SWU] + args
    if user:
        cmd = ["setpriv", "--reuid=nobody", "--regid=nogroup",
               "--clear-groups"] + cmd
    return subprocess.run(cmd, cwd=d, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=60)


def result_of(args, data):
    d = tempfile.mkdtemp(prefix="swu-trust-")
    try:
        with open(os.path.join(d, "f.txt"), "wb") as f:
            f.write(data)
        run(d, ["f.txt"] + args + ["-V:0"])
        return open(os.path.join(d, "f.txt"), "rb").read()
    finally:
        shutil.rmtree(d)


def journals(d):
    found = []
    for root, _, names in os.walk(d):
        found += [os.path.join(root, n) for n in names
                  if n.startswith(".swu-journal-")]
    return found


def killed_mid_rewrite(d, name="f.txt", data=DATA, point="SWU_PAUSE_AT_FILE_BYTE",
                       at=len(DATA) // 2):
    """Writes |name| in |d| and kills a growing rewrite of it at the point;
    returns its path."""
    path = os.path.join(d, name)
    with open(path, "wb") as f:
        f.write(data)
    env = dict(os.environ, **{point: str(at)})
    p = subprocess.Popen([PAUSED, name] + GROW, cwd=d, env=env,
                         stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE)
    expect(p.stderr.readline() == b"paused\n", "did not pause: " + name)
    p.kill()
    p.communicate(timeout=60)
    return path


def rewritten_in_place_case():
    """The file rewritten in place by someone else, to the same length,
    after a rewrite left its journal: the journal no longer explains it."""
    d = tempfile.mkdtemp(prefix="swu-trust-")
    try:
        path = killed_mid_rewrite(d, at=0)  # journal complete, file as it was
        edited = DATA.replace(b"kappa", b"KAPPA", 1)
        with open(path, "r+b") as f:
            f.write(edited)
        r = run(d, ["f.txt", "omega", "OMEGA", "-C"])
        expect(open(path, "rb").read() == edited,
               "rewritten in place: the journal overwrote the user's bytes")
        expect(b"Not recovered: f.txt (file changed since" in r.stdout and
               r.returncode == 4, "rewritten in place: %r" % r.stdout[-200:])
    finally:
        shutil.rmtree(d)


def spare_never_applied_case():
    """A complete journal under a spare's name (where a killed run could
    once leave one) is removed by the next run in the directory, never
    applied to its file."""
    d = tempfile.mkdtemp(prefix="swu-trust-")
    try:
        path = killed_mid_rewrite(d, at=0)
        journal = journals(d)[0]
        spare = journal.replace(".swu-journal-", ".swu-journal-s")
        os.rename(journal, spare)
        with open(os.path.join(d, "g.txt"), "wb") as f:
            f.write(b"other\r\n")
        run(d, ["g.txt", "other", "OTHER"])
        expect(open(path, "rb").read() == DATA, "spare: applied to its file")
        expect(journals(d) == [], "spare: not removed")
    finally:
        shutil.rmtree(d)


def same_command_again_case():
    """The same command run again after a kill mid-apply finishes the
    rewrite it began and does not edit the file a second time."""
    d = tempfile.mkdtemp(prefix="swu-trust-")
    try:
        path = killed_mid_rewrite(d)
        r = run(d, ["f.txt"] + GROW)
        expect(open(path, "rb").read() == result_of(GROW, DATA),
               "same command again: edited twice")
        expect(b"Recovered: f.txt (rewrite finished)" in r.stdout and
               b"36000 matches" in r.stdout and r.returncode == 0,
               "same command again: %r" % r.stdout[-300:])
    finally:
        shutil.rmtree(d)


def copy_recovers_case():
    """A faithful copy of a directory with a torn file and its journal
    (another file number) is recovered like the original."""
    d = tempfile.mkdtemp(prefix="swu-trust-")
    try:
        os.mkdir(os.path.join(d, "a"))
        killed_mid_rewrite(os.path.join(d, "a"))
        subprocess.run(["cp", "-a", os.path.join(d, "a"), os.path.join(d, "b")],
                       check=True)
        r = run(d, ["--recover", "b"])
        expect(open(os.path.join(d, "b", "f.txt"), "rb").read() ==
               result_of(GROW, DATA) and r.returncode == 0,
               "copy: not recovered: %r" % r.stdout)
    finally:
        shutil.rmtree(d)


def discard_case():
    """--recover --discard removes the journal and leaves the file as it
    is, and says so."""
    d = tempfile.mkdtemp(prefix="swu-trust-")
    try:
        path = killed_mid_rewrite(d)
        before = open(path, "rb").read()
        r = run(d, ["--recover", "--discard", "."])
        expect(b"Discarded: ./f.txt (journal removed without applying it)"
               in r.stdout and r.returncode == 0, "discard: %r" % r.stdout)
        expect(open(path, "rb").read() == before and journals(d) == [],
               "discard: file changed or journal left")
    finally:
        shutil.rmtree(d)


def hidden_directory_case():
    """--recover finds a journal in a hidden directory."""
    d = tempfile.mkdtemp(prefix="swu-trust-")
    try:
        os.mkdir(os.path.join(d, ".cfg"))
        path = killed_mid_rewrite(os.path.join(d, ".cfg"))
        r = run(d, ["--recover", "."])
        expect(open(path, "rb").read() == result_of(GROW, DATA) and
               journals(d) == [] and r.returncode == 0,
               "hidden directory: not recovered: %r" % r.stdout)
    finally:
        shutil.rmtree(d)


def private_journal_case():
    """A journal is readable by its owner only, whatever the file's mode."""
    d = tempfile.mkdtemp(prefix="swu-trust-")
    try:
        killed_mid_rewrite(d)
        mode = stat.S_IMODE(os.stat(journals(d)[0]).st_mode)
        expect(mode & 0o077 == 0, "journal mode %o" % mode)
    finally:
        shutil.rmtree(d)


def planted_link_case():
    """Another user links the journal's name to a file of root's that holds
    a journal of their choosing: root's next run never follows the link."""
    if os.geteuid() != 0:
        print("planted link case skipped: it needs root and a second user")
        return
    d = tempfile.mkdtemp(prefix="swu-trust-")
    try:
        os.chmod(d, 0o1777)
        path = killed_mid_rewrite(d, at=0)  # journal complete, file untouched
        journal = journals(d)[0]
        target = tempfile.mkstemp(prefix="swu-trust-target-")[1]
        shutil.move(journal, target)  # root's own file, the attacker's bytes
        r = subprocess.run(["setpriv", "--reuid=nobody", "--regid=nogroup",
                            "--clear-groups", "ln", "-s", target, journal])
        expect(r.returncode == 0, "planted link: could not plant it")
        run(d, ["f.txt", "no such text", "x"])
        expect(open(path, "rb").read() == DATA,
               "planted link: the journal was applied through the link")
        os.unlink(target)
    finally:
        shutil.rmtree(d)


def name_taken_case():
    """A FIFO, or another user's file, at the journal's name is never
    opened for writing or waited on, and never costs the rewrite its crash
    safety: the journal goes under another name, which a later run finds;
    the name's holder is left as it is."""
    d = tempfile.mkdtemp(prefix="swu-trust-")
    try:
        path = os.path.join(d, "f.txt")
        with open(path, "wb") as f:
            f.write(DATA)
        fifo = os.path.join(d, ".swu-journal-%016x" % os.stat(path).st_ino)
        os.mkfifo(fifo)
        killed_mid_rewrite(d)
        expect(os.path.exists(fifo + "-1"), "name taken: no other name used")
        r = run(d, ["f.txt", "no such text", "x", "-V:3"])
        expect(open(path, "rb").read() == result_of(GROW, DATA),
               "name taken: not recovered: %r" % r.stdout[-300:])
        expect(b"Journal name taken" in r.stdout and r.returncode == 0,
               "name taken: %r" % r.stdout[-300:])
        expect(stat.S_ISFIFO(os.lstat(fifo).st_mode) and
               not os.path.exists(fifo + "-1"), "name taken: left behind")
    finally:
        shutil.rmtree(d)


def hard_link_case():
    """A file killed mid-rewrite as a/f.txt and then reached as b/f.txt (a
    hard link in another directory) is recovered, not processed torn."""
    d = tempfile.mkdtemp(prefix="swu-trust-")
    try:
        os.mkdir(os.path.join(d, "a"))
        os.mkdir(os.path.join(d, "b"))
        path = os.path.join(d, "a", "f.txt")
        with open(path, "wb") as f:
            f.write(DATA)
        os.link(path, os.path.join(d, "b", "f.txt"))
        killed_mid_rewrite(os.path.join(d, "a"))
        r = run(d, ["b/f.txt", "no such text", "x"])
        expect(open(path, "rb").read() == result_of(GROW, DATA) and
               journals(d) == [] and r.returncode == 0,
               "hard link: not recovered through the other name: %r" %
               r.stdout[-300:])
    finally:
        shutil.rmtree(d)


def nothing_for_nothing_case():
    """A rewrite whose result is the file byte for byte writes nothing: the
    file keeps its modification and change times."""
    d = tempfile.mkdtemp(prefix="swu-trust-")
    try:
        path = os.path.join(d, "f.txt")
        with open(path, "wb") as f:
            f.write(DATA)
        os.utime(path, ns=(10**18, 10**18))
        before = os.stat(path)
        r = run(d, ["f.txt", "alpha", "alpha", "-C"])
        after = os.stat(path)
        expect(r.returncode == 0 and b"36000 matches" in r.stdout,
               "nothing for nothing: %r" % r.stdout[-200:])
        expect(after.st_mtime_ns == before.st_mtime_ns and
               after.st_ctime_ns == before.st_ctime_ns,
               "nothing for nothing: the file was rewritten")
    finally:
        shutil.rmtree(d)


def swapped_directory_case():
    """Under -R a directory swapped for a link after the walk listed it:
    the journal is still made, named and removed in the directory the walk
    holds, never in the one the link leads to."""
    d = tempfile.mkdtemp(prefix="swu-trust-")
    try:
        os.makedirs(os.path.join(d, "t", "sub"))
        os.mkdir(os.path.join(d, "elsewhere"))
        path = os.path.join(d, "t", "sub", "f.txt")
        with open(path, "wb") as f:
            f.write(DATA)
        name = ".swu-journal-%016x" % os.stat(path).st_ino
        env = dict(os.environ, SWU_PAUSE_AT_OPEN=name)
        p = subprocess.Popen([PAUSED, "t/*.txt"] + GROW + ["-R"], cwd=d,
                             env=env, stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        paused = p.stderr.readline() == b"paused\n"
        expect(paused, "swapped directory: did not pause")
        os.rename(os.path.join(d, "t", "sub"), os.path.join(d, "t", "held"))
        os.symlink(os.path.join(d, "elsewhere"), os.path.join(d, "t", "sub"))
        p.communicate(timeout=60)
        expect(os.listdir(os.path.join(d, "elsewhere")) == [],
               "swapped directory: journal made through the link")
        # The file is the one the walk listed, in the directory it holds:
        # rewritten there, whatever the path has come to name.
        expect(open(os.path.join(d, "t", "held", "f.txt"), "rb").read() ==
               DATA.replace(b"alpha", b"alpha omega"),
               "swapped directory: the listed file was not rewritten")
        # Its journal was made where the walk held it, and emptied there.
        left = [n for n in os.listdir(os.path.join(d, "t", "held"))
                if n != "f.txt" and not n.startswith(".swu-journal-s")]
        expect(left == [], "swapped directory: left %r" % left)
    finally:
        shutil.rmtree(d)


def late_lock_case():
    """A small file is read unlocked and locked only once it is to be
    written. Rewritten by someone else in between (same length, same
    time stamp granule), the run loads it again and edits what is there
    now."""
    d = tempfile.mkdtemp(prefix="swu-trust-")
    try:
        path = os.path.join(d, "f.txt")
        with open(path, "wb") as f:
            f.write(b"one alpha\n")
        env = dict(os.environ, SWU_PAUSE_AT_LOCK="f.txt")
        p = subprocess.Popen([PAUSED, "*.txt", "alpha", "omega", "-C"],
                             cwd=d, env=env, stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        expect(p.stderr.readline() == b"paused\n", "late lock: no pause")
        with open(path, "r+b") as f:
            f.write(b"two alpha\n")
        out, _ = p.communicate(timeout=60)
        expect(open(path, "rb").read() == b"two omega\n",
               "late lock: %r, %r" % (open(path, "rb").read(), out))
    finally:
        shutil.rmtree(d)


def recover_during_journal_lock_case():
    """A --recover run while a rewrite's journal exists but is not yet
    locked must not cost the rewrite its journal. strace holds every flock
    after the first (the file's; the journal's is the second) until the
    test ends strace; meanwhile `--recover .` runs in the directory. The
    run must then reach its pause mid-apply (so it still has a journal on
    disk) and, killed there, recover to the original or the result."""
    probe = ["strace", "-D", "-I1", "-f", "-qq", "-o", "/dev/null", "-e",
             "trace=flock", "-e", "inject=flock:delay_enter=600000000:when=2+"]
    if shutil.which("strace") is None:
        print("recover during journal lock case skipped: needs strace")
        return
    if subprocess.run(probe + ["true"], stderr=subprocess.DEVNULL).returncode:
        print("recover during journal lock case skipped: strace cannot trace"
              " here (ptrace not permitted)")
        return
    d = tempfile.mkdtemp(prefix="swu-trust-")
    try:
        path = os.path.join(d, "f.txt")
        with open(path, "wb") as f:
            f.write(DATA)
        env = dict(os.environ, SWU_PAUSE_AT_FILE_BYTE=str(len(DATA) // 2))
        # -D: the run is this child and strace a detached grandchild, which
        # lets every held lock go on, and the run on, when it is ended.
        p = subprocess.Popen(probe + [PAUSED, "f.txt"] + GROW, cwd=d, env=env,
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE)
        for _ in range(6000):  # synchronisation only: until it is made
            if journals(d) or p.poll() is not None:
                break
            time.sleep(0.01)
        if not journals(d):
            p.kill()
            expect(False, "recover during journal lock: no journal: %r" %
                   (p.communicate(timeout=60),))
            return
        run(d, ["--recover", "."])
        with open("/proc/%d/status" % p.pid) as status:
            tracer = [int(l.split()[1]) for l in status
                      if l.startswith("TracerPid:")][0]
        os.kill(tracer, signal.SIGTERM)
        line = p.stderr.readline()
        p.kill()
        out, _ = p.communicate(timeout=60)
        expect(line == b"paused\n", "recover during journal lock: the run "
               "went on without its journal on disk, so a kill would tear "
               "the file (%r, %r)" % (line, out[-200:]))
        r = run(d, ["--recover", "."])
        expect(open(path, "rb").read() in (DATA, result_of(GROW, DATA)),
               "recover during journal lock: torn file, journals %r, %r" %
               (journals(d), r.stdout[-200:]))
    finally:
        shutil.rmtree(d)


def main(argv):
    global SWU, PAUSED
    if len(argv) != 3:
        raise SystemExit(__doc__)
    SWU, PAUSED = os.path.abspath(argv[1]), os.path.abspath(argv[2])
    rewritten_in_place_case()
    spare_never_applied_case()
    same_command_again_case()
    copy_recovers_case()
    discard_case()
    hidden_directory_case()
    private_journal_case()
    planted_link_case()
    name_taken_case()
    hard_link_case()
    nothing_for_nothing_case()
    swapped_directory_case()
    late_lock_case()
    recover_during_journal_lock_case()
    print("%d failures" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Safety of the rewrite against the world outside: real signals sent to a
real process in the middle of a large rewrite, a file-size limit, another
program renaming or cutting the file, two runs over one file, a lock that
is never let go, a -R tree whose owner swaps an entry for a link out
of the tree between its listing and its open, a file system without locks
(flock errors injected with strace), two -R -$ runs at once, a killed -$
run's temporary, and -$ over a set-user-ID output (as root). After each,
the bytes on disk are compared.

The paused binary stops at a chosen point (see tests/tools/swu_paused.cc)
and goes on when its standard input ends, so every point is exact.

Usage: safety_test.py <swu> <swu_paused>
"""

import fcntl
import os
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile

SWU = None
PAUSED = None
FAILURES = []

# About 2 MiB of CR LF lines, "alpha" in every one.
LINE = b"alpha beta gamma delta epsilon zeta eta theta iota kappa\r\n"
DATA = LINE * 36000
GROW = ["alpha", "ALPHA-1", "-C"]  # the result is longer
SHRINK = ["alpha", "A", "-C"]      # the result is shorter


def expect(ok, what):
    if not ok:
        FAILURES.append(what)
        print("FAIL " + what)


def result_of(args, data):
    """What an uninterrupted run makes of |data|."""
    d = tempfile.mkdtemp(prefix="swu-safety-")
    try:
        with open(os.path.join(d, "f.txt"), "wb") as f:
            f.write(data)
        subprocess.run([SWU, "f.txt"] + args + ["-V:0"], cwd=d, check=True)
        return open(os.path.join(d, "f.txt"), "rb").read()
    finally:
        shutil.rmtree(d)


def start_paused(d, args, env_extra):
    env = dict(os.environ)
    env.update(env_extra)
    p = subprocess.Popen([PAUSED] + args, cwd=d, env=env,
                         stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE)
    line = p.stderr.readline()
    return p, line == b"paused\n"


def finish(p):
    out, _ = p.communicate(timeout=60)
    return out


def journals(d):
    """The journals and temporaries left in |d|."""
    return [n for n in os.listdir(d) if n.startswith(".swu-")]


def signal_cases():
    """A signal while the result goes to the journal ends the run at once
    and leaves the file as it was, with no journal behind; one while the
    file itself is written lets the file finish, then ends the run."""
    points = 0
    for name, args in (("growing", GROW), ("shrinking", SHRINK)):
        want = result_of(args, DATA)
        for point, at, finished in (
                ("SWU_PAUSE_AT_JOURNAL_BYTE", 0, False),
                ("SWU_PAUSE_AT_JOURNAL_BYTE", len(want) // 2, False),
                ("SWU_PAUSE_AT_FILE_BYTE", 1, True),
                ("SWU_PAUSE_AT_FILE_BYTE", len(want) - 1, True)):
            for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
                points += 1
                what = "%s rewrite, %s at %s %d" % (name, sig.name, point, at)
                d = tempfile.mkdtemp(prefix="swu-safety-")
                try:
                    path = os.path.join(d, "f.txt")
                    with open(path, "wb") as f:
                        f.write(DATA)
                    p, paused = start_paused(d, ["f.txt"] + args,
                                             {point: str(at)})
                    expect(paused, what + ": did not pause")
                    p.send_signal(sig)
                    p.send_signal(sig)  # a second one changes nothing
                    out = finish(p)
                    got = open(path, "rb").read()
                    expect(got == (want if finished else DATA),
                           what + ": file is not the %s" %
                           ("result" if finished else "original"))
                    expect(p.returncode == -sig,
                           what + ": ended with %d" % p.returncode)
                    expect((b"Totals:" in out) == finished,
                           what + ": totals %s" %
                           ("missing" if finished else "printed"))
                    expect(journals(d) == [], what + ": journal left")
                finally:
                    shutil.rmtree(d)
    return points


def tree_case():
    """Over a tree, the file being written is finished and no further
    file is started."""
    small = LINE * 3000
    want_small = result_of(GROW, small)
    want = result_of(GROW, DATA)
    d = tempfile.mkdtemp(prefix="swu-safety-")
    try:
        for n, data in (("a", small), ("b", DATA), ("c", DATA)):
            with open(os.path.join(d, n + ".txt"), "wb") as f:
                f.write(data)
        # Only b.txt writes this much to itself.
        p, paused = start_paused(d, ["*.txt"] + GROW,
                                 {"SWU_PAUSE_AT_FILE_BYTE": "1500000"})
        expect(paused, "tree: did not pause")
        p.send_signal(signal.SIGINT)
        out = finish(p)
        files = [open(os.path.join(d, n + ".txt"), "rb").read()
                 for n in "abc"]
        expect(files == [want_small, want, DATA],
               "tree: not a.txt and b.txt done and c.txt untouched")
        expect(p.returncode == -signal.SIGINT, "tree: not ended by SIGINT")
        expect(out.count(b"OK:") == 2 and b"Totals:" in out,
               "tree: report is not two files and the totals")
    finally:
        shutil.rmtree(d)


def prompt_interruption_cases():
    """Work that needs no protection ends at once on a signal: a count-only
    scan, and a -$ output, whose temporary goes with it."""
    for what, args, point in (
            ("count-only scan", ["f.txt", "alpha", "-#:0"],
             {"SWU_PAUSE_AT_OPEN": "f.txt"}),
            ("-$ output", ["f.txt", "alpha", "B", "-$", "out"],
             {"SWU_PAUSE_AT_BYTE": "1000"})):
        d = tempfile.mkdtemp(prefix="swu-safety-")
        try:
            os.mkdir(os.path.join(d, "out"))
            with open(os.path.join(d, "f.txt"), "wb") as f:
                f.write(DATA)
            p, paused = start_paused(d, args, point)
            expect(paused, what + ": did not pause")
            p.send_signal(signal.SIGINT)
            try:
                p.wait(timeout=5)
            except subprocess.TimeoutExpired:
                pass
            expect(p.returncode == -signal.SIGINT,
                   what + ": did not end at once by the signal")
            out = finish(p)
            expect(b"Totals:" not in out, what + ": went on to the totals")
            expect(os.listdir(os.path.join(d, "out")) == [],
                   what + ": left %r" % os.listdir(os.path.join(d, "out")))
        finally:
            shutil.rmtree(d)


def size_limit_case():
    """A file-size limit is a write fault: the file is put back."""
    data = LINE * 20000  # 1 160 000 bytes, growing past 1150 KiB
    d = tempfile.mkdtemp(prefix="swu-safety-")
    try:
        path = os.path.join(d, "f.txt")
        with open(path, "wb") as f:
            f.write(data)
        r = subprocess.run(
            ["bash", "-c", 'ulimit -f 1150; exec "$0" f.txt alpha ALPHA-1-2-3-4-5',
             SWU], cwd=d, stdout=subprocess.PIPE, timeout=60)
        expect(r.returncode == 4, "ulimit: ended with %d" % r.returncode)
        expect(b"Write fault encountered: f.txt" in r.stdout,
               "ulimit: no write fault reported")
        expect(open(path, "rb").read() == data, "ulimit: file not put back")
    finally:
        shutil.rmtree(d)


def closed_output_case():
    """A closed standard output does not end the run."""
    d = tempfile.mkdtemp(prefix="swu-safety-")
    try:
        path = os.path.join(d, "f.txt")
        with open(path, "wb") as f:
            f.write(b"alpha\r\n")
        read_end, write_end = os.pipe()
        os.close(read_end)
        r = subprocess.run([SWU, "f.txt", "alpha", "B"], cwd=d,
                           stdout=write_end, timeout=60)
        os.close(write_end)
        expect(r.returncode == 0, "closed output: ended with %d" % r.returncode)
        expect(open(path, "rb").read() == b"B\r\n",
               "closed output: file not rewritten")
    finally:
        shutil.rmtree(d)


def shrink_paused(d, point, value, what):
    """Starts a shrinking rewrite of DATA in |d| that pauses at |point|;
    returns the file's path and the process."""
    path = os.path.join(d, "f.txt")
    with open(path, "wb") as f:
        f.write(DATA)
    p, paused = start_paused(d, ["f.txt"] + SHRINK, {point: value})
    expect(paused, what + ": did not pause")
    return path, p


def changed_behind_case(what, change):
    """Another program changes the file between its load and the first
    write: nothing is written and the file fails as unreadable."""
    d = tempfile.mkdtemp(prefix="swu-safety-")
    try:
        path, p = shrink_paused(d, "SWU_PAUSE_AT_CHECK", "1", what)
        left = change(d, path)
        out = finish(p)
        expect(open(path, "rb").read() == left,
               what + ": the other program's file was written")
        expect(b"Bad file - Could not read: f.txt" in out,
               what + ": not reported as unreadable")
    finally:
        shutil.rmtree(d)


def rename_over(d, path):
    new = os.path.join(d, "new")
    with open(new, "wb") as f:
        f.write(b"saved by an editor\r\n")
    os.rename(new, path)
    return b"saved by an editor\r\n"


def truncate(d, path):
    os.truncate(path, 100)
    return DATA[:100]


def changed_during_rewrite_case(what, point, at, change, written=False):
    """Another program cuts, lengthens or renames over a large file while
    it is rewritten: the run does not crash, the file fails (as unreadable
    before the run wrote it; once it did, as changed by another program,
    with the journal kept for when the file is explained again), the
    command never lengthens it with bytes it did not have, and what the
    other program left is kept."""
    d = tempfile.mkdtemp(prefix="swu-safety-")
    try:
        path, p = shrink_paused(d, point, str(at), what)
        change(d, path)
        left = open(path, "rb").read()
        out = finish(p)
        got = open(path, "rb").read()
        expect(p.returncode >= 0, what + ": ended by signal %d" % -p.returncode)
        message = (b"File changed by another program during the rewrite; "
                   b"journal kept: f.txt" if written else
                   b"Bad file - Could not read: f.txt")
        expect(message in out, what + ": not reported as it should be")
        expect(b"OK:" not in out, what + ": reported OK")
        expect(got == left, what + ": changed after the other program")
        expect(len(journals(d)) == (1 if written else 0),
               what + ": journal left or not kept")
    finally:
        shutil.rmtree(d)


def overwritten_while_written_case():
    """Another program writes bytes the run has already written, keeping
    the length: the read-back finds them, the file fails with its journal,
    and the other program's bytes stay."""
    d = tempfile.mkdtemp(prefix="swu-safety-")
    try:
        path, p = shrink_paused(d, "SWU_PAUSE_AT_FILE_BYTE", "1",
                                "overwritten")
        with open(path, "r+b") as f:
            f.write(b"Z")
        out = finish(p)
        expect(b"File changed by another program during the rewrite; "
               b"journal kept: f.txt" in out and b"OK:" not in out,
               "overwritten: not reported as changed during the rewrite")
        expect(open(path, "rb").read(1) == b"Z",
               "overwritten: the other program's byte was written over")
        expect(len(journals(d)) == 1, "overwritten: journal not kept")
    finally:
        shutil.rmtree(d)


def lengthen(d, path):
    with open(path, "ab") as f:
        f.write(b"appended by another program\r\n")


def concurrent_case():
    """A second run over a file waits for the first one's lock."""
    first = result_of(GROW, DATA)
    both = result_of(["ALPHA-1", "B"], first)
    d = tempfile.mkdtemp(prefix="swu-safety-")
    try:
        path = os.path.join(d, "f.txt")
        with open(path, "wb") as f:
            f.write(DATA)
        p, paused = start_paused(d, ["f.txt"] + GROW + ["-V:1"],
                                 {"SWU_PAUSE_AT_BYTE": "0"})
        expect(paused, "concurrent: did not pause")
        q = subprocess.Popen([SWU, "f.txt", "ALPHA-1", "B", "-V:1"], cwd=d,
                             stdout=subprocess.PIPE)
        try:
            q.wait(timeout=1.0)
            expect(False, "concurrent: the second run did not wait")
        except subprocess.TimeoutExpired:
            pass
        finish(p)
        q.communicate(timeout=60)
        expect(p.returncode == 0 and q.returncode == 0,
               "concurrent: a run failed")
        expect(open(path, "rb").read() == both,
               "concurrent: not one run after the other")
    finally:
        shutil.rmtree(d)


def lock_timeout_case():
    """A file locked for ever fails with the open error, untouched."""
    d = tempfile.mkdtemp(prefix="swu-safety-")
    try:
        path = os.path.join(d, "f.txt")
        with open(path, "wb") as f:
            f.write(b"alpha\r\n")
        with open(path, "rb") as held:
            fcntl.flock(held, fcntl.LOCK_EX)
            r = subprocess.run([SWU, "f.txt", "alpha", "B"], cwd=d,
                               stdout=subprocess.PIPE, timeout=60)
        expect(b"Cannot open file or file is Read Only: f.txt" in r.stdout,
               "lock: not reported as an open failure")
        expect(open(path, "rb").read() == b"alpha\r\n", "lock: file changed")
    finally:
        shutil.rmtree(d)


def swap_for_link(target):
    """A swap that replaces the tree entry |name| with a link to |target|
    (relative to the entry's directory)."""
    def swap(tree, name):
        path = os.path.join(tree, name)
        if os.path.isdir(path) and not os.path.islink(path):
            shutil.rmtree(path)
        else:
            os.remove(path)
        os.symlink(target, path)
    return swap


def walk_swap_case(what, pause_at, name, swap):
    """Under -R the owner of the tree swaps the entry |name|, which the
    walk has already listed, for a link out of the tree while the run
    stops before opening the path that ends with |pause_at|: the file
    outside is never written and never reported OK."""
    d = tempfile.mkdtemp(prefix="swu-safety-")
    try:
        tree = os.path.join(d, "tree")
        outside = os.path.join(d, "outside")
        for sub in ("tree/sub", "outside"):
            os.makedirs(os.path.join(d, sub))
        for f in ("tree/a.txt", "tree/in.txt", "tree/sub/b.txt",
                  "tree/z.txt", "outside/b.txt", "outside/secret.txt"):
            with open(os.path.join(d, f), "wb") as out:
                out.write(b"alpha\r\n")
        os.symlink("in.txt", os.path.join(tree, "link.txt"))
        p, paused = start_paused(tree, ["*.txt", "alpha", "B", "-R"],
                                 {"SWU_PAUSE_AT_OPEN": pause_at})
        expect(paused, what + ": did not pause")
        swap(tree, name)
        out = finish(p)
        expect(p.returncode >= 0, what + ": ended by a signal")
        for f in ("b.txt", "secret.txt"):
            expect(open(os.path.join(outside, f), "rb").read() == b"alpha\r\n",
                   what + ": wrote outside/" + f)
        swapped = [line for line in out.splitlines()
                   if line.startswith(b"OK:") and
                   (line.endswith(b": " + name.encode()) or
                    b": " + name.encode() + b"/" in line)]
        expect(not swapped, what + ": reported OK")
        expect(open(os.path.join(tree, "a.txt"), "rb").read() == b"B\r\n",
               what + ": the files before it were not processed")
    finally:
        shutil.rmtree(d)


def two_tree_runs_case():
    """Two -R -$ runs at once into one output directory inside the tree:
    each holds a marker of its own, the one that ends first leaves the
    other's alone, and neither walks into the output directory."""
    d = tempfile.mkdtemp(prefix="swu-safety-")
    try:
        for name in ("a.txt", "b.dat"):
            with open(os.path.join(d, name), "wb") as f:
                f.write(b"alpha\r\n")
        args = ["alpha", "B", "-R", "-$", "zout", "-V:1"]
        # The first run stops in its first output, past the 46 bytes of
        # its marker; the second, over other files, runs meanwhile.
        p, paused = start_paused(d, ["*.txt"] + args,
                                 {"SWU_PAUSE_AT_BYTE": "46"})
        expect(paused, "two tree runs: did not pause")
        q = subprocess.run([SWU, "*.dat"] + args, cwd=d,
                           stdout=subprocess.PIPE, timeout=60)
        out = os.path.join(d, "zout")
        markers = [n for n in os.listdir(out) if n.endswith(".SWU")]
        expect(q.returncode == 0, "two tree runs: the second run failed")
        expect(len(markers) == 1,
               "two tree runs: the first run's marker is gone: %r" % markers)
        finish(p)
        expect(p.returncode == 0, "two tree runs: the first run failed")
        expect(not os.path.exists(os.path.join(out, "zout")),
               "two tree runs: a run walked into its output directory")
        expect(sorted(os.listdir(out)) == ["a.txt", "b.dat"],
               "two tree runs: left %r" % sorted(os.listdir(out)))
    finally:
        shutil.rmtree(d)


def walk_swap_cases():
    walk_swap_case("file swapped for a link", "z.txt", "z.txt",
                   swap_for_link("../outside/secret.txt"))
    walk_swap_case("followed link retargeted", "link.txt", "link.txt",
                   swap_for_link("../outside/secret.txt"))
    walk_swap_case("directory swapped before it is entered", "a.txt", "sub",
                   swap_for_link("../outside"))
    walk_swap_case("directory swapped before its file opens", "b.txt", "sub",
                   swap_for_link("../outside"))


def killed_temporary_case():
    """A -$ run killed while writing its temporary leaves it behind; the
    next -$ run into that directory removes it, but never the temporary
    of a run that is still alive."""
    d = tempfile.mkdtemp(prefix="swu-safety-")
    try:
        for name in ("f.txt", "g.txt"):
            with open(os.path.join(d, name), "wb") as f:
                f.write(DATA)
        out = os.path.join(d, "out")

        def temporaries():
            return [n for n in os.listdir(out) if n.startswith(".swu-")]

        p, paused = start_paused(d, ["f.txt"] + GROW + ["-$", "out"],
                                 {"SWU_PAUSE_AT_BYTE": "0"})
        expect(paused, "killed temporary: did not pause")
        live = temporaries()
        subprocess.run([SWU, "g.txt"] + GROW + ["-$", "out", "-V:0"], cwd=d,
                       timeout=60)
        expect(len(live) == 1 and temporaries() == live,
               "killed temporary: a live run's temporary was touched")
        p.send_signal(signal.SIGKILL)
        finish(p)
        subprocess.run([SWU, "g.txt"] + GROW + ["-$", "out", "-V:0"], cwd=d,
                       timeout=60)
        expect(temporaries() == [],
               "killed temporary: left %r" % temporaries())
    finally:
        shutil.rmtree(d)


def set_id_case(as_nobody):
    """-$ replacing a set-user-ID output keeps its owner (a root run may
    copy it), or else drops the set-ID bits: the result never lends the
    rights of an owner other than the replaced file's."""
    what = "set-ID output replaced by %s" % ("nobody" if as_nobody else "root")
    nobody = pwd.getpwnam("nobody")
    d = tempfile.mkdtemp(prefix="swu-safety-")
    try:
        os.chmod(d, 0o777)
        with open(os.path.join(d, "f.txt"), "wb") as f:
            f.write(b"alpha\r\n")
        os.mkdir(os.path.join(d, "out"), 0o777)
        os.chmod(os.path.join(d, "out"), 0o777)
        out = os.path.join(d, "out", "f.txt")
        with open(out, "wb") as f:
            f.write(b"old\r\n")
        # The output belongs to someone other than the run's user.
        owner = (0, 0) if as_nobody else (nobody.pw_uid, nobody.pw_gid)
        os.chown(out, *owner)
        os.chmod(out, 0o6757)
        cmd = [SWU, "f.txt", "alpha", "B", "-$", "out"]
        if as_nobody:
            cmd = ["setpriv", "--reuid=nobody", "--regid=nogroup",
                   "--clear-groups", "--"] + cmd
        subprocess.run(cmd, cwd=d, stdout=subprocess.PIPE, timeout=60)
        st = os.stat(out)
        expect(open(out, "rb").read() == b"B\r\n", what + ": not replaced")
        if as_nobody:
            expect(st.st_mode & 0o7777 == 0o0757,
                   what + ": mode %o, expected 757" % (st.st_mode & 0o7777))
        else:
            expect((st.st_uid, st.st_gid) == owner,
                   what + ": owner %d:%d" % (st.st_uid, st.st_gid))
            expect(st.st_mode & 0o7777 == 0o6757,
                   what + ": mode %o, expected 6757" % (st.st_mode & 0o7777))
    finally:
        shutil.rmtree(d)


def no_locking_case():
    """Where flock answers that the file system has no locks, the file is
    rewritten without one. strace makes every flock call fail so."""
    if shutil.which("strace") is None:
        expect(False, "no locking: strace is needed to inject flock errors")
        return
    for error in ("ENOLCK", "EOPNOTSUPP", "EINVAL"):
        d = tempfile.mkdtemp(prefix="swu-safety-")
        try:
            path = os.path.join(d, "f.txt")
            with open(path, "wb") as f:
                f.write(b"alpha\r\n")
            # A leak checker cannot work under strace's ptrace.
            env = dict(os.environ)
            env["ASAN_OPTIONS"] = env.get("ASAN_OPTIONS", "") + ":detect_leaks=0"
            r = subprocess.run(
                ["strace", "-f", "-qq", "-o", "/dev/null", "-e", "trace=flock",
                 "-e", "inject=flock:error=" + error,
                 SWU, "f.txt", "alpha", "B", "-V:3"],
                cwd=d, env=env, stdout=subprocess.PIPE, timeout=60)
            expect(b"OK: 1 matches found: f.txt" in r.stdout,
                   "no locking (%s): not rewritten: %r" % (error, r.stdout))
            expect(b"File not locked   : the file system has no locks"
                   in r.stdout, "no locking (%s): not told under -V:3" % error)
            expect(open(path, "rb").read() == b"B\r\n",
                   "no locking (%s): file not rewritten" % error)
        finally:
            shutil.rmtree(d)


def main(argv):
    global SWU, PAUSED
    if len(argv) != 3:
        raise SystemExit(__doc__)
    SWU, PAUSED = os.path.abspath(argv[1]), os.path.abspath(argv[2])
    points = signal_cases()
    tree_case()
    prompt_interruption_cases()
    size_limit_case()
    closed_output_case()
    changed_behind_case("renamed over", rename_over)
    changed_behind_case("truncated", truncate)
    changed_during_rewrite_case("cut while journalled",
                                "SWU_PAUSE_AT_JOURNAL_BYTE", 0, truncate)
    changed_during_rewrite_case("cut while written", "SWU_PAUSE_AT_FILE_BYTE",
                                1, truncate, written=True)
    changed_during_rewrite_case("lengthened while written",
                                "SWU_PAUSE_AT_FILE_BYTE", 1, lengthen,
                                written=True)
    changed_during_rewrite_case("renamed over while written",
                                "SWU_PAUSE_AT_FILE_BYTE", 1, rename_over)
    overwritten_while_written_case()
    concurrent_case()
    lock_timeout_case()
    walk_swap_cases()
    no_locking_case()
    two_tree_runs_case()
    killed_temporary_case()
    if os.geteuid() == 0:
        set_id_case(as_nobody=False)
        set_id_case(as_nobody=True)
    else:
        print("set-ID cases skipped: they need root")
    print("%d interruption points tried; %d failures" %
          (points + 1, len(FAILURES)))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

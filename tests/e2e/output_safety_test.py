#!/usr/bin/env python3
"""Safety of the files a run creates or appends to, rather than rewrites in
place: a -T:C file and a -$:A append killed (SIGKILL) at chosen points, a
file-size limit below the file's size, a -$ temporary swapped for a link
and an output name planted as a link by another user (as root), and two -$
runs at once. After each, the bytes and modes on disk are compared.

The paused binary stops at a chosen point (see tests/tools/swu_paused.cc)
and goes on when its standard input ends, so every point is exact.

Usage: output_safety_test.py <swu> <swu_paused>
"""

import os
import pwd
import shutil
import subprocess
import sys
import tempfile

SWU = None
PAUSED = None
FAILURES = []

LINE = b"alpha beta gamma delta epsilon zeta eta theta iota kappa\r\n"
DATA = LINE * 36000  # about 2 MiB, written in several batches


def expect(ok, what):
    if not ok:
        FAILURES.append(what)
        print("FAIL " + what)


def scratch():
    d = tempfile.mkdtemp(prefix="swu-outputs-")
    os.chmod(d, 0o755)
    return d


def put(path, data):
    with open(path, "wb") as f:
        f.write(data)


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


def own_files(d):
    return sorted(n for n in os.listdir(d) if n.startswith(".swu-"))


def start_paused(d, args, env_extra):
    env = dict(os.environ)
    env.update(env_extra)
    p = subprocess.Popen([PAUSED] + args, cwd=d, env=env,
                         stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE)
    return p, p.stderr.readline() == b"paused\n"


def killed_at(d, args, at):
    p, paused = start_paused(d, args, {"SWU_PAUSE_AT_BYTE": str(at)})
    p.kill()
    p.communicate(timeout=60)
    return paused


def run(d, args):
    return subprocess.run([SWU] + args, cwd=d, stdout=subprocess.PIPE,
                          timeout=60)


def created_file_cases():
    """-T:C killed anywhere leaves no file or the whole result, never an
    empty or part-written one; the next run creates it and clears the
    temporary the killed one left."""
    text = b"generated line\r\n" * 20000
    for at in (0, 1, len(text) // 2, len(text) - 1):
        d = scratch()
        try:
            put(os.path.join(d, "text.bin"), text)
            args = ["new.txt", "zzz", "-L", "text.bin", "-T:C"]
            expect(killed_at(d, args, at), "-T:C at %d: did not pause" % at)
            left = read(os.path.join(d, "NEW.TXT"))
            expect(left is None or left == text,
                   "-T:C killed at %d left %r bytes" %
                   (at, None if left is None else len(left)))
            run(d, args)
            expect(read(os.path.join(d, "NEW.TXT")) == text,
                   "-T:C at %d: not created whole afterwards" % at)
            expect(own_files(d) == [],
                   "-T:C at %d: left %r" % (at, own_files(d)))
        finally:
            shutil.rmtree(d)


def append_cases():
    """-$:A killed anywhere leaves the output as it was or with the whole
    append: the next append, or --recover, cuts a partial one back."""
    fres = DATA.replace(b"alpha", b"ALPHA")
    for how in ("append", "--recover"):
        for at in (0, 40, 41, 100000, len(DATA) // 2, len(DATA) + 50):
            what = "-$:A killed at %d, then %s" % (at, how)
            d = scratch()
            try:
                put(os.path.join(d, "f.txt"), DATA)
                put(os.path.join(d, "g.txt"), b"alpha\r\n")
                put(os.path.join(d, "out.txt"), b"old\r\n")
                expect(killed_at(d, ["f.txt", "alpha", "ALPHA", "-C", "-$:A",
                                     "out.txt"], at), what + ": no pause")
                if how == "append":
                    r = run(d, ["g.txt", "alpha", "ALPHA", "-C", "-$:A",
                                "out.txt"])
                    tail = b"ALPHA\r\n"
                else:
                    r = run(d, ["--recover", "."])
                    tail = b""
                out = read(os.path.join(d, "out.txt"))
                expect(r.returncode == 0, what + ": exit %d" % r.returncode)
                expect(out in (b"old\r\n" + tail, b"old\r\n" + fres + tail),
                       what + ": output of %d bytes" % len(out))
                expect(own_files(d) == [], what + ": left %r" % own_files(d))
            finally:
                shutil.rmtree(d)


def size_limit_case():
    """A same-length rewrite that would write past the file-size limit
    fails before it writes anything: the file is untouched."""
    data = LINE * 12000  # 696 000 bytes
    d = scratch()
    try:
        path = os.path.join(d, "f.txt")
        put(path, data)
        r = subprocess.run(
            ["bash", "-c", 'ulimit -f 600; exec "$0" f.txt alpha ALPHA -C',
             SWU], cwd=d, stdout=subprocess.PIPE, timeout=60)
        expect(r.returncode == 4, "ulimit in place: exit %d" % r.returncode)
        expect(b"Write fault encountered: f.txt" in r.stdout,
               "ulimit in place: no write fault: %r" % r.stdout)
        expect(read(path) == data, "ulimit in place: file touched")
        expect(own_files(d) == [], "ulimit in place: left %r" % own_files(d))
    finally:
        shutil.rmtree(d)


def as_nobody(cmd):
    return ["setpriv", "--reuid=nobody", "--regid=nogroup",
            "--clear-groups", "--"] + cmd


def shared_output(d):
    """An output directory that the user nobody owns and may write."""
    nobody = pwd.getpwnam("nobody")
    out = os.path.join(d, "out")
    os.mkdir(out)
    os.chown(out, nobody.pw_uid, nobody.pw_gid)
    os.chmod(out, 0o777)
    secret = os.path.join(d, "secret")
    put(secret, b"root only\n")
    os.chmod(secret, 0o600)
    return out, secret, nobody


def swapped_temporary_case():
    """Root's -$ temporary, swapped for a link by the output directory's
    owner while it is written, lends no rights over the link's target."""
    d = scratch()
    try:
        put(os.path.join(d, "f.txt"), b"alpha\r\n")
        out, secret, nobody = shared_output(d)
        put(os.path.join(out, "f.txt"), b"old\r\n")
        os.chown(os.path.join(out, "f.txt"), nobody.pw_uid, nobody.pw_gid)
        os.chmod(os.path.join(out, "f.txt"), 0o666)
        p, paused = start_paused(d, ["f.txt", "alpha", "B", "-$", "out"],
                                 {"SWU_PAUSE_AT_BYTE": "0"})
        expect(paused, "swapped temporary: did not pause")
        for name in own_files(out):
            subprocess.run(as_nobody(
                ["sh", "-c", 'rm -f "$0" && ln -s ../secret "$0"',
                 os.path.join(out, name)]), check=True, timeout=60)
        p.communicate(timeout=60)
        st = os.stat(secret)
        expect((st.st_uid, st.st_mode & 0o7777) == (0, 0o600),
               "swapped temporary: secret now owner %d mode %o" %
               (st.st_uid, st.st_mode & 0o7777))
        expect(read(secret) == b"root only\n", "swapped temporary: written")
    finally:
        shutil.rmtree(d)


def planted_link_case():
    """An output name that another user planted as a link is not appended
    through."""
    d = scratch()
    try:
        put(os.path.join(d, "f.txt"), b"alpha\r\n")
        out, secret, _ = shared_output(d)
        subprocess.run(as_nobody(["ln", "-s", "../secret",
                                  os.path.join(out, "o.txt")]),
                       check=True, timeout=60)
        for form in ("-$:A", "-$:B"):
            target = "out/o.txt" if form == "-$:A" else "out"
            name = "o.txt" if form == "-$:A" else "f.txt"
            if form == "-$:B":
                os.symlink("o.txt", os.path.join(out, "f.txt"))
                os.lchown(os.path.join(out, "f.txt"), *pwd.getpwnam(
                    "nobody")[2:4])
            r = run(d, ["f.txt", "alpha", "B", form, target])
            expect(r.returncode == 4, "planted link %s: exit %d" %
                   (form, r.returncode))
            expect(read(secret) == b"root only\n",
                   "planted link %s: appended through %s" % (form, name))
    finally:
        shutil.rmtree(d)


def concurrent_cases():
    """Two -$ runs into one directory: one run's finished temporary is not
    taken for a killed run's by the other's sweep, and a -R marker is never
    seen unlocked."""
    d = scratch()
    try:
        put(os.path.join(d, "f.txt"), b"alpha\r\n")
        put(os.path.join(d, "g.txt"), b"alpha\r\n")
        p, paused = start_paused(d, ["f.txt", "alpha", "F", "-$", "out"],
                                 {"SWU_PAUSE_BEFORE_RENAME": "1"})
        expect(paused, "two -$ runs: did not pause")
        r = run(d, ["g.txt", "alpha", "G", "-$", "out"])
        p.communicate(timeout=60)
        expect(p.returncode == 0 and r.returncode == 0,
               "two -$ runs: exits %d and %d" % (p.returncode, r.returncode))
        expect(read(os.path.join(d, "out", "f.txt")) == b"F\r\n",
               "two -$ runs: paused run's output lost")
    finally:
        shutil.rmtree(d)
    for point in ({"SWU_PAUSE_AT_LOCK": ".SWU"}, {"SWU_PAUSE_AT_BYTE": "0"}):
        d = scratch()
        try:
            os.mkdir(os.path.join(d, "a"))
            os.mkdir(os.path.join(d, "b"))
            put(os.path.join(d, "a", "f.txt"), b"alpha\r\n")
            put(os.path.join(d, "b", "g.txt"), b"alpha\r\n")
            p, _ = start_paused(d, ["a/*.txt", "alpha", "F", "-R", "-$",
                                    "out"], point)
            r = run(d, ["b/*.txt", "alpha", "G", "-R", "-$", "out"])
            p.communicate(timeout=60)
            expect(p.returncode == 0 and r.returncode == 0,
                   "two -R -$ runs at %r: exits %d and %d" %
                   (point, p.returncode, r.returncode))
            expect(sorted(os.listdir(os.path.join(d, "out"))) ==
                   ["f.txt", "g.txt"],
                   "two -R -$ runs at %r: out holds %r" %
                   (point, os.listdir(os.path.join(d, "out"))))
        finally:
            shutil.rmtree(d)


def main(argv):
    global SWU, PAUSED
    if len(argv) != 3:
        raise SystemExit(__doc__)
    SWU, PAUSED = os.path.abspath(argv[1]), os.path.abspath(argv[2])
    created_file_cases()
    append_cases()
    size_limit_case()
    concurrent_cases()
    if os.geteuid() == 0 and shutil.which("setpriv"):
        swapped_temporary_case()
        planted_link_case()
    else:
        print("other-user cases skipped: they need root and setpriv")
    print("%d failures" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

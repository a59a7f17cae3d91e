#!/usr/bin/env python3
"""A power cut during an in-place rewrite, simulated on a real file system.

ext4 lives on a loop device over an image file. The rewrite is stopped at
a chosen point; the image file is copied then, as "the disk at that
instant": the loop device has handed the image only what the file system
wrote to its disk, while data and metadata still in the page cache of the
mounted file system are missing from the copy, as they would be from a
disk that lost power. The copy is checked with e2fsck (which replays the
file system's journal, as a mount after the cut would), mounted, and
recovered with `swu --recover`; then the file must be its original or its
result. With --sync the result must be there from the moment the journal
is complete; without it, what is found is printed, not asserted: the page
cache outlives a killed process, not a machine.

Needs root, loop devices and e2fsprogs; says SKIPPED otherwise.

Usage: power_cut_test.py <swu> <swu_paused>
"""

import os
import shutil
import subprocess
import sys
import tempfile

LINE = b"alpha beta gamma delta epsilon zeta eta theta iota kappa\r\n"
DATA = LINE * 36000
ARGS = ["f.txt", "alpha", "ALPHA-1", "-C"]

# (name, pause variable, value, whether the result must be found with
# --sync). None as the variable: the copy is taken after the run ended.
POINTS = (
    ("journal half written", "SWU_PAUSE_AT_JOURNAL_BYTE", "1000000", False),
    ("journal complete, file untouched", "SWU_PAUSE_AT_FILE_BYTE", "0", True),
    ("file half written", "SWU_PAUSE_AT_FILE_BYTE", "1048576", True),
    ("before the journal is removed", "SWU_PAUSE_BEFORE_REMOVE", "1", True),
    ("after the run ended", None, None, True),
)


def run(cmd, **kw):
    return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          **kw)


class Disk:
    """An ext4 file system on a loop device over |image|, mounted at |mnt|."""

    def __init__(self, work):
        self.image = os.path.join(work, "disk.img")
        self.mnt = os.path.join(work, "mnt")
        os.mkdir(self.mnt)
        with open(self.image, "wb") as f:
            f.truncate(64 << 20)
        run(["mkfs.ext4", "-q", "-F", self.image], check=True)
        # Commits only on demand within a test: a power cut then finds what
        # the rewrite itself made durable, not what a timer happened to.
        run(["mount", "-o", "loop,commit=60", self.image, self.mnt],
            check=True)

    def close(self):
        run(["umount", self.mnt])


def outcome_after_cut(snapshot, swu, work, want):
    """Checks, mounts and recovers |snapshot|; returns what f.txt is."""
    run(["e2fsck", "-fy", snapshot])
    mnt = os.path.join(work, "cut")
    os.makedirs(mnt, exist_ok=True)
    if run(["mount", "-o", "loop", snapshot, mnt]).returncode != 0:
        return "unmountable"
    try:
        run([swu, "--recover", mnt])
        path = os.path.join(mnt, "f.txt")
        got = open(path, "rb").read() if os.path.exists(path) else None
        left = [n for n in os.listdir(mnt) if n.startswith(".swu-")]
    finally:
        run(["umount", mnt])
    if left:
        return "journal left"
    if got == DATA:
        return "original"
    if got == want:
        return "result"
    return "neither (%s bytes)" % (len(got) if got is not None else "no file")


def cut_at(disk, swu, paused, work, point, value, sync, want):
    path = os.path.join(disk.mnt, "f.txt")
    for name in os.listdir(disk.mnt):
        if name != "lost+found":
            os.remove(os.path.join(disk.mnt, name))
    with open(path, "wb") as f:
        f.write(DATA)
    os.sync()  # The original is on the disk before the rewrite starts.
    args = ARGS + (["--sync"] if sync else [])
    snapshot = os.path.join(work, "snapshot.img")
    if point is None:
        run([swu] + args, cwd=disk.mnt, check=True)
        shutil.copyfile(disk.image, snapshot)
    else:
        env = dict(os.environ)
        env[point] = value
        p = subprocess.Popen([paused] + args, cwd=disk.mnt, env=env,
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE)
        if p.stderr.readline() != b"paused\n":
            p.kill()
            p.communicate()
            return "did not pause"
        shutil.copyfile(disk.image, snapshot)
        p.communicate(timeout=60)
    return outcome_after_cut(snapshot, swu, work, want)


def main(argv):
    if len(argv) != 3:
        raise SystemExit(__doc__)
    swu, paused = os.path.abspath(argv[1]), os.path.abspath(argv[2])
    if os.geteuid() != 0 or not shutil.which("mkfs.ext4"):
        print("SKIPPED: needs root and e2fsprogs")
        return 0
    work = tempfile.mkdtemp(prefix="swu-power-")
    failures = 0
    try:
        d = os.path.join(work, "want")
        os.mkdir(d)
        with open(os.path.join(d, "f.txt"), "wb") as f:
            f.write(DATA)
        run([swu] + ARGS, cwd=d, check=True)
        want = open(os.path.join(d, "f.txt"), "rb").read()
        try:
            disk = Disk(work)
        except (subprocess.CalledProcessError, OSError) as e:
            print("SKIPPED: no loop device (%s)" % e)
            return 0
        try:
            for sync in (True, False):
                for name, point, value, must in POINTS:
                    got = cut_at(disk, swu, paused, work, point, value, sync,
                                 want)
                    ok = got in ("original", "result")
                    if sync and must:
                        ok = got == "result"
                    if sync and not ok:
                        failures += 1
                    print("%s %-9s %-34s -> %s" %
                          ("ok  " if ok else ("FAIL" if sync else "    "),
                           "--sync" if sync else "no sync", name, got))
        finally:
            disk.close()
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%d failures" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

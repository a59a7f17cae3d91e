#!/usr/bin/env python3
"""What only Windows has, driven under wine as a user would: an output
directory on another drive, names the ANSI code page cannot spell, paths
up to the 261 bytes a user may type, and the case of letters beyond ASCII.

- A second drive is mapped as wine maps one (a link in the prefix's
  dosdevices). The command is started directly, not from cmd, so that no
  "=X:" variable remembers a drive's directory for it: checking an output
  directory there must leave the current directory as it was.
- Names the code page lacks are tried under a UTF-8 locale, where wine's
  ANSI code page is still 1252: a name such as dātā.txt has a look-alike
  (data.txt) there, and one such as 名前.txt has none. (A CP1252 locale
  would spell every byte and hide the fault.) Every file must be
  processed as itself, once.
- A 261-byte filespec and a -$ directory of 250 bytes pass the system's
  MAX_PATH with what the command builds beside them (journal, temporary).
- Name patterns ignore the case of every letter, as the system does.

Files are compared byte for byte, and each output line exactly.

Usage: windows_paths_test.py <swu.exe>, with the wine loader (and its
environment) in SWU_EMULATOR, as for run_cases.py, and WINEPREFIX set.
"""

import os
import shlex
import shutil
import subprocess
import sys
import tempfile

EMULATOR = shlex.split(os.environ.get("SWU_EMULATOR", ""))
SWU = None
FAILURES = []
OLD = b"old\r\n"
NEW = b"new\r\n"


def expect(ok, what):
    if not ok:
        FAILURES.append(what)
        print("FAIL " + what)


def emulator(locale):
    """The emulator command with |locale| in place of its LC_ALL."""
    out = [a for a in EMULATOR if not a.startswith("LC_ALL=")]
    if out and out[0] == "env":
        return [out[0], "LC_ALL=" + locale] + out[1:]
    return ["env", "LC_ALL=" + locale] + out


def run(d, args, locale=None):
    cmd = (emulator(locale) if locale else EMULATOR) + [SWU] + args
    r = subprocess.run(cmd, cwd=d, timeout=60, stdin=subprocess.DEVNULL,
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    lines = r.stdout.replace(b"\r\n", b"\n").split(b"\n")
    return r.returncode, [l for l in lines[1:] if l]  # without the banner


def windows_path(d):
    return b"Z:" + os.fsencode(d).replace(b"/", b"\\")


def write(path, data=OLD):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def scratch():
    d = tempfile.mkdtemp(prefix="swu-wpath-")
    os.chmod(d, 0o755)
    return d


def free_drive():
    """A drive letter that the wine prefix does not map yet."""
    devices = os.path.join(os.environ["WINEPREFIX"], "dosdevices")
    for letter in "defghijklmnopqrstuvwxy":
        if not os.path.lexists(os.path.join(devices, letter + ":")):
            return letter, os.path.join(devices, letter + ":")
    raise SystemExit("no free drive letter in the wine prefix")


def test_output_directory_on_another_drive():
    letter, device = free_drive()
    drive = letter.upper().encode()
    work, other = scratch(), scratch()
    os.symlink(other, device)
    try:
        for name, out, recursive in [
                ("absolute", drive + b":\\out", False),
                ("drive-relative", drive + b":out", False),
                ("absolute under -R", drive + b":\\out", True)]:
            shutil.rmtree(os.path.join(other, "out"), ignore_errors=True)
            os.mkdir(os.path.join(other, "out"))
            write(os.path.join(work, "a.txt"))
            write(os.path.join(work, "sub", "b.txt"))
            write(os.path.join(other, "stray.txt"))  # D:'s own files
            args = [b"*.txt", b"old", b"new", b"-$", out]
            if recursive:
                args.append(b"-R")
            code, lines = run(work, args)
            what = "-$ %s on drive %s" % (name, letter)
            want = [b"OK: 1 matches found: a.txt"]
            if recursive:
                want.append(b"OK: 1 matches found: sub\\b.txt")
            want.append(b"Totals:        Files: %d  Matches: %d" %
                        (len(want), len(want)))
            expect(code == 0 and lines == want,
                   "%s: exit %d, %r" % (what, code, lines))
            expect(read(os.path.join(other, "out", "a.txt")) == NEW,
                   what + ": a.txt not written there")
            expect(read(os.path.join(work, "a.txt")) == OLD,
                   what + ": the input changed")
            expect(read(os.path.join(other, "stray.txt")) == OLD,
                   what + ": a file of the other drive changed")
            expect(not os.path.exists(os.path.join(other, "out", "stray.txt")),
                   what + ": a file of the other drive was processed")
            if recursive:
                expect(read(os.path.join(other, "out", "sub", "b.txt")) == NEW,
                       what + ": sub\\b.txt not written there")
    finally:
        os.unlink(device)
        shutil.rmtree(work)
        shutil.rmtree(other)


def test_names_the_code_page_cannot_spell():
    d = scratch()
    try:
        names = ["data.txt", "dātā.txt", "名前.txt"]
        for n in names:
            write(os.path.join(d, n))
        code, lines = run(d, [b"*.txt", b"old", b"oldX"], "C.UTF-8")
        want = [b"OK: 1 matches found: data.txt",
                b"OK: 1 matches found: d?t?.txt",
                b"OK: 1 matches found: ??.txt",
                b"Totals:        Files: 3  Matches: 3"]
        expect(code == 0 and sorted(lines) == sorted(want),
               "wide names: exit %d, %r" % (code, lines))
        for n in names:
            expect(read(os.path.join(d, n)) == b"oldX\r\n",
                   "wide names: %s holds %r" % (n, read(os.path.join(d, n))))

        # Typed, such a name is itself too, and a walk joins it as it is.
        write(os.path.join(d, "dīr", "ī.txt"))
        code, lines = run(d, ["dātā.txt".encode(), b"oldX", b"old"],
                          "C.UTF-8")
        expect(code == 0 and lines[0] == b"OK: 1 matches found: d?t?.txt"
               and read(os.path.join(d, "data.txt")) == b"oldX\r\n"
               and read(os.path.join(d, "dātā.txt")) == OLD,
               "typed wide name: exit %d, %r" % (code, lines))
        code, lines = run(d, [b"*.txt", b"old", b"new", b"-R", b"-$", b"out"],
                          "C.UTF-8")
        expect(read(os.path.join(d, "out", "dīr", "ī.txt")) == NEW and
               b"OK: 1 matches found: d?r\\?.txt" in lines,
               "walk of a wide name: exit %d, %r" % (code, lines))
    finally:
        shutil.rmtree(d)


def long_directory(d, length):
    """Makes a directory below |d| whose Windows path is |length| bytes."""
    path = windows_path(d)
    parts = []
    while len(path) + 61 < length:
        parts.append(b"d" * 60)
        path += b"\\" + parts[-1]
    parts.append(b"e" * (length - len(path) - 1))
    path += b"\\" + parts[-1]
    os.makedirs(os.path.join(os.fsencode(d), *parts))
    return path, os.path.join(os.fsencode(d), *parts)


def test_paths_up_to_the_limit():
    d = scratch()
    try:
        # A 261-byte filespec, rewritten in place (a journal beside it).
        directory, local = long_directory(d, 200)
        name = b"f" * (261 - len(directory) - 5) + b".txt"
        spec = directory + b"\\" + name
        assert len(spec) == 261
        write(os.path.join(local, name), OLD * 3)
        code, lines = run(d, [spec, b"old", b"longer"])
        # The directory part shows upper-cased, as the filespec is.
        shown = directory.upper() + b"\\" + name
        expect(code == 0 and lines[0] == b"OK: 3 matches found: " + shown,
               "261-byte filespec: exit %d, %r" % (code, lines))
        expect(read(os.path.join(local, name)) == b"longer\r\n" * 3,
               "261-byte filespec: file holds %r" %
               read(os.path.join(local, name)))
        expect(os.listdir(local) == [name], "261-byte filespec: left %r" %
               os.listdir(local))

        # A -$ directory of 250 bytes: the temporary beside its file passes
        # MAX_PATH.
        write(os.path.join(d, "a.txt"))
        out, out_local = long_directory(os.path.join(d, "o"), 250)
        code, lines = run(d, [b"a.txt", b"old", b"new", b"-$", out])
        expect(code == 0 and lines[0] == b"OK: 1 matches found: a.txt" and
               read(os.path.join(out_local, b"a.txt")) == NEW,
               "250-byte -$ directory: exit %d, %r" % (code, lines))
        expect(os.listdir(out_local) == [b"a.txt"],
               "250-byte -$ directory: left %r" % os.listdir(out_local))
    finally:
        shutil.rmtree(d)


def test_patterns_ignore_the_case_of_every_letter():
    d = scratch()
    try:
        write(os.path.join(os.fsencode(d), b"caf\xe9.txt"))
        write(os.path.join(os.fsencode(d), b"other.txt"))
        # Under the CP1252 locale of SWU_EMULATOR: \xc9 is 'É'.
        for spec in [b"CAF\xc9.TXT", b"*\xc9.TXT"]:
            code, lines = run(d, [spec, b"old", b"old"])
            expect(code == 0 and lines[0] ==
                   b"OK: 1 matches found: caf\xe9.txt" and len(lines) == 2,
                   "%r: exit %d, %r" % (spec, code, lines))
    finally:
        shutil.rmtree(d)


def main(argv):
    global SWU
    if len(argv) != 2:
        raise SystemExit(__doc__)
    SWU = os.path.abspath(argv[1])
    test_output_directory_on_another_drive()
    test_names_the_code_page_cannot_spell()
    test_paths_up_to_the_limit()
    test_patterns_ignore_the_case_of_every_letter()
    if FAILURES:
        print("%d Windows path checks failed" % len(FAILURES))
        return 1
    print("Windows path checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Runs the end-to-end cases: each case runs the built swu binary in a fresh
scratch directory and compares its standard output, exit status and files
byte for byte.

Usage: run_cases.py <swu-binary> <cases-dir-or-file>... [-k substring]

A binary whose name ends in ".exe" is a Windows build: it runs through the
command in SWU_EMULATOR (e.g. "/usr/lib/wine/wine64"), the cases marked
"platform: posix" are skipped and those marked "platform: windows" run, and
each "\\n" of an expected stdout is "\\r\\n", since a Windows console
program writes its output in text mode. A "user:" case runs with
WINEPREFIX set to SWU_WINEPREFIX_<USER> when that is set (wine wants a
prefix owned by the user who runs it).

Case file format (*.cases), one case after another:

    === name of the case
    args: *.txt abc "x y" -V:3      (split like a POSIX shell)
    file a.txt: abc\\r\\n            (escapes: \\r \\n \\t \\0 \\\\ \\xHH)
    fill big.txt: 1000 abc\\r\\n      (the pattern repeated COUNT times)
    dir sub/deeper                   (an empty directory)
    file b\\x0ac.txt: abc              (\\xHH in a name is that byte)
    link name: target                (a symbolic link)
    hardlink name: target            (another name of the file target)
    fifo name                        (a named pipe)
    mode a.txt: 0444                 (chmod, octal)
    attrib a.txt: +h +s              (Windows attributes, set with attrib)
    env NAME: value                  (set for the run; escapes apply)
    stdin: y                         (bytes fed to standard input)
    user: nobody                     (run unprivileged; needs root)
    platform: posix                  (run only there: posix or windows)
    exit: 0
    stdout:
    <lines, each followed by \\n; a last line ending in \\c has no \\n>
    .
    stdout-bytes: OK\\r\\n             (stdout exactly, not translated)
    stderr:
    <lines, as for stdout; without this block stderr must be empty>
    .
    expect a.txt: XYZ\\r\\n
    expect-size big.txt: 4000
    absent b.txt
    isdir out

Lines starting with '#' between cases are comments; a "platform:" line
before the first case applies to every case of its file. {dir} in args, env
values and stdout stands for the scratch directory's absolute path, {wdir}
for the same as Windows names it under wine (Z:\\tmp\\...). {platform} in
stdout stands for the banner's platform tag: WIN32 for a Windows build,
POSIX otherwise. The banner's notice (the text after the two tags) is
normalised to <notice>.
"""

import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

EMULATOR = shlex.split(os.environ.get("SWU_EMULATOR", ""))

BANNER = re.compile(
    rb"^(SW Multi-file Utility v1\.79ZD\+ \[TURBO\] \[(?:WIN32|POSIX)\] )"
    rb"[^\r\n]*", re.M)


def unescape(text):
    out = bytearray()
    i = 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            n = text[i + 1]
            if n == "r":
                out += b"\r"
            elif n == "n":
                out += b"\n"
            elif n == "t":
                out += b"\t"
            elif n == "0":
                out += b"\0"
            elif n == "\\":
                out += b"\\"
            elif n == "x":
                out.append(int(text[i + 2:i + 4], 16))
                i += 2
            else:
                out += ("\\" + n).encode()
            i += 2
            continue
        out += c.encode("utf-8", "surrogateescape")
        i += 1
    return bytes(out)


class Case:
    def __init__(self, name, where):
        self.name = name
        self.where = where
        self.args = []
        self.setup = []  # (kind, name, value)
        self.env = {}
        self.stdin = b""
        self.user = None
        self.platform = None
        self.stdout_bytes = None
        self.exit = None
        self.stdout = None
        self.stderr = None
        self.checks = []  # (kind, name, value)


def parse_file(path):
    cases = []
    case = None
    file_platform = None
    lines = open(path, encoding="utf-8").read().split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        where = "%s:%d" % (path, i + 1)
        i += 1
        if line.startswith("=== "):
            case = Case(line[4:].strip(), where)
            cases.append(case)
            continue
        if not line.strip() or line.startswith("#"):
            continue
        if case is None and line.startswith("platform:"):
            file_platform = line.partition(":")[2].strip()
            continue
        if case is None:
            raise SystemExit("%s: text before the first case" % where)
        if case.platform is None:
            case.platform = file_platform
        key, _, value = line.partition(":")
        value = value[1:] if value.startswith(" ") else value
        head = key.split(" ", 1)
        kind, name = head[0], head[1] if len(head) > 1 else None
        if kind == "args":
            case.args = shlex.split(value)
        elif kind in ("file", "fill", "link", "hardlink", "mode", "attrib"):
            case.setup.append((kind, name, value))
        elif kind.startswith("dir") or kind.startswith("fifo"):
            case.setup.append((kind, line.split(" ", 1)[1], None))
        elif kind == "env":
            case.env[name] = value
        elif kind == "stdin":
            case.stdin = unescape(value)
        elif kind == "user":
            case.user = value.strip()
        elif kind == "platform":
            case.platform = value.strip()
        elif kind == "stdout-bytes":
            case.stdout_bytes = unescape(value)
        elif kind == "exit":
            case.exit = int(value)
        elif kind in ("stdout", "stderr"):
            block = []
            while lines[i] != ".":
                block.append(lines[i])
                i += 1
            i += 1
            text = "".join(l + "\n" for l in block)
            if text.endswith("\\c\n"):
                text = text[:-3]
            setattr(case, kind, text)
        elif kind in ("expect", "expect-size"):
            case.checks.append((kind, name, value))
        elif kind.startswith("absent") or kind.startswith("isdir"):
            case.checks.append((kind, line.split(" ", 1)[1], None))
        else:
            raise SystemExit("%s: unknown line: %s" % (where, line))
    return cases


def name_of(name):
    """A case's file name with each \\xHH made the byte it stands for
    (other backslashes stay as they are), as os functions take it."""
    raw = re.sub(rb"\\x([0-9a-fA-F]{2})",
                 lambda m: bytes([int(m.group(1), 16)]),
                 name.encode("utf-8", "surrogateescape"))
    return os.fsdecode(raw)


def windows_name(path):
    """The name wine gives a Linux path (its Z: drive is /)."""
    return "Z:" + path.replace("/", "\\")


def substitute(text, root):
    return text.replace("{dir}", root).replace("{wdir}", windows_name(root))


def prepare(case, root):
    for kind, name, value in case.setup:
        path = os.path.join(root, name_of(name)) if name else root
        if kind in ("file", "fill"):
            os.makedirs(os.path.dirname(path), exist_ok=True)
            data = unescape(value)
            if kind == "fill":
                count, _, pattern = value.partition(" ")
                data = unescape(pattern) * int(count)
            with open(path, "wb") as f:
                f.write(data)
        elif kind == "dir":
            os.makedirs(path, exist_ok=True)
        elif kind == "fifo":
            os.mkfifo(path)
        elif kind in ("link", "hardlink"):
            os.makedirs(os.path.dirname(path), exist_ok=True)
            if kind == "link":
                os.symlink(value.strip(), path)
            else:
                os.link(os.path.join(root, value.strip()), path)
        elif kind == "mode":
            os.chmod(path, int(value, 8))
        elif kind == "attrib":
            subprocess.run(EMULATOR + ["attrib"] + value.split() + [name],
                           cwd=root, check=True, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL)


def command_for(case, binary):
    cmd = EMULATOR + [binary] + case.args
    if case.user and os.geteuid() == 0:
        cmd = ["setpriv", "--reuid=" + case.user, "--regid=nogroup",
               "--clear-groups", "--"] + cmd
    return cmd


def check(case, root, result, windows):
    errors = []
    if case.exit is not None and result.returncode != case.exit:
        errors.append("exit status %d, expected %d" %
                      (result.returncode, case.exit))
    for stream, expected, output in (("stdout", case.stdout, result.stdout),
                                     ("stderr", case.stderr, result.stderr)):
        if expected is None:
            continue
        got = BANNER.sub(rb"\1<notice>", output)
        want = substitute(expected, root).replace(
            "{platform}", "WIN32" if windows else "POSIX")
        want = want.encode("utf-8", "surrogateescape")
        if windows:
            want = want.replace(b"\n", b"\r\n")
        if got != want:
            errors.append("%s differs\n--- expected\n%s\n--- got\n%s" %
                          (stream, want.decode("latin-1"),
                           got.decode("latin-1")))
    got = BANNER.sub(rb"\1<notice>", result.stdout)
    if case.stdout_bytes is not None and got != case.stdout_bytes:
        errors.append("stdout is %r, expected %r" % (got, case.stdout_bytes))
    for kind, name, value in case.checks:
        path = os.path.join(root, name_of(name))
        if kind == "expect":
            want = unescape(value)
            try:
                got = open(path, "rb").read()
            except OSError as e:
                errors.append("%s: %s" % (name, e))
                continue
            if got != want:
                errors.append("%s holds %r, expected %r" % (name, got, want))
        elif kind == "expect-size":
            size = os.path.getsize(path) if os.path.exists(path) else -1
            if size != int(value):
                errors.append("%s has %d bytes, expected %s" %
                              (name, size, value))
        elif kind.startswith("absent") and os.path.lexists(path):
            errors.append("%s exists, expected absent" % name)
        elif kind.startswith("isdir") and not os.path.isdir(path):
            errors.append("%s is not a directory" % name)
    return errors


# What wine's own loader or server prints when it, not the command, fails
# (seen at a process's exit, after the command had done its work).
WINE_FAULTS = (b"Inconsistency detected by ld.so", b"wine client error")


def run_case(case, binary, windows, retried=False):
    root = tempfile.mkdtemp(prefix="swu-e2e-")
    try:
        os.chmod(root, 0o777)
        prepare(case, root)
        if case.user and os.geteuid() == 0:
            # Directories are opened to the unprivileged user, except those
            # the case gives a mode of their own.
            moded = {os.path.join(root, n) for k, n, _ in case.setup
                     if k == "mode"}
            for dirpath, dirnames, filenames in os.walk(root):
                for d in dirnames:
                    p = os.path.join(dirpath, d)
                    if not os.path.islink(p) and p not in moded:
                        os.chmod(p, os.stat(p).st_mode | 0o777)
        env = dict(os.environ)
        env.pop("SWU_OPTIONS", None)  # Only a case's own defaults apply.
        for k, v in case.env.items():
            env[k] = unescape(substitute(v, root)).decode(
                "utf-8", "surrogateescape")
        prefix = os.environ.get("SWU_WINEPREFIX_%s" % (case.user or "").upper())
        if case.user and prefix:
            env["WINEPREFIX"] = prefix
        args = [substitute(a, root) for a in case.args]
        case_args = case.args
        case.args = args
        cmd = command_for(case, binary)
        case.args = case_args
        try:
            result = subprocess.run(cmd, cwd=root, env=env, input=case.stdin,
                                    stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE, timeout=20)
            if windows and result.returncode == 1 and not result.stdout \
                    and not result.stderr:
                # Under wine a process now and then fails to start at all:
                # exit 1 and not a byte of output. The command never ran,
                # so it is started once more.
                result = subprocess.run(cmd, cwd=root, env=env,
                                        input=case.stdin,
                                        stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, timeout=20)
        except subprocess.TimeoutExpired:
            return ["did not end within 20 seconds"]
        if windows and not retried and result.stderr.startswith(WINE_FAULTS):
            # The case is run once more from the start, in a new directory.
            return run_case(case, binary, windows, retried=True)
        errors = check(case, root, result, windows)
        if errors and case.stdout is None:
            errors.append("(exit status %d, stdout %r)" %
                          (result.returncode, result.stdout[:300]))
        if result.stderr and case.stderr is None:
            errors.append("stderr is not empty: %r" % result.stderr[:200])
        return errors
    finally:
        shutil.rmtree(root, ignore_errors=True)


def main(argv):
    if len(argv) < 3:
        raise SystemExit(__doc__)
    binary = os.path.abspath(argv[1])
    if not os.path.exists(binary):
        raise SystemExit("no such binary: %s" % binary)
    windows = binary.endswith(".exe")
    only = None
    paths = []
    rest = argv[2:]
    while rest:
        a = rest.pop(0)
        if a == "-k":
            only = rest.pop(0)
        else:
            paths.append(a)
    files = []
    for p in paths:
        if os.path.isdir(p):
            files += sorted(os.path.join(p, f) for f in os.listdir(p)
                            if f.endswith(".cases"))
        else:
            files.append(p)
    failed = 0
    total = 0
    skipped = 0
    for f in files:
        for case in parse_file(f):
            if only and only not in case.name:
                continue
            if case.platform not in (None, "windows" if windows else "posix"):
                skipped += 1
                continue
            total += 1
            errors = run_case(case, binary, windows)
            if errors:
                failed += 1
                print("FAIL %s (%s)" % (case.name, case.where))
                for e in errors:
                    print("    " + e.replace("\n", "\n    "))
    print("%d of %d end-to-end cases passed (%d for another platform "
          "skipped)" % (total - failed, total, skipped))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

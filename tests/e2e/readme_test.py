#!/usr/bin/env python3
"""Runs every example command line of the README through bash, each in a
scratch directory of its own that holds the files the examples name, and
fails when swu refused one as a bad command line (exit status 2) or when
the line never ran swu (a shell that split it otherwise). What the
examples change is not checked: the end-to-end cases do that.

Usage: readme_test.py <swu-binary> <README.md>
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

# An example is an indented code line that runs swu: at its start, or
# after a pipe. The synopsis (<filespec> ...) is no command.
EXAMPLE = re.compile(r"^    (?:.*\|\s*)?swu\s")

FILES = {
    "a.txt": "a@b RnD old\n", "notes.txt": "#TODO end!\nfoo\nwow!\n",
    "conf.txt": "/data/old\n", "a.log": "id=abcd\n", "x.cfg": "old\n",
    "x.c": "old id idx\n", "x.h": "// gen\n", "x.md": "#include\n",
    "docs/y.md": "teh\n", "old-licence.txt": "old\n",
    "new-licence.txt": "new\n",
}

# Each call of swu appends its exit status to $STATUS.
PRELUDE = """swu() { "$SWU" "$@"; local rc=$?; echo "$rc" >> "$STATUS"; \
return "$rc"; }
"""


def run(binary, line):
    root = tempfile.mkdtemp(prefix="swu-readme-")
    try:
        for name, text in FILES.items():
            path = os.path.join(root, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(text)
        status = os.path.join(root, ".status")
        env = dict(os.environ, SWU=binary, STATUS=status, PAGER="cat")
        env.pop("SWU_OPTIONS", None)
        # "wait": a line that sends part of itself to the background
        # still records what that part did.
        subprocess.run(["bash", "-c", PRELUDE + line + "\nwait"], cwd=root,
                       env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=20)
        if not os.path.exists(status):
            return "swu did not run"
        codes = open(status).read().split()
        if "2" in codes:
            return "bad command line (exit statuses %s)" % " ".join(codes)
        return None
    finally:
        shutil.rmtree(root, ignore_errors=True)


def main(argv):
    if len(argv) != 3:
        raise SystemExit(__doc__)
    binary = os.path.abspath(argv[1])
    lines = [l for l in open(argv[2], encoding="utf-8").read().split("\n")
             if EXAMPLE.match(l) and "<filespec>" not in l]
    failed = 0
    for line in lines:
        error = run(binary, line.strip())
        if error:
            failed += 1
            print("FAIL %s\n    %s" % (line.strip(), error))
    print("%d of %d README examples parsed" % (len(lines) - failed,
                                              len(lines)))
    return 1 if failed or not lines else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

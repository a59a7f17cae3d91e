#!/usr/bin/env python3
"""Writes the benchmark inputs, deterministically.

make_data.py big <path>    256 MiB of CR LF lines (~80 bytes) with the word
                           needle every 64 KiB and alpha about 1.6 million
                           times
make_data.py tree <dir>    10 000 files of ~4 KiB in 100 directories, the
                           word needle in every 10th file
make_data.py tree100k <dir>  the same with 100 000 files of ~8 KiB in 1 000
                           directories (~800 MB)
make_data.py tree50k <dir>   50 000 files of ~8 KiB in 500 directories, for
                           a disk with less than ~6 GB free
make_data.py long <path>   1 MiB of the byte a, for a 20 001-byte search
make_data.py longtext <path>  the search text for it: 20 000 a, then b
"""
import os
import random
import sys

WORDS = ("the of and to in is was for that with as on by at from this "
         "which data file line text value system record number order "
         "change result process between within under alpha").split()


def lines(rng, count):
    out = []
    for _ in range(count):
        line = []
        size = 0
        while size < 76:
            w = rng.choice(WORDS)
            line.append(w)
            size += len(w) + 1
        out.append(" ".join(line)[:78] + "\r\n")
    return "".join(out)


def big(path):
    rng = random.Random(1)
    block = 64 * 1024
    # One 64 KiB block pattern, varied by a few lines per block.
    base = lines(rng, 1200).encode()[:block - 8]
    with open(path, "wb") as f:
        for i in range(256 * 1024 * 1024 // block):
            chunk = bytearray(base)
            chunk[1000:1006] = b"needle"
            f.write(chunk + b"%06d\r\n" % (i % 1000000))


def tree(root, dirs=100, per_dir=100, size=4000):
    rng = random.Random(2)
    text = lines(rng, 200).encode()
    # 200 lines of 80 bytes: every slice below is a whole `size` bytes.
    assert 49 * 80 + size <= len(text)
    n = 0
    for d in range(dirs):
        sub = os.path.join(root, "d%03d" % d)
        os.makedirs(sub, exist_ok=True)
        for i in range(per_dir):
            body = bytearray(text[(n % 50) * 80:][:size])
            if n % 10 == 0:
                body[2000:2006] = b"needle"
            with open(os.path.join(sub, "f%05d.txt" % n), "wb") as f:
                f.write(body)
            n += 1


def long(path):
    with open(path, "wb") as f:
        f.write(b"a" * (1024 * 1024))


def longtext(path):
    with open(path, "wb") as f:
        f.write(b"a" * 20000 + b"b")


if __name__ == "__main__":
    {"big": big, "tree": tree,
     "tree100k": lambda root: tree(root, 1000, 100, 8000),
     "tree50k": lambda root: tree(root, 500, 100, 8000),
     "long": long, "longtext": longtext}[sys.argv[1]](sys.argv[2])

#!/usr/bin/env python3
"""Writes the benchmark inputs, deterministically.

make_data.py big <path>    256 MiB of CR LF lines (~80 bytes) with the word
                           needle every 64 KiB and alpha about 1.6 million
                           times
make_data.py tree <dir>    10 000 files of ~4 KiB in 100 directories, the
                           word needle in every 10th file
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


def tree(root):
    rng = random.Random(2)
    text = lines(rng, 200).encode()
    n = 0
    for d in range(100):
        sub = os.path.join(root, "d%03d" % d)
        os.makedirs(sub, exist_ok=True)
        for i in range(100):
            body = bytearray(text[(n % 50) * 80:][:4000])
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
    {"big": big, "tree": tree, "long": long, "longtext": longtext}[sys.argv[1]](sys.argv[2])

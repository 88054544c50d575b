#!/usr/bin/env python3
"""A copy of a setup (or package) whose entry NAME holds MIB MiB of zeros
instead: the stream is one deflated MiB of zeros repeated, so a package
carrying gigabytes is made in seconds and takes a few MB.

    zeros_package.py SOURCE OUT NAME MIB

prints the file offset of the last byte of that entry's stream."""

import argparse
import hashlib
import struct
import zlib

MAGIC = b"Marrowfield Co installer system"
MIB = 1 << 20


def zeros_entry(mebibytes):
    """(stream, md5) of mebibytes MiB of zeros."""
    zeros = bytes(MIB)
    deflater = zlib.compressobj(9)
    first = deflater.compress(zeros) + deflater.flush(zlib.Z_FULL_FLUSH)  # with the 2-byte header
    block = deflater.compress(zeros) + deflater.flush(zlib.Z_FULL_FLUSH)
    finish = deflater.flush(zlib.Z_FINISH)[:-4]
    # The Adler-32 of n zeros is (n mod 65521) << 16 | 1.
    adler = ((mebibytes * MIB) % 65521) << 16 | 1
    stream = first + block * (mebibytes - 1) + finish + struct.pack(">I", adler)
    digest = hashlib.md5()
    for _ in range(mebibytes):
        digest.update(zeros)
    return stream, digest.digest()


def find_header(image):
    at = image.find(MAGIC)
    while at >= 0:
        key = image[at + 31]
        if all(image[at + 32 + i] == image[at + i] ^ key for i in range(32)):
            return at
        at = image.find(MAGIC, at + 1)
    raise SystemExit("no package header")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("source")
    parser.add_argument("out")
    parser.add_argument("name")
    parser.add_argument("mebibytes", type=int)
    options = parser.parse_args()
    image = open(options.source, "rb").read()
    header = find_header(image)
    area_length, count = struct.unpack_from("<II", image, header + 64)
    at, entries = header + 88, []
    for _ in range(count):
        size, name_length = struct.unpack_from("<II", image, at)
        name = image[at + 24:at + 24 + name_length]
        entry = image[at:at + 24 + name_length + size]
        if name == options.name.encode():
            stream, md5 = zeros_entry(options.mebibytes)
            entry = struct.pack("<II", len(stream), name_length) + md5 + name + stream
            last = header + 88 + sum(map(len, entries)) + len(entry) - 1
        entries.append(entry)
        at += 24 + name_length + size
    area = b"".join(entries)
    with open(options.out, "wb") as out:
        out.write(image[:header + 64] + struct.pack("<II", len(area), count) + hashlib.md5(area).digest() + area)
    print(last)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""A copy of a setup (or package) whose entry NAME holds MIB MiB of zeros
instead: the stream is one deflated MiB of zeros repeated, so a package
carrying gigabytes is made in seconds and takes a few MB.

    zeros_package.py SOURCE OUT NAME MIB

prints where the entry's last MiB starts in the file (the offset of its
block, which the checksum follows to the end of the stream), that tail as
it is, and a tail of the same length whose last MiB holds other bytes: a
valid stream with its own checksum, of content whose digest is not the
entry's. Both in hex."""

import argparse
import hashlib
import struct
import zlib

MAGIC = b"Marrowfield Co installer system"
MIB = 1 << 20


def full_flushed_block(deflater, content):
    """content deflated on its own: a full flush ends every block, so any
    block of the same length can take another's place."""
    return deflater.compress(content) + deflater.flush(zlib.Z_FULL_FLUSH)


def zeros_adler(length):
    """The Adler-32 of length zeros: (length mod 65521) << 16 | 1."""
    return (length % 65521) << 16 | 1


def zeros_entry(mebibytes):
    """(stream, md5, tail length, other tail) of mebibytes MiB of zeros,
    mebibytes at least 2."""
    zeros = bytes(MIB)
    deflater = zlib.compressobj(9)
    first = full_flushed_block(deflater, zeros)  # with the 2-byte header
    block = full_flushed_block(deflater, zeros)
    finish = deflater.flush(zlib.Z_FINISH)[:-4]
    stream = first + block * (mebibytes - 1) + finish + struct.pack(">I", zeros_adler(mebibytes * MIB))
    # The first byte value whose MiB deflates to a block of the same length.
    for fill in range(1, 256):
        other = bytes([fill]) * MIB
        other_block = full_flushed_block(zlib.compressobj(9), other)[2:]  # without the header
        if len(other_block) == len(block):
            break
    other_adler = zlib.adler32(other, zeros_adler((mebibytes - 1) * MIB))
    other_tail = other_block + finish + struct.pack(">I", other_adler)
    digest = hashlib.md5()
    for _ in range(mebibytes):
        digest.update(zeros)
    return stream, digest.digest(), len(other_tail), other_tail


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
            stream, md5, tail_length, other_tail = zeros_entry(options.mebibytes)
            entry = struct.pack("<II", len(stream), name_length) + md5 + name + stream
            tail = header + 88 + sum(map(len, entries)) + len(entry) - tail_length
            own_tail = stream[-tail_length:]
        entries.append(entry)
        at += 24 + name_length + size
    area = b"".join(entries)
    with open(options.out, "wb") as out:
        out.write(image[:header + 64] + struct.pack("<II", len(area), count) + hashlib.md5(area).digest() + area)
    print(tail, own_tail.hex(), other_tail.hex())


if __name__ == "__main__":
    main()

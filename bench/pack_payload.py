#!/usr/bin/env python3
"""A copy of a finished setup whose package carries one more entry, NAME,
with the content of PAYLOAD, compressed and digested as it streams, so that
payloads of gigabytes are packed without holding them (setuppack reads each
file whole). zlib level 6: the reader accepts any zlib stream, and level 9
would only make packing slower.

    pack_payload.py SETUP OUT NAME PAYLOAD"""

import hashlib
import os
import struct
import sys
import zlib

# The package header is found as the test that makes a zeros package finds it.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "sequences"))
from zeros_package import find_header  # noqa: E402

CHUNK = 1 << 20


def main():
    setup, out_path, name, payload = sys.argv[1:5]
    image = open(setup, "rb").read()
    header = find_header(image)
    area_length, count = struct.unpack_from("<II", image, header + 64)
    area = image[header + 88:header + 88 + area_length]
    name = name.encode()
    with open(out_path, "w+b") as out:
        out.write(image[:header + 88] + area)
        head_at = out.tell()
        out.write(bytes(24) + name)
        deflater, digest, size = zlib.compressobj(6), hashlib.md5(), 0
        with open(payload, "rb") as source:
            for chunk in iter(lambda: source.read(CHUNK), b""):
                digest.update(chunk)
                out.write(deflater.compress(chunk))
        out.write(deflater.flush())
        end = out.tell()
        compressed = end - head_at - 24 - len(name)
        out.seek(head_at)
        out.write(struct.pack("<II", compressed, len(name)) + digest.digest())
        area_digest = hashlib.md5()
        out.seek(header + 88)
        left = end - header - 88
        while left:
            chunk = out.read(min(CHUNK, left))
            area_digest.update(chunk)
            left -= len(chunk)
        out.seek(header + 64)
        out.write(struct.pack("<II", end - header - 88, count + 1) + area_digest.digest())


if __name__ == "__main__":
    main()

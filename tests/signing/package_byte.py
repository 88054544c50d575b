#!/usr/bin/env python3
"""Finds, and optionally flips, a byte inside the package of a setup.

usage: package_byte.py SETUP [flip]

Prints the offset of a byte 100 bytes before the end of the package: the
end of the file for an unsigned setup, the start of the certificate table
(the PE data directory that holds the signature) for a signed one. That
byte lies in the last entry's compressed content, inside the digested area.
"flip" inverts its lowest bit in place.
"""
import struct
import sys


def package_end(image):
    pe, = struct.unpack_from("<I", image, 0x3C)
    optional = pe + 24
    magic, = struct.unpack_from("<H", image, optional)
    directories = optional + (112 if magic == 0x20B else 96)
    table, size = struct.unpack_from("<II", image, directories + 4 * 8)
    return table if table and size else len(image)


def main():
    path = sys.argv[1]
    with open(path, "rb") as f:
        image = bytearray(f.read())
    offset = package_end(image) - 100
    if sys.argv[2:] == ["flip"]:
        image[offset] ^= 0x01
        with open(path, "wb") as f:
            f.write(image)
    print(offset)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Clears the compile times chmcmd writes into a compiled help file.

usage: clear_chm_times.py FILE

A .chm holds the time it was compiled in two places: the time field of the
ITSF header and the time record (code 10) of the #SYSTEM file, which chmcmd
stores uncompressed. Both are informational; zeroing them in place makes the
help file depend on its sources alone. Anything unexpected in the layout is
an error, so that a changed compiler cannot silently bring the times back.
"""
import struct
import sys

ITSF_TIME = 0x10
SYSTEM_TIME_CODE = 10


def read_encint(data, at):
    """A CHM variable-length integer: 7 bits a byte, high bit = more."""
    value = 0
    while True:
        byte = data[at]
        at += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, at


def directory_entries(data, directory):
    """(name, section, offset, length) of every entry in the PMGL chunks."""
    if data[directory:directory + 4] != b"ITSP":
        raise ValueError("no ITSP directory header")
    header_length, = struct.unpack_from("<I", data, directory + 0x08)
    chunk_size, = struct.unpack_from("<I", data, directory + 0x10)
    chunk_count, = struct.unpack_from("<I", data, directory + 0x2C)
    for index in range(chunk_count):
        chunk = directory + header_length + index * chunk_size
        if data[chunk:chunk + 4] != b"PMGL":
            continue  # index chunks (PMGI) only repeat names
        free_space, = struct.unpack_from("<I", data, chunk + 4)
        at, end = chunk + 20, chunk + chunk_size - free_space
        while at < end:
            name_length, at = read_encint(data, at)
            name = bytes(data[at:at + name_length])
            at += name_length
            section, at = read_encint(data, at)
            offset, at = read_encint(data, at)
            length, at = read_encint(data, at)
            yield name, section, offset, length


def clear_times(data):
    if data[0:4] != b"ITSF":
        raise ValueError("not a compiled help file")
    struct.pack_into("<I", data, ITSF_TIME, 0)
    directory, = struct.unpack_from("<Q", data, 0x48)
    content, = struct.unpack_from("<Q", data, 0x58)
    for name, section, offset, length in directory_entries(data, directory):
        if name != b"/#SYSTEM":
            continue
        if section != 0:
            raise ValueError("#SYSTEM is compressed")
        at, end = content + offset + 4, content + offset + length  # after the version
        while at + 4 <= end:
            code, size = struct.unpack_from("<HH", data, at)
            if code == SYSTEM_TIME_CODE:
                data[at + 4:at + 4 + size] = bytes(size)
                return
            at += 4 + size
        raise ValueError("#SYSTEM has no time record")
    raise ValueError("no #SYSTEM file")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip().splitlines()[2])
    with open(sys.argv[1], "rb") as f:
        data = bytearray(f.read())
    try:
        clear_times(data)
    except (ValueError, struct.error, IndexError) as error:
        sys.exit(f"{sys.argv[1]}: {error}")
    with open(sys.argv[1], "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()

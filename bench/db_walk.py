#!/usr/bin/env python3
"""Walks an image database file the plain Python way: reads the file,
then every record and every string of it, decoding each string (8-bit
strings as UTF-8, 16-bit ones as UTF-16LE), and prints how many records
and strings there are. bench/compare_db_dump.sh times it beside
`pixadrome-cli db dump`.

The file: a 32-bit record count, then per record a class tag (the first
introduces the class: 0xFFFF, schema, name length, name; later ones refer
to it: 0x8001, or 0x7FFF and 32 bits), a string count (16 bits, or 0xFFFF
and 32 bits) and the strings (a length of 8 bits, or 0xFF and 16 bits, or
0xFF 0xFFFF and 32 bits, then the bytes; 0xFF 0xFFFE before the length
marks 16-bit characters). Integers are little-endian.

Usage: db_walk.py FILE
"""
import struct
import sys


def walk(data):
    u16 = struct.Struct("<H").unpack_from
    u32 = struct.Struct("<I").unpack_from
    (count,) = struct.unpack_from("<i", data, 0)
    pos = 4
    records = strings = 0
    for _ in range(max(count, 0)):
        (tag,) = u16(data, pos)
        pos += 2
        if tag == 0xFFFF:
            (name_length,) = u16(data, pos + 2)
            pos += 4 + name_length
        elif tag == 0x7FFF:
            pos += 4
        (n,) = u16(data, pos)
        pos += 2
        if n == 0xFFFF:
            (n,) = u32(data, pos)
            pos += 4
        for _ in range(n):
            wide = False
            length = data[pos]
            pos += 1
            while length == 0xFF:
                (length,) = u16(data, pos)
                pos += 2
                if length == 0xFFFE:
                    wide = True
                    length = data[pos]
                    pos += 1
                elif length == 0xFFFF:
                    (length,) = u32(data, pos)
                    pos += 4
            if wide:
                data[pos : pos + 2 * length].decode("utf-16-le", "surrogatepass")
                pos += 2 * length
            else:
                data[pos : pos + length].decode("utf-8", "surrogateescape")
                pos += length
            strings += 1
        records += 1
    return records, strings


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: db_walk.py FILE")
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    records, strings = walk(data)
    print(f"{records} records, {strings} strings")


if __name__ == "__main__":
    main()

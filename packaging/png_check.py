"""Checks that a PNG is whole and readable: its chunks' checksums, an RGBA header of the expected
size, and image data that inflates to exactly the rows that header promises.
Usage: png_check.py FILE SIZE"""
import struct
import sys
import zlib

data = open(sys.argv[1], "rb").read()
size = int(sys.argv[2])
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG signature"
pos, chunks = 8, {}
while pos < len(data):
    length, kind = struct.unpack(">I4s", data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
    assert zlib.crc32(kind + body) == crc, f"bad checksum in {kind}"
    chunks[kind] = chunks.get(kind, b"") + body
    pos += 12 + length
assert struct.unpack(">IIBB", chunks[b"IHDR"][:10]) == (size, size, 8, 6), "not RGBA at that size"
assert len(zlib.decompress(chunks[b"IDAT"])) == size * (size * 4 + 1), "wrong amount of pixels"
assert b"IEND" in chunks, "no end"

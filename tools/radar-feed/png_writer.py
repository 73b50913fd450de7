"""PNG writer for 8-bit palette images with a transparency table."""

import struct
import zlib


def _chunk(kind: bytes, data: bytes) -> bytes:
    crc = zlib.crc32(kind + data) & 0xFFFFFFFF
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", crc)


def encode_png(width: int, height: int, rows, palette, alpha) -> bytes:
    """rows: bytes of palette indices; alpha: one value per leading entry."""
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 3, 0, 0, 0)
    plte = b"".join(bytes(c) for c in palette)
    # Filter type 0 on every row; mostly empty rows deflate to almost nothing.
    raw = bytearray()
    for row in rows:
        raw += b"\x00"
        raw += row
    # Level 1: several times faster than the default, and the feed makes a
    # composite every few minutes while other work shares the machine.
    idat = zlib.compress(bytes(raw), 1)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", ihdr) + _chunk(b"PLTE", plte) +
            _chunk(b"tRNS", bytes(alpha)) + _chunk(b"IDAT", idat) + _chunk(b"IEND", b""))

"""GIF89a writer: one frame of 8-bit palette indices, LZW-compressed."""

import struct


def _lzw(pixels: bytes, min_code_size: int = 8) -> bytes:
    """LZW codes of the pixel indices, packed LSB first as GIF wants them."""
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    bit_buffer = 0
    bit_count = 0
    code_size = min_code_size + 1

    def emit(code):
        nonlocal bit_buffer, bit_count
        bit_buffer |= code << bit_count
        bit_count += code_size
        while bit_count >= 8:
            out.append(bit_buffer & 0xFF)
            bit_buffer >>= 8
            bit_count -= 8

    table = {}
    next_code = end + 1
    emit(clear)
    if not pixels:
        emit(end)
    else:
        prefix = pixels[0]
        for c in pixels[1:]:
            key = (prefix << 8) | c
            code = table.get(key)
            if code is not None:
                prefix = code
                continue
            emit(prefix)
            if next_code < 4096:
                table[key] = next_code
                # The decoder widens one code later than the encoder adds.
                if next_code == (1 << code_size) and code_size < 12:
                    code_size += 1
                next_code += 1
            else:
                emit(clear)
                table.clear()
                next_code = end + 1
                code_size = min_code_size + 1
            prefix = c
        emit(prefix)
        emit(end)
    if bit_count:
        out.append(bit_buffer & 0xFF)
    return bytes(out)


def _sub_blocks(data: bytes) -> bytes:
    parts = []
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        parts.append(bytes([len(chunk)]) + chunk)
    parts.append(b"\x00")
    return b"".join(parts)


def encode_gif(width: int, height: int, rows, palette, transparent=None) -> bytes:
    """A GIF of the rows (bytes of palette indices) with a 256-entry table."""
    table = bytearray()
    for r, g, b in palette[:256]:
        table += bytes((r, g, b))
    table += bytes(768 - len(table))
    head = b"GIF89a" + struct.pack("<HHBBB", width, height, 0xF7, 0, 0) + bytes(table)
    if transparent is not None:
        head += b"\x21\xF9\x04\x01\x00\x00" + bytes([transparent]) + b"\x00"
    image = b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0)
    data = _lzw(b"".join(rows))
    return head + image + b"\x08" + _sub_blocks(data) + b"\x3B"

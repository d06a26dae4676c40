"""Writes RGBA images as single-image .ico files and as .png previews."""
import struct
import zlib


def ico_bytes(size, rgba):
    """ICONDIR, one ICONDIRENTRY and a 32 bpp bottom-up DIB with its AND mask."""
    xor = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for row in range(size - 1, -1, -1):
        bits = bytearray(mask_stride)
        for col in range(size):
            r, g, b, a = rgba[(row * size + col) * 4:(row * size + col) * 4 + 4]
            xor += bytes((b, g, r, a))
            if a == 0:
                bits[col // 8] |= 0x80 >> (col % 8)
        mask += bits
    image_size = len(xor) + len(mask)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, image_size, 0, 0, 0, 0)
    image = header + bytes(xor) + bytes(mask)
    dim = size if size < 256 else 0
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def png_bytes(width, height, rgba):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    stride = width * 4
    raw = b"".join(b"\0" + rgba[y * stride:(y + 1) * stride] for y in range(height))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def preview_sheet(images, scale, backgrounds):
    """One row per background: each image enlarged `scale` times, composited
    over the background so that its alpha edges show. Returns (w, h, rgba)."""
    pad = 8
    cell = max(size for size, _ in images) * scale + pad
    width = cell * len(images) + pad
    height = cell * len(backgrounds) + pad
    out = bytearray(width * height * 4)
    for row, bg in enumerate(backgrounds):
        for y in range(row * cell, (row + 1) * cell + pad):
            for x in range(width):
                out[(y * width + x) * 4:(y * width + x) * 4 + 4] = bytes(bg) + b"\xff"
        for col, (size, rgba) in enumerate(images):
            left, top = pad + col * cell, pad + row * cell
            for y in range(size * scale):
                for x in range(size * scale):
                    s = ((y // scale) * size + x // scale) * 4
                    r, g, b, a = rgba[s:s + 4]
                    d = ((top + y) * width + left + x) * 4
                    out[d:d + 4] = bytes(((c * a + k * (255 - a)) // 255) for c, k in
                                         zip((r, g, b), bg)) + b"\xff"
    return width, height, bytes(out)

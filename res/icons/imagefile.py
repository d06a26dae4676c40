"""Writes RGBA images as .ico files (one image per size) and as .png previews.

An icon file holds the group's original image as a 32 bpp DIB, as it always
has, and every other size PNG-compressed (which Windows reads since Vista):
the images at seven sizes then cost about as much as the original alone."""
import struct
import zlib


def _dib(size, rgba):
    """A 32 bpp bottom-up DIB with its AND mask, as an icon file holds it."""
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
    return header + bytes(xor) + bytes(mask)


def ico_bytes(images, original_size):
    """ICONDIR, one ICONDIRENTRY per (size, rgba) image, then the images: the
    one of original_size as a DIB, the others as PNG."""
    blobs = [(size, _dib(size, rgba) if size == original_size else png_bytes(size, size, rgba))
             for size, rgba in images]
    directory = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    entries = b""
    for size, blob in blobs:
        dim = size if size < 256 else 0
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return directory + entries + b"".join(blob for _, blob in blobs)


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


def preview_sheet(rows, scale, backgrounds):
    """One band per background, in it one row per icon: each image of the
    row enlarged `scale` times, composited over the background so that its
    alpha edges show. `rows` lists the images (size, rgba) of each icon.
    Returns (w, h, rgba)."""
    pad = 8
    cell_h = max(size for row in rows for size, _ in row) * scale + pad
    width = pad + max(sum(size * scale + pad for size, _ in row) for row in rows)
    height = cell_h * len(rows) * len(backgrounds) + pad
    out = bytearray(width * height * 4)
    for band, bg in enumerate(backgrounds):
        band_top = band * cell_h * len(rows)
        for y in range(band_top, band_top + cell_h * len(rows) + pad):
            out[y * width * 4:(y + 1) * width * 4] = (bytes(bg) + b"\xff") * width
        for r, row in enumerate(rows):
            left = pad
            top = band_top + pad + r * cell_h
            for size, rgba in row:
                for y in range(size * scale):
                    for x in range(size * scale):
                        s = ((y // scale) * size + x // scale) * 4
                        red, green, blue, a = rgba[s:s + 4]
                        d = ((top + y) * width + left + x) * 4
                        out[d:d + 4] = bytes(((c * a + k * (255 - a)) // 255) for c, k in
                                             zip((red, green, blue), bg)) + b"\xff"
                left += size * scale + pad
    return width, height, bytes(out)

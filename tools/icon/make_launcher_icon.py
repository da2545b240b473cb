#!/usr/bin/env python3
"""Draws the launcher's default application icon and writes it as a Windows .ico file.

The icon is a rounded tile with a diagonal blue-to-teal gradient and a white "start" triangle. It
holds four images: 16, 32 and 48 pixels as 32-bit BMP images (with their 1-bit AND masks), and 256
pixels as a PNG image, the form Windows expects for the large size.

The output depends only on this script: no time, path or randomness enters it, so every run writes
the same bytes.

usage: make_launcher_icon.py OUTPUT.ico
"""
import struct
import sys
import zlib

SIZES = (16, 32, 48, 256)
PNG_SIZES = (256,)

# Colours as (red, green, blue) in 0..255.
TILE_TOP_LEFT = (20, 64, 140)
TILE_BOTTOM_RIGHT = (24, 170, 170)
MARK = (255, 255, 255)

# Geometry in unit coordinates (0..1 across the image, y downwards).
TILE_MARGIN = 1.0 / 16
TILE_RADIUS = 0.2
TRIANGLE = ((0.38, 0.26), (0.38, 0.74), (0.78, 0.5))


def inside_tile(x, y):
    half_inner = 0.5 - TILE_MARGIN - TILE_RADIUS
    dx = max(abs(x - 0.5) - half_inner, 0.0)
    dy = max(abs(y - 0.5) - half_inner, 0.0)
    return dx * dx + dy * dy <= TILE_RADIUS * TILE_RADIUS


def inside_triangle(x, y):
    (ax, ay), (bx, by), (cx, cy) = TRIANGLE

    def side(px, py, qx, qy):
        return (qx - px) * (y - py) - (qy - py) * (x - px)

    s1, s2, s3 = side(ax, ay, bx, by), side(bx, by, cx, cy), side(cx, cy, ax, ay)
    return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)


def sample(x, y):
    """Premultiplied (r, g, b, a) at one point, each in 0..1."""
    if not inside_tile(x, y):
        return (0.0, 0.0, 0.0, 0.0)
    if inside_triangle(x, y):
        colour = MARK
    else:
        t = min(max((x + y) / 2.0, 0.0), 1.0)
        colour = tuple(a + (b - a) * t for a, b in zip(TILE_TOP_LEFT, TILE_BOTTOM_RIGHT))
    return (colour[0] / 255.0, colour[1] / 255.0, colour[2] / 255.0, 1.0)


def render(size):
    """Rows top to bottom of (r, g, b, a) byte tuples, straight (not premultiplied) alpha."""
    samples = 4 if size <= 64 else 2  # per axis: anti-aliasing by supersampling
    rows = []
    for row in range(size):
        pixels = []
        for column in range(size):
            total = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (column + (sx + 0.5) / samples) / size
                    y = (row + (sy + 0.5) / samples) / size
                    for i, value in enumerate(sample(x, y)):
                        total[i] += value
            count = samples * samples
            alpha = total[3] / count
            if alpha == 0.0:
                pixels.append((0, 0, 0, 0))
                continue
            pixels.append(tuple(int(round(total[i] / count / alpha * 255)) for i in range(3)) +
                          (int(round(alpha * 255)),))
        rows.append(pixels)
    return rows


def bmp_image(rows):
    """A DIB as an icon holds it: BITMAPINFOHEADER of double height, BGRA rows bottom-up, then the
    AND mask (1 = transparent), rows bottom-up padded to 32 bits."""
    size = len(rows)
    xor = b''.join(bytes((b, g, r, a)) for pixels in reversed(rows) for (r, g, b, a) in pixels)
    mask_stride = (size + 31) // 32 * 4
    mask = bytearray()
    for pixels in reversed(rows):
        line = bytearray(mask_stride)
        for column, pixel in enumerate(pixels):
            if pixel[3] == 0:
                line[column // 8] |= 0x80 >> (column % 8)
        mask += line
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 32, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    return header + xor + bytes(mask)


def png_chunk(kind, data):
    return (struct.pack('>I', len(data)) + kind + data +
            struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff))


def png_image(rows):
    size = len(rows)
    raw = b''.join(b'\x00' + b''.join(bytes(pixel) for pixel in pixels) for pixels in rows)
    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA, no interlace
    return (b'\x89PNG\r\n\x1a\n' + png_chunk(b'IHDR', header) +
            png_chunk(b'IDAT', zlib.compress(raw, 9)) + png_chunk(b'IEND', b''))


def icon_file(images):
    """ICONDIR, one ICONDIRENTRY per (size, data), then the images in the same order."""
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b''
    for size, data in images:
        dimension = 0 if size == 256 else size  # 0 stands for 256
        entries += struct.pack('<BBBBHHII', dimension, dimension, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return directory + entries + b''.join(data for _, data in images)


def main():
    if len(sys.argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    images = []
    for size in SIZES:
        rows = render(size)
        images.append((size, png_image(rows) if size in PNG_SIZES else bmp_image(rows)))
    with open(sys.argv[1], 'wb') as output:
        output.write(icon_file(images))
    return 0


if __name__ == '__main__':
    sys.exit(main())

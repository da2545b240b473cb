#!/usr/bin/env python3
"""Checks the application icon a Windows executable carries against the .ico file it was built from.

The executable's first icon group (RT_GROUP_ICON) must list exactly the images of ICON, in its
order, each with the same directory fields; every image must be an RT_ICON resource holding the
file's image byte for byte, and no RT_ICON may be left out of the group. Each image must also be
what its entry claims: a PNG or a 32-bit BMP of the listed width and height. With --sizes, the group
must hold exactly those sizes; with --drawn, every image must show a tile (transparent corner,
opaque centre), so an icon drawn empty or fully opaque is refused.

usage: inspect_icon.py EXE ICON [--sizes 16,32,48,256] [--drawn]
"""
import argparse
import functools
import struct
import sys
import zlib

import pefile

RT_ICON = pefile.RESOURCE_TYPE['RT_ICON']
RT_GROUP_ICON = pefile.RESOURCE_TYPE['RT_GROUP_ICON']
PNG_SIGNATURE = b'\x89PNG\r\n\x1a\n'


def icon_file_images(data):
    """[(width, height, colours, planes, bit_count, image bytes)] of an .ico file."""
    reserved, kind, count = struct.unpack_from('<HHH', data, 0)
    if reserved != 0 or kind != 1:
        raise ValueError('not an icon file')
    images = []
    for index in range(count):
        width, height, colours, _, planes, bits, size, offset = struct.unpack_from(
            '<BBBBHHII', data, 6 + 16 * index)
        images.append((width or 256, height or 256, colours, planes, bits,
                       data[offset:offset + size]))
    return images


def resources_of(pe, kind):
    """{id: bytes of the first language} of one resource type."""
    found = {}
    directory = getattr(pe, 'DIRECTORY_ENTRY_RESOURCE', None)
    for entry in directory.entries if directory else []:
        if entry.id != kind:
            continue
        for item in entry.directory.entries:
            leaf = item.directory.entries[0].data.struct
            found[item.id if item.name is None else str(item.name)] = pe.get_data(
                leaf.OffsetToData, leaf.Size)
    return found


def group_entries(data):
    """[(width, height, colours, planes, bit_count, bytes_in_res, id)] of a GRPICONDIR."""
    reserved, kind, count = struct.unpack_from('<HHH', data, 0)
    if reserved != 0 or kind != 1 or len(data) != 6 + 14 * count:
        raise ValueError('icon group header reserved %d type %d count %d in %d bytes'
                         % (reserved, kind, count, len(data)))
    entries = []
    for index in range(count):
        width, height, colours, _, planes, bits, size, ident = struct.unpack_from(
            '<BBBBHHIH', data, 6 + 14 * index)
        entries.append((width or 256, height or 256, colours, planes, bits, size, ident))
    return entries


@functools.lru_cache(maxsize=None)  # each image is asked for several pixels
def png_rgba(data):
    """(width, height, rows of RGBA bytes) of an 8-bit RGBA, non-interlaced PNG."""
    width, height, depth, colour, _, _, interlace = struct.unpack_from('>IIBBBBB', data, 16)
    if (depth, colour, interlace) != (8, 6, 0):
        raise ValueError('PNG is not 8-bit RGBA without interlace')
    position, compressed = 8, b''
    while position < len(data):
        length, = struct.unpack_from('>I', data, position)
        if data[position + 4:position + 8] == b'IDAT':
            compressed += data[position + 8:position + 8 + length]
        position += 12 + length
    raw = zlib.decompress(compressed)
    stride, rows, previous = 4 * width, [], bytearray(4 * width)
    for row in range(height):
        kind = raw[row * (stride + 1)]
        line = bytearray(raw[row * (stride + 1) + 1:(row + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - 4] if i >= 4 else 0
            up = previous[i]
            upper_left = previous[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xff
            elif kind == 2:
                line[i] = (line[i] + up) & 0xff
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xff
            elif kind == 4:
                p = left + up - upper_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - upper_left)
                predictor = left if pa <= pb and pa <= pc else up if pb <= pc else upper_left
                line[i] = (line[i] + predictor) & 0xff
        rows.append(bytes(line))
        previous = line
    return width, height, rows


def alpha_at(image, size, x, y):
    """Alpha of pixel (x, y), y downwards, of a PNG or 32-bit BMP icon image."""
    if image.startswith(PNG_SIGNATURE):
        _, _, rows = png_rgba(image)
        return rows[y][4 * x + 3]
    return image[40 + 4 * ((size - 1 - y) * size + x) + 3]  # BGRA rows bottom-up


def check_image(image, width, height, bits):
    """The ways in which one image differs from what its entry claims (empty if none)."""
    if image.startswith(PNG_SIGNATURE):
        if image[12:16] != b'IHDR':
            return ['PNG without IHDR']
        png_width, png_height = struct.unpack_from('>II', image, 16)
        if (png_width, png_height) != (width, height):
            return ['PNG is %dx%d, its entry says %dx%d' % (png_width, png_height, width, height)]
        return []
    header_size, bmp_width, bmp_height, planes, bmp_bits = struct.unpack_from('<IiiHH', image, 0)
    problems = []
    if header_size != 40:
        problems.append('BMP header of %d bytes' % header_size)
    if (bmp_width, bmp_height) != (width, 2 * height):
        problems.append('BMP is %dx%d, expected %dx%d (double height for the mask)'
                        % (bmp_width, bmp_height, width, 2 * height))
    if bmp_bits != bits or planes != 1:
        problems.append('BMP has %d planes of %d bits, its entry says %d bits' % (planes, bmp_bits,
                                                                                   bits))
    mask_stride = (width + 31) // 32 * 4
    expected_length = 40 + width * height * 4 + mask_stride * height
    if bmp_bits == 32 and len(image) != expected_length:
        problems.append('BMP of %d bytes, expected %d' % (len(image), expected_length))
    return problems


def parse_options():
    parser = argparse.ArgumentParser()
    parser.add_argument('exe')
    parser.add_argument('icon')
    parser.add_argument('--sizes', help='comma-separated sizes the group must hold')
    parser.add_argument('--drawn', action='store_true')
    return parser.parse_args()


def first_group(groups):
    """The identifier of the group Windows takes: the lowest numeric one, else the first name."""
    return min(groups, key=lambda k: (isinstance(k, str), k if isinstance(k, int) else 0, str(k)))


def image_failures(number, entry, image, icons):
    """How image `number` of the group differs from the icon file's `image`."""
    width, height, colours, planes, bits, size, ident = entry
    failures = []
    if (width, height, colours, planes, bits) != image[:5]:
        failures.append('image %d: group entry %s, icon file entry %s'
                        % (number, entry[:5], image[:5]))
    data = icons.get(ident)
    if data is None:
        return failures + ['image %d: no RT_ICON resource %d' % (number, ident)]
    if len(data) != size:
        failures.append('image %d: RT_ICON %d has %d bytes, the group says %d'
                        % (number, ident, len(data), size))
    if data != image[5]:
        failures.append('image %d: RT_ICON %d differs from the icon file\'s image'
                        % (number, ident))
    return failures + ['image %d: %s' % (number, p) for p in check_image(data, width, height, bits)]


def drawn_failures(number, width, height, data):
    """A drawn tile has a transparent corner and an opaque centre."""
    corner, centre = alpha_at(data, width, 0, 0), alpha_at(data, width, width // 2, height // 2)
    if corner != 0 or centre != 255:
        return ['image %d (%d px): corner alpha %d, centre alpha %d; expected a transparent corner '
                'and an opaque centre' % (number, width, corner, centre)]
    return []


def images_failures(entries, expected, icons, drawn):
    """Each image against the icon file's; with `drawn`, as long as nothing failed so far, whether
    each square image shows a tile."""
    failures = []
    for number, (entry, image) in enumerate(zip(entries, expected), 1):
        failures += image_failures(number, entry, image, icons)
        width, height = entry[:2]
        if drawn and width == height and not failures:
            failures += drawn_failures(number, width, height, icons[entry[6]])
    return failures


def group_failures(entries, groups, icons, sizes_option):
    """Icons outside the only group, and sizes other than the wanted square ones."""
    failures = []
    unreferenced = sorted(set(icons) - {entry[6] for entry in entries})
    if len(groups) == 1 and unreferenced:
        failures.append('RT_ICON resources %s belong to no icon group' % unreferenced)
    if sizes_option:
        wanted = sorted(int(s) for s in sizes_option.split(','))
        sizes = sorted(entry[0] for entry in entries)
        if sizes != wanted or any(entry[0] != entry[1] for entry in entries):
            failures.append('icon sizes %s, expected %s (square)'
                            % ([(e[0], e[1]) for e in entries], wanted))
    return failures


def main():
    options = parse_options()
    pe = pefile.PE(options.exe)
    with open(options.icon, 'rb') as f:
        expected = icon_file_images(f.read())
    groups = resources_of(pe, RT_GROUP_ICON)
    icons = resources_of(pe, RT_ICON)
    if not groups:
        print('%s carries no icon group' % options.exe)
        return 1
    first = first_group(groups)
    entries = group_entries(groups[first])
    failures = []
    if len(entries) != len(expected):
        failures.append('icon group %s lists %d images, %s holds %d'
                        % (first, len(entries), options.icon, len(expected)))
    failures += images_failures(entries, expected, icons, options.drawn)
    failures += group_failures(entries, groups, icons, options.sizes)
    if failures:
        print('\n'.join(failures))
        return 1
    sizes = sorted(entry[0] for entry in entries)
    print('%s: icon group %s with %s-pixel images, the images of %s'
          % (options.exe, first, ', '.join(map(str, sizes)), options.icon))
    return 0


if __name__ == '__main__':
    sys.exit(main())

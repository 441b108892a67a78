#!/usr/bin/env python3
# Writes the crafted PNG and BMP files of this folder (checked in; run again to remake them): a
# few bytes of image data declaring far more than they can give, a BMP declaring more rows than
# it holds, a compressed BMP declaring gigabytes, and a small sound file of each format beside
# them. expected.txt says what every host must do with each.
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(width, height, depth, colour, idat):
    header = struct.pack('>IIBBBBB', width, height, depth, colour, 0, 0, 0)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', idat) + chunk(b'IEND', b'')


def bmp(width, height, bits, compression, table, pixels, declared_image=None):
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, compression,
                         len(pixels) if declared_image is None else declared_image, 2835, 2835, len(table) // 4, 0)
    offset = 14 + len(header) + len(table)
    return b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset) + header + table + pixels


def write(name, data):
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


def main():
    # 30000 x 30000 grey from 11 bytes of zlib data: deflate gives at most about 1032 bytes a byte.
    write('png_30000x30000_from_a_few_bytes.png', png(30000, 30000, 8, 0, zlib.compress(b'\x00' * 64, 9)))
    # The widest row a PNG header allows, at 1 bit: 256 MiB of rows from the same few bytes.
    write('png_width_7fffffff_1bit.png', png(0x7FFFFFFF, 1, 1, 0, zlib.compress(b'\x00' * 64, 9)))
    # A sound 3 x 2 RGB image, each row filtered with None.
    rows = b''.join(b'\x00' + bytes((40 * x + 80 * y) % 256 for x in range(9)) for y in range(2))
    write('png_small_sound.png', png(3, 2, 8, 2, zlib.compress(rows, 9)))
    # 20000 x 20000 at 24 bits (1.2 GB) declared in front of 1000 bytes of pixel rows.
    write('bmp_rows_beyond_the_file.bmp', bmp(20000, 20000, 24, 0, b'', bytes(1000), declared_image=20000 * 60000))
    # RLE8: 60000 x 60000 of 8 bits (3.6 GB) that an end-of-bitmap code fills with nothing.
    grey = b''.join(bytes((i, i, i, 0)) for i in range(256))
    write('bmp_rle8_60000x60000_end_of_bitmap.bmp', bmp(60000, 60000, 8, 1, grey, b'\x00\x01'))
    # A sound 3 x 2 image at 24 bits, rows padded to 12 bytes.
    pixels = b''.join(bytes((60 * x + 20 * y) % 256 for x in range(9)) + b'\x00' * 3 for y in range(2))
    write('bmp_small_sound.bmp', bmp(3, 2, 24, 0, b'', pixels))


if __name__ == '__main__':
    main()

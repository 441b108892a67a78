#!/usr/bin/env python3
# Writes the crafted TIFF files of this folder: small files that declare far more than their
# bytes hold, sizes at the 32-bit limits, and strips without byte counts that share their data.
# Run it from anywhere; it rewrites the .tif files beside it (expected.txt names what each gives).
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SHORT, LONG = 3, 4


def tiff(pages, big_endian=False):
    """pages: list of (fields, strips, counts) where fields maps tag -> (type, [values]); strips
    are byte strings placed after the IFD (StripOffsets filled in unless given in fields);
    counts: None for the strips' own lengths, False for no StripByteCounts, or a list."""
    e = '>' if big_endian else '<'
    out = bytearray(b'MM\x00\x2a' if big_endian else b'II\x2a\x00')
    out += struct.pack(e + 'I', 8)
    for index, (fields, strips, counts) in enumerate(pages):
        fields = dict(fields)
        if 273 not in fields:
            fields[273] = (LONG, [0] * len(strips))
        if counts is None:
            fields[279] = (LONG, [len(s) for s in strips])
        elif counts is not False:
            fields[279] = (LONG, list(counts))
        ifd_at = len(out)
        tags = sorted(fields)
        extra_at = ifd_at + 2 + 12 * len(tags) + 4
        extra = bytearray()
        entries = []
        for tag in tags:
            kind, values = fields[tag]
            fmt = 'H' if kind == SHORT else 'I'
            raw = b''.join(struct.pack(e + fmt, v) for v in values)
            entries.append([tag, kind, len(values), raw])
        # strips go after the out-of-line values; work out where
        for entry in entries:
            if len(entry[3]) > 4:
                extra += b'\x00' * (len(extra) % 2)
                entry.append(extra_at + len(extra))
                extra += entry[3]
            else:
                entry.append(None)
        strip_at = extra_at + len(extra)
        if fields[273][1] == [0] * len(strips):
            offsets, at = [], strip_at
            for s in strips:
                offsets.append(at)
                at += len(s)
            raw = b''.join(struct.pack(e + 'I', v) for v in offsets)
            for entry in entries:
                if entry[0] == 273:
                    entry[3] = raw
                    if len(raw) > 4:
                        extra[entry[4] - extra_at:entry[4] - extra_at + len(raw)] = raw
        out += struct.pack(e + 'H', len(entries))
        for tag, kind, count, raw, at in entries:
            out += struct.pack(e + 'HHI', tag, kind, count)
            if at is not None:
                out += struct.pack(e + 'I', at)
            else:
                out += raw + b'\x00' * (4 - len(raw))
        next_at = 0
        if index + 1 < len(pages):
            next_at = strip_at + sum(len(s) for s in strips)
            next_at += next_at % 2
        out += struct.pack(e + 'I', next_at)
        out += extra
        for s in strips:
            out += s
        if next_at:
            out += b'\x00' * (next_at - len(out))
    return bytes(out)


def page(width, height, bits, samples, photometric, compression, rows_per_strip=None, extra=None):
    f = {256: (LONG, [width]), 257: (LONG, [height]), 258: (SHORT, [bits] * samples),
         259: (SHORT, [compression]), 262: (SHORT, [photometric]), 277: (SHORT, [samples]),
         278: (LONG, [rows_per_strip or height])}
    f.update(extra or {})
    return f


def lzw_codes(codes):
    """Packs 9-bit codes most significant bit first."""
    acc, n, out = 0, 0, bytearray()
    for c in codes:
        acc, n = (acc << 9) | c, n + 9
        while n >= 8:
            out.append((acc >> (n - 8)) & 0xFF)
            n -= 8
    if n:
        out.append((acc << (8 - n)) & 0xFF)
    return bytes(out)


def write(name, data):
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


def main():
    row32 = (1 << 27) + 1  # 16 samples of 16 bits: a row of 2^32 + 32 bytes
    crash = page(row32, 1, 16, 16, 2, 1, extra={317: (SHORT, [2])})
    write('tiff_row_past_4gib_uncompressed.tif', tiff([(crash, [bytes(32)], None)]))
    write('tiff_row_past_4gib_uncompressed_mm.tif', tiff([(crash, [bytes(32)], None)], big_endian=True))
    lzw_crash = page(row32, 1, 16, 16, 2, 5, extra={317: (SHORT, [2])})
    write('tiff_row_past_4gib_lzw.tif', tiff([(lzw_crash, [lzw_codes([256, 65, 66, 257])], None)]))
    # Four pages of 30000 x 30000 grey, each a 4-byte LZW strip.
    big = page(30000, 30000, 8, 1, 1, 5)
    write('tiff_four_lzw_pages_of_900mb.tif', tiff([(big, [lzw_codes([256, 0, 257])], None)] * 4))
    # One such page in big-endian order.
    write('tiff_lzw_900mb_page_mm.tif', tiff([(big, [lzw_codes([256, 0, 257])], None)], big_endian=True))
    # Width and height read through SHORT arrays longer than the value field.
    arrays = page(0, 0, 8, 1, 1, 5, rows_per_strip=47265, extra={256: (SHORT, [25184, 1, 1]), 257: (SHORT, [47265, 1, 1])})
    write('tiff_short_arrays_25184x47265_lzw.tif', tiff([(arrays, [lzw_codes([256, 7, 257])], None)]))
    # Widths beyond what a DIB header holds, at 1 bit.
    for width in (0x80000000, 0xFFFFFFFF):
        p = page(width, 1, 1, 1, 1, 1)
        write('tiff_width_%08x_1bit.tif' % width, tiff([(p, [bytes(16)], None)]))
    # Group 4: one byte holds at most 8 rows.
    g4 = page(1728, 60000, 1, 1, 0, 4)
    write('tiff_g4_60000_rows_in_one_byte.tif', tiff([(g4, [b'\xff'], None)]))
    # PackBits: 2 bytes give 128 at most.
    pb = page(40000, 40000, 8, 1, 1, 32773)
    write('tiff_packbits_1600mb_in_8_bytes.tif', tiff([(pb, [b'\x81\x00' * 4], None)]))
    # Thousands of strips without byte counts, all on the same bytes.
    strips = 20000
    def shared(at):
        return page(1, strips, 8, 1, 1, 5, rows_per_strip=1, extra={273: (LONG, [at] * strips)})
    # the shared strip, after the IFD and its arrays: Clear codes, then one byte
    at = len(tiff([(shared(1), [], False)]))
    data = tiff([(shared(at), [], False)]) + lzw_codes([256] * 60000 + [1, 257])
    write('tiff_20000_strips_without_counts_on_one_run.tif', data)
    # Samples of 0 bits: rows of no bytes, a blank page of 128 MiB from nothing (found by fuzzing).
    zero = page(row32, 1, 0, 16, 2, 1)
    write('tiff_zero_bit_samples.tif', tiff([(zero, [bytes(4)], [0])]))
    # A transparency mask (photometric 4) behind 12 group 4 bytes: 1.2 GB of blank 8-bit page.
    mask = page(0xC00006, 96, 1, 1, 4, 4)
    write('tiff_g4_mask_of_1200mb_blank.tif', tiff([(mask, [b'\xff' * 12], None)]))
    # A good two-page file beside them: 4 x 2 grey, uncompressed and PackBits.
    good = page(4, 2, 8, 1, 1, 1)
    packed = page(4, 2, 8, 1, 1, 32773)
    write('tiff_two_good_pages.tif', tiff([(good, [bytes(range(0, 128, 16))], None),
                                           (packed, [b'\x03\x10\x20\x30\x40\xfd\x80'], None)]))
    write_shared_shapes()


def ifd_chain(first, pages, entries_of):
    """pages IFDs of little-endian (tag, type, count, value) entries from offset first on."""
    out = bytearray()
    for p in range(pages):
        entries = entries_of(p)
        out += struct.pack('<H', len(entries))
        for tag, kind, count, value in entries:
            if kind == SHORT and count == 1:
                out += struct.pack('<HHIHH', tag, kind, count, value, 0)
            else:
                out += struct.pack('<HHII', tag, kind, count, value)
        at = first + len(out) + 4
        out += struct.pack('<I', 0 if p + 1 == pages else at)
    return out


def shared_strip_array(pages, rows):
    """pages group 4 pages of one row a strip, all on one StripOffsets array of rows SHORT
    entries (all 0) and without StripByteCounts: every strip is the same bytes."""
    head = bytearray(b'II\x2a\x00') + struct.pack('<I', 8 + 2 * rows) + bytes(2 * rows)
    return bytes(head + ifd_chain(len(head), pages, lambda p: [
        (256, LONG, 1, 64), (257, LONG, 1, rows), (258, SHORT, 1, 1), (259, SHORT, 1, 4),
        (262, SHORT, 1, 0), (273, SHORT, rows, 8), (278, LONG, 1, 1)]))


def shared_strip(pages, width, height, compression, t4, strip):
    """pages bilevel pages of width x height in one strip each, all on the same stored strip."""
    head = bytearray(b'II\x2a\x00') + b'\x00' * 4 + strip
    head += bytes(-len(head) % 4)
    head[4:8] = struct.pack('<I', len(head))
    return bytes(head + ifd_chain(len(head), pages, lambda p: [
        (256, LONG, 1, width), (257, LONG, 1, height), (258, SHORT, 1, 1), (259, SHORT, 1, compression),
        (262, SHORT, 1, 0), (273, LONG, 1, 8), (278, LONG, 1, height), (279, LONG, 1, len(strip)),
        (292, LONG, 1, t4)]))


def write_shared_shapes():
    # 600 pages on one array of 40000 strip offsets: each page's array used to be copied and
    # sorted with every IFD's offset before its strips were refused.
    write('tiff_600_pages_on_one_strip_array.tif', shared_strip_array(600, 40000))
    # Two 16777216 x 320 bilevel pages (640 MiB each) on one 40-byte group 4 strip.
    write('tiff_two_g4_pages_of_640mb_on_one_strip.tif', shared_strip(2, 16777216, 320, 4, 0, b'\xff' * 40))
    # Two 200 MiB two-dimensional group 3 pages on 40 zero bytes: the first fails and still
    # counts, the second does not fit what it left.
    write('tiff_two_g3_pages_of_200mb_failing.tif', shared_strip(2, 16777216, 100, 3, 1, bytes(40)))


if __name__ == '__main__':
    main()

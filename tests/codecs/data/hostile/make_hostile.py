#!/usr/bin/env python3
"""Writes the crafted PDF and JPEG files of this folder (checked in; run again to remake them):
small, deterministic files that declare far more than their bytes hold, or mislead the readers.
expected.txt says what every host must do with each file. Other generators may add files here."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def pdf(objects, root=1, info=0):
    """A PDF of object bodies, object 1 first, with a correct cross-reference table."""
    out = b"%PDF-1.4\n"
    offsets = []
    for i, body in enumerate(objects):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % (i + 1) + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for o in offsets:
        out += b"%010d 00000 n \n" % o
    out += b"trailer\n<< /Size %d /Root %d 0 R" % (len(objects) + 1, root)
    if info:
        out += b" /Info %d 0 R" % info
    out += b" >>\nstartxref\n%d\n%%%%EOF\n" % xref
    return out


def shared_image_pdf(pages, dictionary, stream, info=None):
    """pages pages that all show one image object."""
    image = pages + 3 + (1 if info else 0)
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>",
               b"<< /Type /Pages /Kids [" + b" ".join(b"%d 0 R" % (i + 3) for i in range(pages)) +
               b"] /Count %d >>" % pages]
    for _ in range(pages):
        objects.append(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject << /Im0 %d 0 R"
                       b" >> >> >>" % image)
    if info:
        objects.append(info)
    objects.append(b"<< /Type /XObject /Subtype /Image " + dictionary + b" /Length %d >>\nstream\n" % len(stream) +
                   stream + b"\nendstream")
    return pdf(objects, info=pages + 3 if info else 0)


def image_per_page_pdf(pages, dictionary, stream):
    """pages pages, each showing an image object of its own with the same dictionary and stream."""
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>",
               b"<< /Type /Pages /Kids [" + b" ".join(b"%d 0 R" % (3 + 2 * i) for i in range(pages)) +
               b"] /Count %d >>" % pages]
    for i in range(pages):
        objects.append(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject << /Im0 %d 0 R"
                       b" >> >> >>" % (4 + 2 * i))
        objects.append(b"<< /Type /XObject /Subtype /Image " + dictionary + b" /Length %d >>\nstream\n" % len(stream) +
                       stream + b"\nendstream")
    return pdf(objects)


FAX = b"/ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode "


def jpeg(width, height, scan):
    """A baseline grey JPEG of the given frame size whose Huffman tables code every block in two
    bits (DC difference 0, end of block), with the scan bytes given."""
    out = b"\xFF\xD8"
    out += b"\xFF\xDB" + struct.pack(">H", 67) + b"\x00" + b"\x01" * 64
    out += b"\xFF\xC0" + struct.pack(">HBHHB", 11, 8, height, width, 1) + b"\x01\x11\x00"
    counts = b"\x01" + b"\x00" * 15
    out += b"\xFF\xC4" + struct.pack(">H", 20) + b"\x00" + counts + b"\x00"
    out += b"\xFF\xC4" + struct.pack(">H", 20) + b"\x10" + counts + b"\x00"
    out += b"\xFF\xDA" + struct.pack(">H", 8) + b"\x01\x01\x00\x00\x3F\x00"
    return out + scan + b"\xFF\xD9"


def files():
    yield "pdf_fax_bomb_8pages.pdf", shared_image_pdf(
        8, b"/Width 60000 /Height 60000 " + FAX + b"/DecodeParms << /K -1 /Columns 60000 >>", b"\xFF" * 4)
    yield "pdf_fax_wide_rows.pdf", shared_image_pdf(
        1, b"/Width 134217727 /Height 127 " + FAX + b"/DecodeParms << /K -1 /Columns 134217727 >>", b"\xFF" * 16)
    # 2^24 x 64 white pixels (128 MiB) in 8 bytes, shown on 200 pages.
    yield "pdf_shared_200pages.pdf", shared_image_pdf(
        200, b"/Width 16777216 /Height 64 " + FAX + b"/DecodeParms << /K -1 /Columns 16777216 >>", b"\xFF" * 8)
    # 48 rows of group 4 code, of which the last two thirds are zeroed.
    yield "pdf_fax_damaged.pdf", shared_image_pdf(
        1, b"/Width 64 /Height 48 " + FAX + b"/DecodeParms << /K -1 /Columns 64 >>", b"\xFF\xFF" + b"\x00" * 4)
    yield "pdf_fax_whole.pdf", shared_image_pdf(
        1, b"/Width 64 /Height 48 " + FAX + b"/DecodeParms << /K -1 /Columns 64 >>", b"\xFF" * 6)
    # Three pages share one small Flate image; the information's strings hold "stream" and "endobj".
    grey = bytes((x * 16 + y) & 255 for y in range(12) for x in range(16))
    yield "pdf_shared_3pages.pdf", shared_image_pdf(
        3, b"/Width 16 /Height 12 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode",
        zlib.compress(grey, 9), info=b"<<\n/Title (Mainstream scans)\n/Author (x endobj y)\n/Keywords (k)\n>>")
    yield "pdf_no_pages.pdf", pdf([b"<< /Type /Catalog /Pages 2 0 R >>", b"<< /Type /Pages /Kids [] /Count 0 >>"])
    # 40 pages, each with its own 16777216 x 128 group 4 image (256 MiB) of 16 zero bytes that
    # fails at its first row; then 6 pages of 128 MiB group 3 images that fail the same way.
    yield "pdf_40_failing_fax_images_of_256mb.pdf", image_per_page_pdf(
        40, b"/Width 16777216 /Height 128 " + FAX + b"/DecodeParms << /K -1 /Columns 16777216 >>", bytes(16))
    yield "pdf_6_failing_g3_images_of_128mb.pdf", image_per_page_pdf(
        6, b"/Width 16777216 /Height 64 " + FAX + b"/DecodeParms << /K 0 /Columns 16777216 >>", bytes(16))
    yield "jpeg_huge_frame.jpg", jpeg(65061, 1763, b"\x00" * 4)
    yield "jpeg_small_frame.jpg", jpeg(64, 48, b"\x00" * 12)


if __name__ == "__main__":
    for name, data in files():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)

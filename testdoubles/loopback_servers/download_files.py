"""The files the loopback servers serve for download, and the client certificates, made at start.

Images come from Pillow, so the tests compare what the engine decodes with an independent
reader's pixels (NAME.rgb: the top-down RGB bytes Pillow decodes from NAME):
  image.bmp, image.png, image.jpg   one 64x48 picture in three formats (image.jpg.rgb: Pillow's decode)
  pages.tif                          two pages: the picture and its negative (pages.tif.N.rgb)
  pages.pdf                          the same two pages as Flate-compressed RGB images
  gap.bmp                            24-bit BMP whose pixels start 16 bytes after the headers
  palette.bmp                        8-bit BMP with a 16-colour table (biClrUsed 16)
  hostile.bmp                        a BMP header declaring 60000 x 60000 pixels, 200 bytes long
  page.html                          an HTML page, not an image
  known.bin                          100007 bytes of a fixed pseudo-random sequence
Language packs for the OCR add-on, written by Python's zipfile module (lang/NAME.zip; the bytes the
good packs hold are beside them as lang/NAME.traineddata):
  eng.zip        deflated: the folder entry "tessdata/" and "tessdata/eng.traineddata"
  deu.zip        stored: "tessdata/deu.traineddata"
  absolute.zip   an entry named "/absolute/eng.traineddata"
  drive.zip      an entry named "C:/lumetta_drive.traineddata"
  dotdot.zip     a good "tessdata/eng.traineddata", then "../escaped.dll"
  backslash.zip  an entry named "tessdata\\..\\..\\escaped2.dll"
  longer.zip     eng.zip whose directory claims 1000 bytes more than the entry inflates to
  shorter.zip    eng.zip whose directory claims 1000 bytes fewer
  huge.zip       eng.zip whose directory claims 0x3FFFFF00 bytes (more than deflate can reach)
  toolarge.zip   eng.zip whose directory claims 0xFFFFFFF0 bytes (more than a pack may hold)
  truncated.zip  the first half of eng.zip
  longname.zip   a good "tessdata/eng.traineddata", then an entry whose name of 230 characters
                 makes a path too long below any data folder
Client certificates (self-signed, printable-string names, in DIR/certs): client1 ("CN=Lumetta Test
Client, O=Loopback Tests", serial 0x123) and client2 ("CN=Lumetta Second Client, O=Loopback
Tests", serial 0x01A2FF), each as NAME.p12 (no password) and NAME.der.
"""
import io
import os
import random
import shutil
import struct
import subprocess
import tempfile
import zipfile

WIDTH, HEIGHT = 64, 48


def picture():
    from PIL import Image
    img = Image.new("RGB", (WIDTH, HEIGHT))
    img.putdata([((x * 4) % 256, (y * 5) % 256, ((x + y) * 2) % 256) for y in range(HEIGHT) for x in range(WIDTH)])
    return img


def save_rgb(path, img):
    with open(path, "wb") as f:
        f.write(img.convert("RGB").tobytes())


def bmp_with_gap(img, gap):
    rows = []
    stride = (WIDTH * 3 + 3) & ~3
    for y in range(HEIGHT - 1, -1, -1):
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = img.getpixel((x, y))
            row += bytes((b, g, r))
        rows.append(bytes(row) + b"\0" * (stride - len(row)))
    pixels = b"".join(rows)
    offset = 14 + 40 + gap
    header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + b"\xEE" * gap + pixels


def pdf_of_pages(images):
    """A PDF whose pages each show one RGB image, its samples Flate-compressed."""
    import zlib
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>", None]
    kids = []
    for img in images:
        data = zlib.compress(img.convert("RGB").tobytes())
        image_id, content_id, page_id = len(objects) + 1, len(objects) + 2, len(objects) + 3
        w, h = img.size
        objects.append(b"<< /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceRGB "
                       b"/BitsPerComponent 8 /Filter /FlateDecode /Length %d >>\nstream\n%s\nendstream"
                       % (w, h, len(data), data))
        content = b"q %d 0 0 %d 0 0 cm /Im0 Do Q" % (w, h)
        objects.append(b"<< /Length %d >>\nstream\n%s\nendstream" % (len(content), content))
        objects.append(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %d %d] /Contents %d 0 R "
                       b"/Resources << /XObject << /Im0 %d 0 R >> >> >>" % (w, h, content_id, image_id))
        kids.append(b"%d 0 R" % page_id)
    objects[1] = b"<< /Type /Pages /Kids [%s] /Count %d >>" % (b" ".join(kids), len(kids))
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n%s\nendobj\n" % (number, body)
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for offset in offsets:
        out += b"%010d 00000 n \n" % offset
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    return bytes(out)


def make_certificates(folder):
    os.makedirs(folder, exist_ok=True)
    config = os.path.join(folder, "openssl.cnf")
    with open(config, "w") as f:
        f.write("[req]\ndistinguished_name=dn\nstring_mask=default\nprompt=no\n[dn]\n"
                "[ext]\nbasicConstraints=CA:FALSE\nkeyUsage=digitalSignature,keyEncipherment\n"
                "extendedKeyUsage=clientAuth\n")
    for name, cn, serial in (("client1", "Lumetta Test Client", "0x123"), ("client2", "Lumetta Second Client", "0x01A2FF")):
        key, pem = os.path.join(folder, name + ".key"), os.path.join(folder, name + ".pem")
        subprocess.run(["openssl", "req", "-x509", "-config", config, "-extensions", "ext", "-newkey", "rsa:2048",
                        "-nodes", "-keyout", key, "-out", pem, "-days", "30", "-set_serial", serial,
                        "-subj", "/O=Loopback Tests/CN=" + cn], check=True, capture_output=True)
        subprocess.run(["openssl", "x509", "-in", pem, "-outform", "DER", "-out", os.path.join(folder, name + ".der")],
                       check=True, capture_output=True)
        subprocess.run(["openssl", "pkcs12", "-export", "-in", pem, "-inkey", key, "-passout", "pass:",
                        "-keypbe", "PBE-SHA1-3DES", "-certpbe", "PBE-SHA1-3DES", "-macalg", "sha1",
                        "-out", os.path.join(folder, name + ".p12")], check=True, capture_output=True)


def language_data(seed, size):
    """Bytes that deflate well but not trivially: words of a fixed pseudo-random sequence."""
    rng = random.Random(seed)
    words = [bytes(rng.choice(b"abcdefghij") for _ in range(rng.randint(2, 9))) for _ in range(300)]
    out = bytearray()
    while len(out) < size:
        out += rng.choice(words) + b" "
    return bytes(out[:size])


def zip_of(entries, method=zipfile.ZIP_DEFLATED):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", method) as z:
        for name, payload in entries:
            if name.endswith("/"):
                z.writestr(zipfile.ZipInfo(name), b"")
            else:
                z.writestr(zipfile.ZipInfo(name), payload, compress_type=method)
    return buffer.getvalue()


def renamed(archive, placeholder, name):
    """The archive with an entry name replaced in its local and directory headers (same length)."""
    assert len(placeholder) == len(name) and archive.count(placeholder) == 2
    return archive.replace(placeholder, name)


def with_directory_size(archive, delta=0, size=None):
    """The archive whose first directory entry claims delta more inflated bytes than it holds, or size."""
    at = archive.index(b"PK\x01\x02")
    if size is None:
        size = struct.unpack_from("<I", archive, at + 24)[0] + delta
    patched = bytearray(archive)
    struct.pack_into("<I", patched, at + 24, size)
    return bytes(patched)


def language_packs(folder):
    os.makedirs(folder, exist_ok=True)
    eng, deu = language_data(11, 200000), language_data(12, 5000)
    packs = {
        "eng.zip": zip_of([("tessdata/", b""), ("tessdata/eng.traineddata", eng)]),
        "deu.zip": zip_of([("tessdata/deu.traineddata", deu)], zipfile.ZIP_STORED),
        "absolute.zip": renamed(zip_of([("Xabsolute/eng.traineddata", eng[:100])]), b"Xabsolute/", b"/absolute/"),
        "drive.zip": renamed(zip_of([("C_/lumetta_drive.traineddata", eng[:100])]), b"C_/lumetta", b"C:/lumetta"),
        "dotdot.zip": zip_of([("tessdata/eng.traineddata", eng), ("../escaped.dll", b"MZ not really")]),
        "backslash.zip": renamed(zip_of([("tessdata/XX/XX/escaped2.dll", b"MZ")]), b"tessdata/XX/XX/",
                                 b"tessdata\\..\\..\\"),
    }
    good = zip_of([("tessdata/eng.traineddata", eng)])
    packs["longer.zip"] = with_directory_size(good, 1000)
    packs["shorter.zip"] = with_directory_size(good, -1000)
    packs["huge.zip"] = with_directory_size(good, size=0x3FFFFF00)
    packs["toolarge.zip"] = with_directory_size(good, size=0xFFFFFFF0)
    packs["truncated.zip"] = packs["eng.zip"][:len(packs["eng.zip"]) // 2]
    packs["longname.zip"] = zip_of([("tessdata/eng.traineddata", eng), ("tessdata/" + "n" * 218 + ".traineddata", deu)])
    for name, data in packs.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    for name, data in (("eng.traineddata", eng), ("deu.traineddata", deu)):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def make(folder, ftp_folder):
    from PIL import Image, ImageOps
    os.makedirs(folder, exist_ok=True)
    img = picture()
    img.save(os.path.join(folder, "image.bmp"))
    img.save(os.path.join(folder, "image.png"))
    img.save(os.path.join(folder, "image.jpg"), quality=90)
    save_rgb(os.path.join(folder, "image.rgb"), img)
    save_rgb(os.path.join(folder, "image.jpg.rgb"), Image.open(os.path.join(folder, "image.jpg")))
    negative = ImageOps.invert(img)
    img.save(os.path.join(folder, "pages.tif"), save_all=True, append_images=[negative])
    save_rgb(os.path.join(folder, "pages.tif.0.rgb"), img)
    save_rgb(os.path.join(folder, "pages.tif.1.rgb"), negative)
    with open(os.path.join(folder, "pages.pdf"), "wb") as f:
        f.write(pdf_of_pages([img, negative]))
    with open(os.path.join(folder, "gap.bmp"), "wb") as f:
        f.write(bmp_with_gap(img, 16))
    palette = img.quantize(colors=16)
    palette.save(os.path.join(folder, "palette.bmp"))
    save_rgb(os.path.join(folder, "palette.bmp.rgb"), Image.open(os.path.join(folder, "palette.bmp")))
    hostile = b"BM" + struct.pack("<IHHI", 200, 0, 0, 54) + struct.pack("<IiiHHIIiiII", 40, 60000, 60000, 1, 24, 0,
                                                                          0, 0, 0, 0, 0)
    with open(os.path.join(folder, "hostile.bmp"), "wb") as f:
        f.write(hostile + b"\0" * (200 - len(hostile)))
    with open(os.path.join(folder, "page.html"), "wb") as f:
        f.write(b"<html><body><p>no image here</p></body></html>")
    rng = random.Random(7)
    with open(os.path.join(folder, "known.bin"), "wb") as f:
        f.write(bytes(rng.getrandbits(8) for _ in range(100007)))
    os.makedirs(ftp_folder, exist_ok=True)
    for name in os.listdir(folder):
        if os.path.isfile(os.path.join(folder, name)):
            shutil.copy(os.path.join(folder, name), os.path.join(ftp_folder, name))
    make_certificates(os.path.join(os.path.dirname(folder), "certs"))
    language_packs(os.path.join(folder, "lang"))


if __name__ == "__main__":
    import sys
    target = sys.argv[1] if len(sys.argv) > 1 else tempfile.mkdtemp()
    make(os.path.join(target, "files"), os.path.join(target, "ftp"))
    print(target)

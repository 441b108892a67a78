#!/usr/bin/env python3
"""Language packs for the add-on tests, written by Python's zipfile module: a good pack with the
language data deflated inside a tessdata folder, and hostile ones."""
import os
import sys
import zipfile

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
data = bytes((i * 7) % 251 for i in range(200000))


def make(name, entries, method=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(os.path.join(out, name), "w", method) as z:
        for entry, payload in entries:
            if entry.endswith("/"):
                z.writestr(zipfile.ZipInfo(entry), b"")
            else:
                z.writestr(entry, payload)


make("eng.zip", [("tessdata/", b""), ("tessdata/eng.traineddata", data)])
make("stored.zip", [("tessdata/deu.traineddata", data[:5000])], zipfile.ZIP_STORED)
make("escape.zip", [("tessdata/eng.traineddata", data[:10]), ("../escaped.dll", b"bad")])
make("nodata.zip", [("readme.txt", b"no language data here")])
with open(os.path.join(out, "damaged.zip"), "wb") as f:
    f.write(b"PK\x03\x04 this is no archive")
with open(os.path.join(out, "eng.traineddata.expected"), "wb") as f:
    f.write(data)

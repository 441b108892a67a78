#!/bin/sh
# Reads the documents the plug-in's view tests wrote with tools nobody here wrote: qpdf checks the
# PDF structure, pdfinfo the pages and document information, pdftoppm renders the pages (their
# colours), tiffinfo the TIFF's pages.
set -u
folder=$1
fail=0
check() { if [ "$2" != "$3" ]; then echo "FAIL $1: got '$2', expected '$3'"; fail=1; else echo "ok   $1"; fi; }
field() { pdfinfo "$1" | sed -n "s/^$2: *//p"; }
# The colour of the centre of a page rendered at 72 DPI, as "r g b".
centre() {
  pdftoppm -r 72 -f "$2" -l "$2" "$1" > "$folder/page.ppm" || { echo "render failed"; return; }
  python3 - "$folder/page.ppm" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
parts, pos = [], 0
while len(parts) < 4:
    while data[pos:pos+1].isspace(): pos += 1
    end = pos
    while not data[end:end+1].isspace(): end += 1
    parts.append(data[pos:end]); pos = end
pos += 1
w, h = int(parts[1]), int(parts[2])
at = pos + ((h // 2) * w + w // 2) * 3
print(data[at], data[at + 1], data[at + 2])
PY
}

for f in all.pdf selected.pdf selected.tif; do
  [ -s "$folder/$f" ] || { echo "FAIL missing $folder/$f"; exit 1; }
done
qpdf --check "$folder/all.pdf" > /dev/null 2>&1; check "qpdf all.pdf" $? 0
qpdf --check "$folder/selected.pdf" > /dev/null 2>&1; check "qpdf selected.pdf" $? 0
check "all.pdf pages" "$(field "$folder/all.pdf" Pages)" 3
check "all.pdf title" "$(field "$folder/all.pdf" Title)" "Lumetta pages"
check "all.pdf author" "$(field "$folder/all.pdf" Author)" "The view test"
check "all.pdf subject" "$(field "$folder/all.pdf" Subject)" "Three colours"
check "all.pdf keywords" "$(field "$folder/all.pdf" Keywords)" "red green blue"
check "selected.pdf pages" "$(field "$folder/selected.pdf" Pages)" 1
check "all.pdf page 1" "$(centre "$folder/all.pdf" 1)" "255 0 0"
check "all.pdf page 2" "$(centre "$folder/all.pdf" 2)" "0 255 0"
check "all.pdf page 3" "$(centre "$folder/all.pdf" 3)" "0 0 255"
# The selection was image 2: blue, 32 pixels wide.
check "selected.pdf page 1" "$(centre "$folder/selected.pdf" 1)" "0 0 255"
check "selected.tif pages" "$(tiffinfo "$folder/selected.tif" 2>/dev/null | grep -c 'TIFF Directory')" 1
check "selected.tif width" "$(tiffinfo "$folder/selected.tif" 2>/dev/null | sed -n 's/.*Image Width: \([0-9]*\).*/\1/p')" "32"
exit $fail

#!/bin/sh
# Image files written by another program (ImageMagick) for the file I/O tests.
set -e
out=$1
mkdir -p "$out"
cd "$out"
convert rose: rose.bmp
convert rose: BMP3:rose3.bmp
convert rose: -colorspace gray -type palette -compress none BMP3:gray8.bmp
convert rose: -monochrome -compress none BMP3:mono.bmp
convert rose: -alpha set -channel A -evaluate set 50% +channel rose_alpha.bmp
convert rose: -colors 16 -compress RLE BMP3:rle8.bmp
convert logo: -resize 160x120 logo.jpg
convert rose: rose.png
convert logo: -resize 80x60 logo.gif
convert rose: \( logo: -resize 100x75! \) granite: -compress lzw pages3.tif
head -c 1000 rose3.bmp > truncated.bmp
head -c 60 gray8.bmp > cut_table.bmp
printf 'not an image at all' > garbage.tif

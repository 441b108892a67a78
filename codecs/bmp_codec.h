// The engine's own BMP codec: a BMP is a 14-byte file header followed by a packed DIB. Results
// are engine error codes (0 success, -1034 null argument, -1090 refused header or block, -1002
// no memory).
#pragma once

#include "lumetta_win.h"

#include <cstdint>

constexpr uint32_t kBmpFileHeaderSize = 14;
// File header + BITMAPINFOHEADER: what a reader needs before it can size the DIB.
constexpr uint32_t kBmpHeadersSize = 54;

// How much of its pixel data a truncated BMP file may lack (when it also lacks more than it has).
constexpr uint64_t kBmpMaxMissingBytes = 1u << 20;

// Checks the file and info headers at the start of a BMP file (headers: its first
// kBmpHeadersSize bytes) whose DIB part holds dibBytesPresent bytes, and gives the size of the
// DIB block to read. Uncompressed DIBs with a 40-byte or larger header only; the file must hold
// the header and colour table, while missing pixel rows are left to read as zero (up to
// kBmpMaxMissingBytes, or less than it holds).
LONG BmpDibSizeFromHeaders(const BYTE* headers, uint64_t dibBytesPresent, uint64_t* dibSize);

// The decisions on a BMP's headers taken before its pixels are reserved, for another decoder:
// headers of the form this codec reads are held to its rules (wholeDib: a byte array's, which
// needs every pixel row; else a file's, which lets missing rows read as zero); other forms
// (compressed, masks, the old core header) are refused only when they declare more than the
// load's budget for their size. dibBytes receives the size of the DIB the headers declare.
LONG BmpMeasure(const BYTE* bytes, uint64_t size, bool wholeDib, uint64_t* dibBytes);

// Decodes a BMP held in memory into a new fixed DIB block of size - 14 bytes (the caller owns
// it). The DIB must be whole.
LONG BmpReadFromMemory(const BYTE* bytes, uint64_t size, HGLOBAL* dib);

// The file header written in front of a DIB block of blockSize bytes.
LONG BmpBuildFileHeader(const BYTE* dib, uint64_t blockSize, BYTE header[kBmpFileHeaderSize]);

// The whole BMP of a DIB in a new fixed block (header and DIB), with its size. fileSizeOfRows:
// the header's file size counts the headers, the colours and the padded rows only, not what
// more the block holds behind them (the file the transfer layer carries); else the whole block.
LONG BmpWriteToMemory(HGLOBAL dib, HGLOBAL* bmp, uint64_t* size, bool fileSizeOfRows = false);

// The codec's files (bmp_codec_files.cpp, Windows builds only).
// A BMP file into a new fixed DIB block: the headers first (held to BmpDibSizeFromHeaders), then
// only the DIB they describe, from offset 14; missing pixel rows read as zero. inputBytes
// receives the file's size. -1036 when the file cannot be opened or read.
LONG BmpReadFile(const char* path, HGLOBAL* dib, uint64_t* inputBytes);
// A DIB as a BMP file: the file header, then the block as it is. -1022 when the file cannot be
// created or written (a partial file is deleted).
LONG BmpWriteFile(HGLOBAL dib, const char* path);

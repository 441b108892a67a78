// The engine's own JPEG, TIFF, PNG and PDF codecs as the file I/O layer calls them: the one place
// where each codec is wired into the dispatch. Every function answers an engine error code (the
// codec's own results mapped by its table in codec_result_map.h).
#pragma once

#include <windows.h>

#include <cstdint>

class CImageOperator;
struct PdfSettings;

// Receives each decoded page in order and takes ownership of it; false stops the reader.
using PageSink = bool (*)(void* context, HGLOBAL dib);

LONG OwnJpegDecode(const BYTE* bytes, uint64_t size, HGLOBAL* dib);
LONG OwnJpegEncodeToFile(HGLOBAL dib, const char* path, int quality);
LONG OwnJpegEncodeToMemory(HGLOBAL dib, int quality, HGLOBAL* out, uint64_t* size);

LONG OwnTiffReadFile(const char* path, LONG page, PageSink sink, void* context);
LONG OwnTiffReadMemory(const BYTE* bytes, uint64_t size, LONG page, PageSink sink, void* context);
// newFile 1 replaces the file, 0 appends a page to an existing one.
LONG OwnTiffWriteFile(const char* path, HGLOBAL dib, BOOL newFile, LONG compression);
// The first DIB becomes page 1, each further one an appended page.
LONG OwnTiffWriteMemory(const HGLOBAL* dibs, int count, LONG compression, HGLOBAL* out, uint64_t* size);

LONG OwnPngDecode(const BYTE* bytes, uint64_t size, HGLOBAL* dib);
LONG OwnPngEncodeToFile(HGLOBAL dib, const char* path);
LONG OwnPngEncodeToMemory(HGLOBAL dib, HGLOBAL* out, uint64_t* size);

// bridge: the engine when the PDF codec may use GDI+ for DCT images, else null.
LONG OwnPdfReadFile(const char* path, LONG page, PageSink sink, void* context, PdfSettings* settings,
                    CImageOperator* bridge);
LONG OwnPdfReadMemory(const BYTE* bytes, uint64_t size, LONG page, PageSink sink, void* context,
                      PdfSettings* settings, CImageOperator* bridge);
LONG OwnPdfWriteFile(const char* path, const HGLOBAL* dibs, int count, const PdfSettings* settings, LONG compression,
                     int quality, CImageOperator* bridge);
LONG OwnPdfWriteMemory(const HGLOBAL* dibs, int count, const PdfSettings* settings, LONG compression, int quality,
                       CImageOperator* bridge, HGLOBAL* out, uint64_t* size);

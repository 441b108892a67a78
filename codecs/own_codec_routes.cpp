#include "codecs/own_codec_routes.h"

#include "codecs/codec_result_map.h"

// Each codec replaces its kOwnCodecMissing below with its call and maps the result with its
// table: JPEG JpegResultToErrorCode; TIFF TiffResultToErrorCode; PNG PngResultToErrorCode;
// PDF PdfResultToErrorCode for files AND memory (the PDF reader's results mean the same either
// way; the TIFF table would turn "no pages" into success).

LONG OwnJpegDecode(const BYTE*, uint64_t, HGLOBAL* dib) {
    if (dib) *dib = nullptr;
    return kOwnCodecMissing;
}

LONG OwnJpegEncodeToFile(HGLOBAL, const char*, int) { return kOwnCodecMissing; }

LONG OwnJpegEncodeToMemory(HGLOBAL, int, HGLOBAL* out, uint64_t* size) {
    if (out) *out = nullptr;
    if (size) *size = 0;
    return kOwnCodecMissing;
}

LONG OwnTiffReadFile(const char*, LONG, PageSink, void*) { return kOwnCodecMissing; }

LONG OwnTiffReadMemory(const BYTE*, uint64_t, LONG, PageSink, void*) { return kOwnCodecMissing; }

LONG OwnTiffWriteFile(const char*, HGLOBAL, BOOL, LONG) { return kOwnCodecMissing; }

LONG OwnTiffWriteMemory(const HGLOBAL*, int, LONG, HGLOBAL* out, uint64_t* size) {
    if (out) *out = nullptr;
    if (size) *size = 0;
    return kOwnCodecMissing;
}

LONG OwnPngDecode(const BYTE*, uint64_t, HGLOBAL* dib) {
    if (dib) *dib = nullptr;
    return kOwnCodecMissing;
}

LONG OwnPngEncodeToFile(HGLOBAL, const char*) { return kOwnCodecMissing; }

LONG OwnPngEncodeToMemory(HGLOBAL, HGLOBAL* out, uint64_t* size) {
    if (out) *out = nullptr;
    if (size) *size = 0;
    return kOwnCodecMissing;
}

LONG OwnPdfReadFile(const char*, LONG, PageSink, void*, PdfSettings*, CImageOperator*) { return kOwnCodecMissing; }

LONG OwnPdfReadMemory(const BYTE*, uint64_t, LONG, PageSink, void*, PdfSettings*, CImageOperator*) {
    return kOwnCodecMissing;
}

LONG OwnPdfWriteFile(const char*, const HGLOBAL*, int, const PdfSettings*, LONG, int, CImageOperator*) {
    return kOwnCodecMissing;
}

LONG OwnPdfWriteMemory(const HGLOBAL*, int, const PdfSettings*, LONG, int, CImageOperator*, HGLOBAL* out,
                       uint64_t* size) {
    if (out) *out = nullptr;
    if (size) *size = 0;
    return kOwnCodecMissing;
}

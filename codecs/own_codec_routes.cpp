#include "codecs/own_codec_routes.h"

#include <cstdint>

#include "codecs/codec_result_map.h"
#include "codecs/image_operator.h"
#include "codecs/jpeg/mini_jpeg.h"
#include "codecs/jpeg/mini_jpeg_decoder.h"
#include "codecs/png/png_codec.h"

// Each codec replaces its kOwnCodecMissing below with its call and maps the result with its
// table: JPEG JpegResultToErrorCode; TIFF TiffResultToErrorCode; PNG PngResultToErrorCode;
// PDF PdfResultToErrorCode for files AND memory (the PDF reader's results mean the same either
// way; the TIFF table would turn "no pages" into success).

LONG OwnJpegDecode(const BYTE* bytes, uint64_t size, HGLOBAL* dib) {
    if (dib) *dib = nullptr;
    if (size > SIZE_MAX) return JpegResultToErrorCode(CMiniJpegDecoder::kNoMemory);
    CMiniJpegDecoder decoder;
    LONG result = decoder.Decode(bytes, static_cast<SIZE_T>(size));
    if (result == CMiniJpegDecoder::kOk && dib) *dib = decoder.GetDIB();
    return JpegResultToErrorCode(result);
}

LONG OwnJpegEncodeToFile(HGLOBAL dib, const char* path, int quality) {
    CMiniJpeg encoder;
    encoder.SetQuality(static_cast<WORD>(quality));
    return JpegResultToErrorCode(encoder.EncodeToFile(dib, path));
}

LONG OwnJpegEncodeToMemory(HGLOBAL dib, int quality, HGLOBAL* out, uint64_t* size) {
    if (out) *out = nullptr;
    if (size) *size = 0;
    CMiniJpeg encoder;
    encoder.SetQuality(static_cast<WORD>(quality));
    LONG result = encoder.EncodeToMemory(dib);
    if (result == CMiniJpeg::kOk) {
        SIZE_T bytes = 0;
        HGLOBAL block = encoder.GetOutput(&bytes);
        if (out) {
            *out = block;
        } else {
            GlobalFree(block);
        }
        if (size) *size = bytes;
    }
    return JpegResultToErrorCode(result);
}

LONG OwnTiffReadFile(const char*, LONG, PageSink, void*) { return kOwnCodecMissing; }

LONG OwnTiffReadMemory(const BYTE*, uint64_t, LONG, PageSink, void*) { return kOwnCodecMissing; }

LONG OwnTiffWriteFile(const char*, HGLOBAL, BOOL, LONG) { return kOwnCodecMissing; }

LONG OwnTiffWriteMemory(const HGLOBAL*, int, LONG, HGLOBAL* out, uint64_t* size) {
    if (out) *out = nullptr;
    if (size) *size = 0;
    return kOwnCodecMissing;
}

LONG OwnPngDecode(const BYTE* bytes, uint64_t size, HGLOBAL* dib) {
    if (dib) *dib = nullptr;
    CPNG codec;
    LONG result = codec.ReadFromMemory(size, bytes, nullptr);
    if (result == CPNG::kOk && dib) *dib = codec.GetDIB();
    return PngResultToErrorCode(result);
}

LONG OwnPngEncodeToFile(HGLOBAL dib, const char* path) {
    // The writer replaces a read-only file as well.
    if (path && !CImageOperator::ClearReadOnly(path)) return PngResultToErrorCode(CPNG::kWriteFailed);
    CPNG codec;
    return PngResultToErrorCode(codec.WriteToFile(path, dib));
}

LONG OwnPngEncodeToMemory(HGLOBAL dib, HGLOBAL* out, uint64_t* size) {
    if (out) *out = nullptr;
    if (size) *size = 0;
    CPNG codec;
    SIZE_T bytes = 0;
    LONG result = codec.WriteToMemory(dib, &bytes);
    if (result == CPNG::kOk) {
        HGLOBAL block = codec.GetMemoryResult();
        if (out) {
            *out = block;
        } else {
            GlobalFree(block);
        }
        if (size) *size = bytes;
    }
    return PngResultToErrorCode(result);
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

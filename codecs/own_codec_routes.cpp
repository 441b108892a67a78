#include "codecs/own_codec_routes.h"

#include <cstdint>

#include "base/error_codes.h"
#include "codecs/codec_result_map.h"
#include "codecs/image_operator.h"
#include "codecs/jpeg/mini_jpeg.h"
#include "codecs/jpeg/mini_jpeg_decoder.h"
#include "codecs/pdf/pdf_codec.h"
#include "codecs/png/png_codec.h"
#include "codecs/tiff/tiff.h"

#include <new>
#include <vector>

// Each codec's results map to engine codes by its table: JPEG JpegResultToErrorCode; TIFF
// TiffResultToErrorCode; PNG PngResultToErrorCode; PDF PdfResultToErrorCode for files,
// TiffResultToErrorCode for memory (with "no pages" kept a failure, which the TIFF table would
// turn into success).

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

namespace {

// Hands every page the reader produced to the sink, in order, even after a failed page.
LONG DeliverTiffPages(CTiff& tiff, LONG result, PageSink sink, void* context) {
    bool taking = sink != nullptr;
    for (DWORD i = 0; i < tiff.GetPageCount(); ++i) {
        HGLOBAL dib = tiff.GetPage(i, nullptr);
        if (!dib) continue;
        if (taking) {
            taking = sink(context, dib);
        } else {
            GlobalFree(dib);
        }
    }
    return TiffResultToErrorCode(result);
}

DWORD TiffPageSelector(LONG page) { return page < 0 ? CTiff::kAllPages : DWORD(page); }

}  // namespace

LONG OwnTiffReadFile(const char* path, LONG page, PageSink sink, void* context) {
    CTiff tiff;
    const LONG rc = tiff.ReadFromFile(path, TiffPageSelector(page));
    return DeliverTiffPages(tiff, rc, sink, context);
}

LONG OwnTiffReadMemory(const BYTE* bytes, uint64_t size, LONG page, PageSink sink, void* context) {
    if (size > SIZE_MAX) return TiffResultToErrorCode(CTiff::kNoMemory);
    CTiff tiff;
    const LONG rc = tiff.ReadFromMemory(static_cast<size_t>(size), bytes, TiffPageSelector(page));
    return DeliverTiffPages(tiff, rc, sink, context);
}

LONG OwnTiffWriteFile(const char* path, HGLOBAL dib, BOOL newFile, LONG compression) {
    // The writer replaces or extends a read-only file as well.
    if (path && !CImageOperator::ClearReadOnly(path)) return TiffResultToErrorCode(CTiff::kWriteFailed);
    if (compression < 0 || compression > 0xFFFF) return TiffResultToErrorCode(CTiff::kUnsupported);
    CTiff tiff;
    return TiffResultToErrorCode(tiff.WriteToFile(path, dib, newFile, WORD(compression)));
}

LONG OwnTiffWriteMemory(const HGLOBAL* dibs, int count, LONG compression, HGLOBAL* out, uint64_t* size) {
    if (out) *out = nullptr;
    if (size) *size = 0;
    if (!dibs || count <= 0 || !out) return TiffResultToErrorCode(CTiff::kBadDib);
    if (compression < 0 || compression > 0xFFFF) return TiffResultToErrorCode(CTiff::kUnsupported);
    CTiff tiff;
    SIZE_T bytes = 0;
    LONG rc = tiff.WriteToMemory(dibs[0], &bytes, WORD(compression));
    for (int i = 1; rc == CTiff::kOk && i < count; ++i) rc = tiff.AppendPageToMemory(dibs[i], &bytes, WORD(compression));
    if (rc == CTiff::kOk) {
        *out = tiff.GetMemoryResult();
        if (size) *size = bytes;
    }
    return TiffResultToErrorCode(rc);
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

namespace {

// The engine's GDI+ for the PDF codec's JPEG images.
class EnginePdfBridge : public PdfImageBridge {
public:
    explicit EnginePdfBridge(CImageOperator* engine) : m_engine(engine) {}

    bool EncodeJpeg(HGLOBAL dib, int quality, std::vector<BYTE>* out) override {
        HGLOBAL block = nullptr;
        DWORD size = 0;
        if (!m_engine->EncodeDIBAsJPEGGdiplus(dib, USHORT(quality), &block, &size)) return false;
        const BYTE* bytes = static_cast<const BYTE*>(block);
        bool ok = true;
        try {
            out->assign(bytes, bytes + size);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
        GlobalFree(block);
        return ok;
    }

    HGLOBAL DecodeJpeg(const BYTE* bytes, size_t size, LONG* code) override {
        HGLOBAL dib = size <= 0xFFFFFFFFu ? m_engine->DecodeImageGdiplus(bytes, DWORD(size)) : nullptr;
        *code = dib ? 0 : (m_engine->GetErrorCode() ? m_engine->GetErrorCode() : kErrNoMemory);
        return dib;
    }

private:
    CImageOperator* m_engine;
};

// The reader's own results are mapped (a file's by the PDF table, bytes by the TIFF table, but a
// document without pages is never a success); an engine code that GDI+ decoding stored passes
// as it is.
LONG PdfReadResult(LONG result, bool fromMemory) {
    if (result == CPDF::kNoPages) return PdfResultToErrorCode(result);
    if (result > 0 || result < CPDF::kJpegFailed) return result;
    const LONG mapped = fromMemory ? TiffResultToErrorCode(result) : PdfResultToErrorCode(result);
    return mapped == 0 && result != CPDF::kOk ? PdfResultToErrorCode(result) : mapped;
}

LONG HandOverPages(CPDF& pdf, LONG result, bool fromMemory, PageSink sink, void* context, PdfSettings* settings) {
    for (int i = 0; i < pdf.GetImageCount(); ++i) {
        HGLOBAL dib = pdf.GetImage(i, nullptr);
        if (!dib) continue;
        if (!sink || !sink(context, dib)) {
            if (!sink) GlobalFree(dib);
            break;
        }
    }
    if (settings) pdf.GetSettings(settings);
    return PdfReadResult(result, fromMemory);
}

}  // namespace

LONG OwnPdfReadFile(const char* path, LONG page, PageSink sink, void* context, PdfSettings* settings,
                    CImageOperator* bridge) {
    EnginePdfBridge engine(bridge);
    CPDF pdf;
    if (bridge) pdf.SetBridge(&engine);
    LONG result = pdf.ReadFromFile(path, page);
    return HandOverPages(pdf, result, false, sink, context, settings);
}

LONG OwnPdfReadMemory(const BYTE* bytes, uint64_t size, LONG page, PageSink sink, void* context,
                      PdfSettings* settings, CImageOperator* bridge) {
    EnginePdfBridge engine(bridge);
    CPDF pdf;
    if (bridge) pdf.SetBridge(&engine);
    LONG result = pdf.ReadFromMemory(size, bytes, page);
    return HandOverPages(pdf, result, true, sink, context, settings);
}

LONG OwnPdfWriteFile(const char* path, const HGLOBAL* dibs, int count, const PdfSettings* settings, LONG compression,
                     int quality, CImageOperator* bridge) {
    if (!path || count <= 0) return PdfResultToErrorCode(CPDF::kNoInput);
    if (!CImageOperator::ClearReadOnly(path)) return PdfResultToErrorCode(CPDF::kEncodeFailed);
    EnginePdfBridge engine(bridge);
    CPDF pdf;
    if (bridge) pdf.SetBridge(&engine);
    if (settings) pdf.SetSettings(*settings);
    return PdfResultToErrorCode(pdf.WriteToFile(path, dibs, count, compression, quality));
}

LONG OwnPdfWriteMemory(const HGLOBAL* dibs, int count, const PdfSettings* settings, LONG compression, int quality,
                       CImageOperator* bridge, HGLOBAL* out, uint64_t* size) {
    if (out) *out = nullptr;
    if (size) *size = 0;
    EnginePdfBridge engine(bridge);
    CPDF pdf;
    if (bridge) pdf.SetBridge(&engine);
    if (settings) pdf.SetSettings(*settings);
    uint64_t bytes = 0;
    LONG result = pdf.WriteToMemory(dibs, count, compression, quality, size ? &bytes : nullptr);
    if (result == CPDF::kOk) {
        HGLOBAL block = pdf.GetMemoryResult();
        if (out) {
            *out = block;
        } else {
            GlobalFree(block);
        }
        if (size) *size = bytes;
    }
    return PdfResultToErrorCode(result);
}

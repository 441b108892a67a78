#include "codecs/codec_result_map.h"

#include "base/error_codes.h"
#include "codecs/jpeg/mini_jpeg.h"
#include "codecs/jpeg/mini_jpeg_decoder.h"
#include "codecs/pdf/pdf_codec.h"
#include "codecs/png/png_codec.h"
#include "codecs/tiff/tiff.h"

namespace {

// Rows the tables have always held for results that no codec of this build returns; a result
// passed on from another route keeps its engine code.
constexpr LONG kJpegReservedDibResult = 3;     // mapped as the encoder's kBadDib
constexpr LONG kTiffReservedWriteResult = -11; // mapped as a write failure
constexpr LONG kPngReservedReadResult = -4;    // mapped as a bad file
constexpr LONG kPngReservedStreamResult = -10; // mapped as a bad file

}  // namespace

LONG JpegResultToErrorCode(LONG r) {
    switch (r) {
        case CMiniJpeg::kFileFailed: case CMiniJpegDecoder::kBadFormat: return kErrJpegFile;
        case CMiniJpeg::kBadDepth: return kErrJpegDepth;
        case CMiniJpeg::kBadDib: case kJpegReservedDibResult: return kErrBmpFile;
        case CMiniJpeg::kNoMemory: case CMiniJpegDecoder::kNoMemory: return kErrNoMemory;
        default: return kErrSuccess;
    }
}

// The PDF reader's kObjectUnreadable comes here when it reads from memory.
LONG TiffResultToErrorCode(LONG r) {
    switch (r) {
        case CTiff::kUnsupported: case CTiff::kStripFailed: case CTiff::kBadIfd: case CPDF::kObjectUnreadable:
        case CTiff::kOpenFailed: return kErrTiffFormat;
        case CTiff::kNoMemoryResult: return kErrTiffGeneral;
        case kTiffReservedWriteResult: case CTiff::kIfdFailed: case CTiff::kWriteFailed: case CTiff::kCreateFailed:
            return kErrFileWrite;
        case CTiff::kNoMemory: case CTiff::kBadDib: case CTiff::kNullArgument: return kErrNoMemory;
        default: return kErrSuccess;
    }
}

LONG PngResultToErrorCode(LONG r) {
    switch (r) {
        case CPNG::kRowFailed: case CPNG::kUnsupportedDib: case CPNG::kWriteFailed: case CPNG::kCannotCreate:
            return kErrFileWrite;
        case kPngReservedStreamResult: case CPNG::kBadFile: case kPngReservedReadResult: case CPNG::kCannotOpen:
            return kErrPngFormat;
        case CPNG::kNoMemory: case CPNG::kBadDib: case CPNG::kNullName: return kErrNoMemory;
        default: return kErrSuccess;
    }
}

LONG PdfResultToErrorCode(LONG r) {
    switch (r) {
        case CPDF::kOk: return kErrSuccess;
        case CPDF::kJpegFailed: return kErrJpegDepth;
        case CPDF::kNoMemory: case CPDF::kNullSize: case CPDF::kNoInput: return kErrNoMemory;
        case CPDF::kOpenFailed: return kErrFileRead;
        case CPDF::kCreateFailed: return kErrFileWrite;
        default: return kErrPdfFormat;
    }
}

LONG GdiplusStatusToErrorCode(LONG status) {
    if (status == 0) return kErrSuccess;
    if (status >= 1 && status <= 20) return kErrGdiplusStatusBase - status;
    return kErrGdiplusGeneric;  // outside the documented range: GenericError
}

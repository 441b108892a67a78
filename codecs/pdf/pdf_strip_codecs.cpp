#include "codecs/pdf/pdf_strip_codecs.h"

#include "codecs/tiff/fax_codec.h"
#include "codecs/tiff/lzw_codec.h"

namespace pdfstrip {

bool EncodeFaxGroup4(const BYTE* rows, size_t rowBytes, int width, int height, std::vector<BYTE>* out) {
    FaxStripParams params;
    params.compression = 4;
    params.width = DWORD(width);
    params.height = DWORD(height);
    params.rowStride = rowBytes;
    return CTIFFFax::EncodeStrip(rows, params, *out) == CTIFFFax::kOk;
}

bool EncodeLzw(const BYTE* bytes, size_t count, std::vector<BYTE>* out) {
    return CTIFFLzw::EncodeStrip(bytes, count, 1, count, *out) == CTIFFLzw::kOk;
}

bool DecodeFax(const BYTE* data, size_t size, const FaxStreamParams& stream, BYTE* rows, size_t rowBytes,
               int rowCount) {
    FaxStripParams params;
    params.width = DWORD(stream.columns);
    params.height = DWORD(stream.rows > 0 && stream.rows < rowCount ? stream.rows : rowCount);
    params.rowStride = rowBytes;
    params.byteAlignedRows = stream.encodedByteAlign;
    if (stream.k < 0) {
        params.compression = 4;
    } else if (stream.k == 0 && !stream.endOfLine && stream.encodedByteAlign) {
        params.compression = 2;  // one-dimensional rows, each starting on a byte, no EOLs
    } else {
        params.compression = 3;
        params.t4Options = (stream.k > 0 ? 1u : 0u) | (stream.encodedByteAlign ? 4u : 0u);
        if (stream.k > 0) params.kFactor = DWORD(stream.k);
    }
    DWORD decoded = 0;
    int result = CTIFFFax::DecodeStrip(data, size, params, rows, rowBytes * size_t(rowCount), &decoded);
    // A strip that ends early or breaks is damaged: its missing rows are not shown as white.
    return result == CTIFFFax::kOk && decoded >= params.height;
}

bool DecodeLzw(const BYTE* data, size_t size, BYTE* out, size_t outSize, size_t* produced) {
    size_t written = 0;
    int result = CTIFFLzw::DecodeStrip(data, size, out, outSize, &written);
    if (produced) *produced = written;
    return result == CTIFFLzw::kOk || written > 0;
}

}  // namespace pdfstrip

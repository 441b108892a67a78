// CTIFFFax: whole strips at once, over the row-by-row encoder and decoder.
#include "codecs/tiff/fax_codec.h"

#include <cstdlib>
#include <new>

int CTIFFFax::EncodeStrip(const BYTE* rows, const FaxStripParams& params, std::vector<BYTE>& out) {
    if (!rows) return kNullData;
    if (params.width == 0 || params.width > kMaxWidth || params.rowStride < (size_t(params.width) + 7) / 8)
        return kUnsupported;
    CTIFFFax fax;
    if (int r = fax.SetupEncoder(params)) return r;
    for (DWORD y = 0; y < params.height; ++y)
        if (int r = fax.EncodeRow(rows + size_t(y) * params.rowStride)) return r;
    if (int r = fax.FinishEncoding()) return r;
    try {
        out.insert(out.end(), fax.EncodedData(), fax.EncodedData() + fax.EncodedSize());
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

int CTIFFFax::DecodeStrip(const BYTE* data, size_t size, const FaxStripParams& params, BYTE* rows,
                          size_t rowsSize, DWORD* rowsDecoded) {
    if (rowsDecoded) *rowsDecoded = 0;
    if (!data || !rows) return kNullData;
    if (params.width == 0 || params.width > kMaxWidth) return kUnsupported;
    const size_t rowBytes = (size_t(params.width) + 7) / 8;
    if (params.rowStride < rowBytes) return kUnsupported;
    // Only rows that fit whole into the output are written.
    size_t fit = rowsSize < rowBytes ? 0 : (rowsSize - rowBytes) / params.rowStride + 1;
    DWORD rowCount = params.height < fit ? params.height : DWORD(fit);
    CTIFFFax fax;
    if (int r = fax.SetupDecoder(params, data, size)) return r;
    int result = fax.Decode(rows, params.rowStride, rowCount, rowsDecoded);
    if (result == kOk && rowCount < params.height) result = kBadData;
    return result;
}

bool CTIFFFax::CanHoldRows(uint64_t bytes, const FaxStripParams& params) {
    constexpr uint64_t kFar = uint64_t(1) << 48;  // beyond any source; keeps the product in range
    const uint64_t bits = (bytes < kFar ? bytes : kFar) * 8;
    const bool oneDimensional =
        params.compression == 2 || (params.compression == 3 && !(params.t4Options & 1));
    const uint64_t bitsPerRow = oneDimensional && params.width >= 1024 ? params.width / 512 : 1;
    return uint64_t(params.height) * bitsPerRow <= bits;
}

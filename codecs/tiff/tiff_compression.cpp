// The compression table of the TIFF reader and writer: one row per scheme, each with its
// encoder, its strip decoder and its largest expansion.
#include "codecs/tiff/tiff_compression.h"

#include <vector>

#include "codecs/tiff/lzw_codec.h"
#include "codecs/tiff/lzw_row_decoder.h"
#include "codecs/tiff/packbits_codec.h"
#include "codecs/tiff/tiff.h"

namespace {

// Uncompressed: the rows as they are, exactly rowsSize bytes of them.
bool NoneCanHold(uint64_t present, uint64_t rowsSize, const FaxStripParams&) { return present >= rowsSize; }

LONG EncodeNone(TiffRowSource& rows, DWORD, DWORD height, size_t rowBytes, WORD, std::vector<BYTE>& out) {
    out.reserve(rowBytes * height);
    for (DWORD y = 0; y < height; ++y) {
        const BYTE* row = rows.Row(y);
        out.insert(out.end(), row, row + rowBytes);
    }
    return CTiff::kOk;
}

// CCITT modified Huffman, group 3 and group 4: the fax codec takes the whole strip at once.
bool FaxCanHold(uint64_t present, uint64_t, const FaxStripParams& fax) { return CTIFFFax::CanHoldRows(present, fax); }

LONG EncodeFax(TiffRowSource& rows, DWORD width, DWORD height, size_t rowBytes, WORD tag, std::vector<BYTE>& out) {
    std::vector<BYTE> all(rowBytes * height);
    for (DWORD y = 0; y < height; ++y) {
        const BYTE* row = rows.Row(y);
        std::copy(row, row + rowBytes, all.begin() + std::ptrdiff_t(size_t(y) * rowBytes));
    }
    FaxStripParams params;
    params.compression = tag;
    params.width = width;
    params.height = height;
    params.rowStride = rowBytes;
    return CTIFFFax::EncodeStrip(all.data(), params, out);
}

class FaxStripDecoder : public TiffStripDecoder {
public:
    LONG Setup(const TiffStrip& strip) { return m_fax.SetupDecoder(strip.fax, strip.data, strip.size); }
    LONG Next(BYTE* out, size_t rowBytes, DWORD rows, size_t* given) override {
        *given = rowBytes * rows;
        return m_fax.Decode(out, rowBytes, rows, nullptr);
    }

private:
    CTIFFFax m_fax;
};

std::unique_ptr<TiffStripDecoder> FaxDecoder(const TiffStrip& strip, LONG* rc) {
    auto decoder = std::make_unique<FaxStripDecoder>();
    *rc = decoder->Setup(strip);
    if (*rc != CTiff::kOk) return nullptr;
    return decoder;
}

// LZW: a strip larger than one piece goes through the row decoder, a piece at a time; a smaller
// one is decoded whole at once.
bool LzwCanHold(uint64_t present, uint64_t rowsSize, const FaxStripParams&) {
    return CTIFFLzw::LargestOutput(present) >= rowsSize;
}

LONG EncodeLzw(TiffRowSource& rows, DWORD, DWORD height, size_t rowBytes, WORD, std::vector<BYTE>& out) {
    CTIFFLzw lzw;
    if (lzw.EncodeSetup(&out) != CTIFFLzw::kOk) return CTiff::kNoMemory;
    for (DWORD y = 0; y < height; ++y)
        if (int rc = lzw.EncodeRow(rows.Row(y), rowBytes)) return rc;
    return lzw.EncodeFinish();
}

class LzwPieceDecoder : public TiffStripDecoder {
public:
    LzwPieceDecoder(const BYTE* data, size_t size) : m_rows(data, size) {}
    LONG Next(BYTE* out, size_t rowBytes, DWORD rows, size_t* given) override {
        m_rows.Next(out, rowBytes * rows, given);
        return CTiff::kOk;
    }

private:
    LzwRowDecoder m_rows;
};

class LzwWholeDecoder : public TiffStripDecoder {
public:
    LzwWholeDecoder(const BYTE* data, size_t size) : m_data(data), m_size(size) {}
    LONG Next(BYTE* out, size_t rowBytes, DWORD rows, size_t* given) override {
        *given = rowBytes * rows;
        return CTIFFLzw::DecodeStrip(m_data, m_size, out, *given, nullptr);
    }

private:
    const BYTE* m_data;
    size_t m_size;
};

std::unique_ptr<TiffStripDecoder> LzwDecoder(const TiffStrip& strip, LONG* rc) {
    *rc = CTiff::kOk;
    if (strip.rows > strip.pieceRows) return std::make_unique<LzwPieceDecoder>(strip.data, strip.size);
    return std::make_unique<LzwWholeDecoder>(strip.data, strip.size);
}

// PackBits: at most 128 bytes from every two.
bool PackBitsCanHold(uint64_t present, uint64_t rowsSize, const FaxStripParams&) {
    return CTIFFPackBits::LargestOutput(present) >= rowsSize;
}

LONG EncodePackBits(TiffRowSource& rows, DWORD, DWORD height, size_t rowBytes, WORD, std::vector<BYTE>& out) {
    for (DWORD y = 0; y < height; ++y)
        if (int rc = CTIFFPackBits::EncodeRow(rows.Row(y), rowBytes, out)) return rc;
    return CTiff::kOk;
}

class PackBitsDecoder : public TiffStripDecoder {
public:
    PackBitsDecoder(const BYTE* data, size_t size) : m_unpacker(data, size) {}
    LONG Next(BYTE* out, size_t rowBytes, DWORD rows, size_t* given) override {
        *given = m_unpacker.Next(out, rowBytes * rows);
        return CTiff::kOk;
    }

private:
    CTIFFPackBits::Unpacker m_unpacker;
};

std::unique_ptr<TiffStripDecoder> PackBitsStripDecoder(const TiffStrip& strip, LONG* rc) {
    *rc = CTiff::kOk;
    return std::make_unique<PackBitsDecoder>(strip.data, strip.size);
}

constexpr TiffCompressionScheme kSchemes[] = {
    {CTiff::kNone, false, false, NoneCanHold, EncodeNone, nullptr},
    {CTiff::kModifiedHuffman, true, true, FaxCanHold, EncodeFax, FaxDecoder},
    {CTiff::kGroup3, true, true, FaxCanHold, EncodeFax, FaxDecoder},
    {CTiff::kGroup4, true, true, FaxCanHold, EncodeFax, FaxDecoder},
    {CTiff::kLzw, false, false, LzwCanHold, EncodeLzw, LzwDecoder},
    {CTiff::kPackBits, false, false, PackBitsCanHold, EncodePackBits, PackBitsStripDecoder},
};

}  // namespace

const TiffCompressionScheme* TiffCompressionFor(uint32_t tag) {
    for (const TiffCompressionScheme& scheme : kSchemes)
        if (scheme.tag == tag) return &scheme;
    return nullptr;
}

bool TiffStripCanHold(uint32_t tag, uint64_t present, uint64_t rowsSize, const FaxStripParams& fax) {
    const TiffCompressionScheme* scheme = TiffCompressionFor(tag);
    // LZW's is the largest expansion of all the rows.
    return scheme ? scheme->canHold(present, rowsSize, fax) : LzwCanHold(present, rowsSize, fax);
}

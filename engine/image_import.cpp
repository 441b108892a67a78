// CImage: images that arrive as foreign packed DIBs (the clipboard's, downloads) and bit-field rows.
#include <cstring>

#include "engine/dib_convert.h"
#include "base/dib_layout.h"
#include "engine/image.h"

HGLOBAL CImage::CreateFromPackedDIB(HGLOBAL packed) {
    uint64_t size = packed ? GlobalSize(packed) : 0;
    if (!size) {
        m_result = kImageInvalid;
        return nullptr;
    }
    auto* src = static_cast<const BYTE*>(GlobalLock(packed));
    if (!src) {
        m_result = kImageInvalid;
        return nullptr;
    }
    HGLOBAL out = nullptr;
    DibLayout l;
    BITMAPINFOHEADER h{};
    if (size >= sizeof(h)) memcpy(&h, src, sizeof(h));
    if (size >= sizeof(h) && h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) {
        // A compression the engine does not read: no image, and no new result either.
    } else if (!ComputeDibLayout(&h, size, &l)) {
        m_result = kImageInvalid;
    } else {
        out = RepackDib(src, l, l.bitCount <= 8 ? (1u << l.bitCount) : 0);
        m_result = out ? kImageOk : kImageNoMemory;
    }
    GlobalUnlock(packed);
    return out;
}

bool CImage::ConvertBitfieldsTo24(const BYTE* rows, DWORD redMask, DWORD greenMask, DWORD blueMask, int bits) {
    if (!rows || !IsValid()) return false;
    if (m_header.biBitCount != 24 || (bits != 16 && bits != 32)) {
        m_result = kImageBadValue;
        return false;
    }
    BitfieldFormat format = BitfieldFormat::FromMasks(redMask, greenMask, blueMask, bits);
    uint64_t sourceStride = DibStride(m_header.biWidth, bits);
    for (int64_t y = 0; y < m_header.biHeight; ++y) {
        ExpandRowTo24(rows + sourceStride * uint64_t(y), m_header.biWidth, bits, format,
                      m_bits + uint64_t(m_stride) * uint64_t(y));
    }
    return true;
}

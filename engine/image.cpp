#include "engine/image.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "engine/dib_convert.h"
#include "base/dib_layout.h"

const char* ImageResultText(LONG result) {
    switch (result) {
        case kImageOk: return "Successful.";
        case kImageCancelled: return "User canceled.";
        case kImageNoMemory: return "Not enough memory to perform operation.";
        case kImageInvalid: return "Invalid image. Original image does't exist.";
        case kImageClipboardFailed: return "Failed to operate Clipboard.";
        case kImageBadValue: return "Invalid value.";
        default: return "Unknow error.";
    }
}

namespace {

std::atomic<ImageBlockAllocator> g_blockAllocator{nullptr};

HGLOBAL AllocateBlock(SIZE_T bytes, bool zeroed = true) {
    const UINT flags = zeroed ? GMEM_FIXED | GMEM_ZEROINIT : GMEM_FIXED;
    const ImageBlockAllocator allocate = g_blockAllocator.load(std::memory_order_acquire);
    return allocate ? allocate(flags, bytes) : GlobalAlloc(flags, bytes);
}

}  // namespace

ImageBlockAllocator SetImageBlockAllocator(ImageBlockAllocator allocator) {
    return g_blockAllocator.exchange(allocator, std::memory_order_acq_rel);
}

CImage::CImage() = default;

CImage::CImage(HGLOBAL dib, BOOL copy, BOOL notOwned) { AttachHandle(dib, copy, notOwned); }

CImage::~CImage() { Release(); }

void CImage::OnProgress(LONG) {}

void CImage::ClearState() {
    m_notOwned = 0;
    m_header = {};
    m_stride = 0;
    m_block = nullptr;
    m_handle = nullptr;
    m_bits = nullptr;
    m_blockSize = 0;
    m_nearestColor = 0;
    m_nearestIndex = 0;
    m_nearestValid = 0;
    m_cancel = 0;
    m_progress = 0;
    m_requestedWidth = m_requestedHeight = m_requestedMethod = 0;
    m_result = kImageOk;
}

void CImage::Release() {
    if (m_handle) {
        // A moveable handle stays locked while the image works in it; a fixed one is its address.
        if (m_handle != static_cast<HGLOBAL>(m_block)) GlobalUnlock(m_handle);
        if (!m_notOwned) GlobalFree(m_handle);
    }
    ClearState();
}

bool CImage::Attach(void* packed, uint64_t blockSize, BOOL copy, BOOL notOwned) {
    Release();
    if (!packed) {
        m_result = kImageInvalid;
        return false;
    }
    DibLayout l;
    const auto* header = static_cast<const BITMAPINFOHEADER*>(packed);
    // The rows are read bottom-up and plain: top-down and bit-field blocks go through
    // CreateFromPackedDIB or ConvertDIBTo24Bit first.
    if (!ComputeDibLayout(header, blockSize, &l) || l.topDown || l.compression != BI_RGB ||
        l.totalBytes > 0xFFFFFFFFull) {
        m_result = kImageInvalid;
        return false;
    }
    BYTE* block = static_cast<BYTE*>(packed);
    HGLOBAL handle = packed;
    if (copy) {
        handle = AllocateBlock(static_cast<SIZE_T>(l.totalBytes));
        block = handle ? static_cast<BYTE*>(GlobalLock(handle)) : nullptr;
        if (!block) {
            if (handle) GlobalFree(handle);
            m_result = kImageNoMemory;
            return false;
        }
        memcpy(block, packed, static_cast<size_t>(l.totalBytes));
        notOwned = FALSE;
    }
    m_notOwned = notOwned ? 1 : 0;
    memcpy(&m_header, block, sizeof(m_header));
    m_header.biSizeImage = static_cast<DWORD>(l.imageBytes);
    m_header.biClrUsed = l.colors;
    m_header.biClrImportant = std::min<DWORD>(m_header.biClrImportant, l.colors);
    m_stride = static_cast<DWORD>(l.stride);
    m_block = block;
    m_handle = handle;
    m_bits = block + l.pixelOffset;
    m_blockSize = static_cast<DWORD>(l.totalBytes);
    m_result = kImageOk;
    return true;
}

bool CImage::AttachHandle(HGLOBAL dib, BOOL copy, BOOL notOwned) {
    Release();
    if (!dib) {
        m_result = kImageInvalid;
        return false;
    }
    uint64_t size = GlobalSize(dib);
    void* address = size ? GlobalLock(dib) : nullptr;
    if (!address) {
        m_result = kImageInvalid;
        return false;
    }
    bool ok = Attach(address, size, copy, notOwned);
    if (copy || !ok) {
        GlobalUnlock(dib);
    } else {
        m_handle = dib;  // kept locked until Release
    }
    return ok;
}

bool CImage::Create(LONG width, LONG height, const CImage* templ, int bits, bool zeroPixels) {
    if (width == 0 || height == 0) {
        m_result = kImageInvalid;
        return false;
    }
    if (width < 0 || height < 0) {
        m_result = kImageBadValue;
        return false;
    }
    bool haveTemplate = templ && templ->m_block;
    if (bits == 0 && templ) bits = templ->m_header.biBitCount;
    bits = bits < 2 ? 1 : bits <= 4 ? 4 : bits <= 8 ? 8 : 24;
    DWORD entries = bits <= 8 ? (1u << bits) : 0;
    uint64_t stride = DibStride(width, bits);
    uint64_t imageBytes = stride * uint64_t(height);
    if (imageBytes > kMaxDibImageBytes) {
        m_result = kImageNoMemory;
        return false;
    }

    // Take what is needed from the template first: it may be this image.
    BITMAPINFOHEADER h = templ ? templ->m_header : BITMAPINFOHEADER{};
    RGBQUAD table[256] = {};
    DWORD copied = haveTemplate ? std::min(entries, templ->GetColorCount()) : 0;
    if (copied) memcpy(table, templ->GetPalette(), copied * 4);

    Release();
    uint64_t total = 40 + uint64_t(entries) * 4 + imageBytes;
    HGLOBAL handle = AllocateBlock(static_cast<SIZE_T>(total), zeroPixels);
    BYTE* block = handle ? static_cast<BYTE*>(GlobalLock(handle)) : nullptr;
    if (!block) {
        if (handle) GlobalFree(handle);
        m_result = kImageNoMemory;
        return false;
    }
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(imageBytes);
    h.biClrUsed = entries;
    h.biClrImportant = std::min(h.biClrImportant, entries);
    memcpy(block, &h, sizeof(h));
    memcpy(block + 40, table, size_t(entries) * 4);  // zeros past what the template gave
    if (!zeroPixels) {
        // The caller writes every pixel: only the bytes past them in each row are cleared here.
        const uint64_t used = (uint64_t(width) * uint64_t(bits) + 7) / 8;
        BYTE* row = block + 40 + size_t(entries) * 4;
        for (LONG y = 0; y < height; ++y, row += stride) {
            if (used < stride) memset(row + used, 0, static_cast<size_t>(stride - used));
        }
    }

    m_header = h;
    m_stride = static_cast<DWORD>(stride);
    m_block = block;
    m_handle = handle;
    m_bits = block + 40 + entries * 4;
    m_blockSize = static_cast<DWORD>(total);
    m_result = kImageOk;
    return true;
}

void CImage::TakeOver(CImage& other) {
    if (&other == this) return;
    Release();
    m_notOwned = other.m_notOwned;
    m_header = other.m_header;
    m_stride = other.m_stride;
    m_block = other.m_block;
    m_handle = other.m_handle;
    m_bits = other.m_bits;
    m_blockSize = other.m_blockSize;
    m_nearestColor = other.m_nearestColor;
    m_nearestIndex = other.m_nearestIndex;
    m_nearestValid = other.m_nearestValid;
    m_cancel = other.m_cancel;
    m_progress = other.m_progress;
    m_requestedWidth = other.m_requestedWidth;
    m_requestedHeight = other.m_requestedHeight;
    m_requestedMethod = other.m_requestedMethod;
    m_result = other.m_result;
    other.ClearState();
}

HGLOBAL CImage::ExportDIB() {
    if (!IsValid()) return nullptr;
    HGLOBAL out = AllocateBlock(m_blockSize);
    void* target = out ? GlobalLock(out) : nullptr;
    if (!target) {
        if (out) GlobalFree(out);
        m_result = kImageNoMemory;
        return nullptr;
    }
    memcpy(target, m_block, m_blockSize);
    GlobalUnlock(out);
    return out;
}

HGLOBAL CImage::Detach() {
    if (!IsValid()) return nullptr;
    if (m_notOwned) {
        HGLOBAL copy = ExportDIB();
        if (copy) Release();
        return copy;
    }
    HGLOBAL handle = m_handle;
    if (handle != static_cast<HGLOBAL>(m_block)) GlobalUnlock(handle);
    ClearState();
    return handle;
}

void* CImage::GetDIB() const {
    return m_block && m_bits && m_header.biBitCount && m_header.biWidth > 0 && m_header.biHeight > 0 ? m_block
                                                                                                  : nullptr;
}

RGBQUAD* CImage::GetPalette() const {
    return GetColorCount() ? reinterpret_cast<RGBQUAD*>(m_bits - 4 * uint64_t(m_header.biClrUsed)) : nullptr;
}

bool CImage::IsValid() {
    if (GetDIB()) {
        m_result = kImageOk;
        return true;
    }
    m_result = kImageInvalid;
    return false;
}

namespace {

LONG DpiOf(LONG pixelsPerMetre) {
    if (pixelsPerMetre <= 0) return 96;
    return static_cast<LONG>(pixelsPerMetre * 254.0 / 10000.0 + 0.5);
}

LONG PixelsPerMetreOf(LONG dpi) {
    if (dpi < 1) dpi = 96;
    return static_cast<LONG>(dpi * 10000.0 / 254.0 + 0.5 < 2147483647.0 ? dpi * 10000.0 / 254.0 + 0.5 : 2147483647.0);
}

}  // namespace

LONG CImage::GetXDPI() { return IsValid() ? DpiOf(m_header.biXPelsPerMeter) : 0; }

LONG CImage::GetYDPI() { return IsValid() ? DpiOf(m_header.biYPelsPerMeter) : 0; }

bool CImage::WriteDpi(LONG BITMAPINFOHEADER::*field, LONG dpi) {
    if (!IsValid()) return false;
    m_header.*field = PixelsPerMetreOf(dpi);
    // The block's own header: the same field at the same place.
    auto* blockHeader = reinterpret_cast<BITMAPINFOHEADER*>(m_block);
    blockHeader->*field = m_header.*field;
    return true;
}

bool CImage::SetXDPI(LONG dpi) { return WriteDpi(&BITMAPINFOHEADER::biXPelsPerMeter, dpi); }

bool CImage::SetYDPI(LONG dpi) { return WriteDpi(&BITMAPINFOHEADER::biYPelsPerMeter, dpi); }

int64_t CImage::GetSizeInBytes(LONG width, LONG height) {
    if (!IsValid()) return -1;
    if (width == -1 && height == -1) {
        width = m_header.biWidth;
        height = m_header.biHeight;
    } else if (width < 0 || height < 0) {
        m_result = kImageBadValue;
        return -1;
    }
    return static_cast<int64_t>(DibStride(width, m_header.biBitCount) * uint64_t(height));
}

float CImage::GetAspectRatio() {
    if (!IsValid()) return 1.0f;
    return static_cast<float>(m_header.biWidth) / static_cast<float>(m_header.biHeight);
}

const char* CImage::GetErrorText(char* buffer, size_t capacity) const {
    if (!buffer) return "NULL Pointer!";
    if (capacity) {
        const char* text = ImageResultText(m_result);
        size_t n = std::min(strlen(text), capacity - 1);
        memcpy(buffer, text, n);
        buffer[n] = 0;
    }
    return buffer;
}

bool CImage::ReportRowProgress(int64_t row, int64_t rows) {
    if (m_cancel) {
        m_result = kImageCancelled;
        return false;
    }
    m_progress = rows > 0 ? static_cast<LONG>(row * 100 / rows) : 0;
    OnProgress(m_progress);
    return true;
}

void CImage::EndLongLoop() {
    m_cancel = 0;
    m_progress = 0;
}

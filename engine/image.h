// CImage: the working object through which the engine reads, creates and processes its images.
//
// An image is one packed DIB in one global-memory block: a BITMAPINFOHEADER, the colour table
// and the pixel rows, bottom row first, each padded to 4 bytes. The engine makes images of 1, 4,
// 8 and 24 bits per pixel; colours are 0x00RRGGBB (blue in the low byte, the memory order of a
// colour-table entry). Every block that comes from outside is checked with ComputeDibLayout first.
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>

// The result code of the last operation of an image.
enum ImageResult : LONG {
    kImageOk = 0,
    kImageCancelled = 1,
    kImageNoMemory = 2,
    kImageInvalid = 3,
    kImageClipboardFailed = 4,
    kImageBadValue = 5,
};

// The text of an image result code ("Unknow error." for any other code).
const char* ImageResultText(LONG result);

// Ways of bringing a position outside the image inside (CImage::WrapCoordinates).
enum WrapMode : int { kWrapRepeat = 4, kWrapClamp = 5, kWrapMirror = 6 };

class CImage {
public:
    CImage();
    // Attaches a packed DIB held in a global-memory block (copy on, owned, unless asked otherwise).
    explicit CImage(HGLOBAL dib, BOOL copy = TRUE, BOOL notOwned = FALSE);
    CImage(const CImage&) = delete;
    CImage& operator=(const CImage&) = delete;
    virtual ~CImage();
    // Called with the percent of a long pixel loop before each row; nothing here.
    virtual void OnProgress(LONG percent);

    // --- Ownership ---------------------------------------------------------------------------
    // Takes the packed DIB at `packed`, whose block holds `blockSize` bytes. The block must pass
    // the layout check and hold bottom-up BI_RGB rows (else result 3). With copy, the image gets
    // its own zero-initialised copy (failure: result 2); otherwise it works in the caller's block
    // and frees it on Release unless notOwned (the block must then be a fixed global block).
    bool Attach(void* packed, uint64_t blockSize, BOOL copy = TRUE, BOOL notOwned = FALSE);
    // The same for a global-memory handle (moveable or fixed); null gives result 3.
    bool AttachHandle(HGLOBAL dib, BOOL copy = TRUE, BOOL notOwned = FALSE);
    // A new zero-filled image of width x height. The bit count (bits, or the template's when 0) is
    // normalised to 1, 4, 8 or 24; header fields and the colour table come from the template
    // (which may be this image). Width or height 0: result 3; negative: result 5; too large for
    // the engine: result 2. A block this image held before is released.
    bool Create(LONG width, LONG height, const CImage* templateImage = nullptr, int bits = 0);
    // Frees the block unless it belongs to somebody else, and clears the image.
    void Release();
    // Moves the other image's block and state into this one (no copy); the other becomes empty.
    void TakeOver(CImage& other);
    // A new fixed global block holding a copy of the packed DIB; null for an invalid image
    // (result 3) or when memory runs out (result 2). The caller owns the block.
    HGLOBAL ExportDIB();
    // Hands the image's own block to the caller (a global handle, owned by the caller from now
    // on) and leaves the image empty. An image that does not own its block exports a copy.
    HGLOBAL Detach();
    // The packed DIB of a valid image (the block's address), else null.
    void* GetDIB() const;
    // A new DIB handle in the engine's own form from a foreign packed DIB (the clipboard's,
    // downloads): BI_RGB or BI_BITFIELDS, any header size, bottom-up or top-down, every depth;
    // 16 and 32 bits become 24 bits, pixels per metre are kept. Null handle, empty or unreadable
    // block: result 3; other compressions: null with the result unchanged; memory: result 2.
    // This image itself is not changed.
    HGLOBAL CreateFromPackedDIB(HGLOBAL packed);
    // Fills this 24-bit image from bottom-up source rows of 16 or 32 bits per pixel, each channel
    // taken by its mask (at 32 bits with all masks 0: bytes 0, 1, 2 are blue, green, red).
    // Source rows are DibStride(width, bits) bytes apart and must cover the whole image.
    bool ConvertBitfieldsTo24(const BYTE* rows, DWORD redMask, DWORD greenMask, DWORD blueMask, int bits);
    // Windows only: replaces the image by the pixels of a device-dependent bitmap (GetDIBits on
    // the screen device context, the palette realised first when given).
    bool FromBitmap(HBITMAP bitmap, HPALETTE palette);

    // --- Queries -----------------------------------------------------------------------------
    // Block, bits and bit count present, width and height at least 1 (result 0), else result 3.
    bool IsValid();
    LONG GetWidth() const { return m_header.biWidth; }
    LONG GetHeight() const { return m_header.biHeight; }
    int GetBitCount() const { return m_header.biBitCount; }
    DWORD GetStride() const { return m_stride; }
    BYTE* GetBits() const { return m_bits; }
    const BITMAPINFOHEADER& GetHeader() const { return m_header; }
    DWORD GetBlockSize() const { return m_blockSize; }
    // Colour-table entries (0 for images above 8 bits) and the table inside the block.
    DWORD GetColorCount() const { return m_blockSize && m_header.biBitCount <= 8 ? m_header.biClrUsed : 0; }
    RGBQUAD* GetPalette() const;
    // DPI from pixels per metre, rounded half up; 96 when the value is not positive; 0 when invalid.
    LONG GetXDPI();
    LONG GetYDPI();
    // Stores a DPI (below 1: 96) as pixels per metre, rounded half up.
    bool SetXDPI(LONG dpi);
    bool SetYDPI(LONG dpi);
    // Bytes of pixel rows for width x height at this image's depth; (-1, -1) is the image's own
    // size; other negative values: result 5 and -1; an invalid image: -1.
    int64_t GetSizeInBytes(LONG width = -1, LONG height = -1);
    // Width / height; 1.0 for an invalid image.
    float GetAspectRatio();

    // --- Pixels and colour table (rows counted from the bottom) ------------------------------
    // 1, 4 and 8 bits: the index at (x, y); outside the image the first byte of the bits.
    BYTE GetPixelIndex(LONG x, LONG y) const;
    void SetPixelIndex(LONG x, LONG y, BYTE index);
    // The colour at (x, y) (outside the image: at (0, 0)); an index past the table reads black.
    DWORD GetPixelColor(LONG x, LONG y) const;
    void SetPixelColor(LONG x, LONG y, DWORD color);
    DWORD GetPaletteEntry(DWORD index) const;
    void SetPaletteEntry(DWORD index, DWORD color);
    // Entry i = i x (255 / (entries - 1)) in all three components (a one-entry table: black).
    void SetGrayPalette();
    bool IsGrayPalette() const;
    // Index of an exact match among entries 0..n-1; else entry n becomes the colour when n is
    // below the entry count; else the nearest entry.
    BYTE FindOrAddColor(DWORD color, DWORD n);
    // The entry nearest the colour (squared distance over blue, green, red), over biClrImportant
    // entries when that is set, else all; ties keep the lower index. The last answer is cached.
    BYTE FindNearestColor(DWORD color);
    // Without a colour table every byte of the pixel rows becomes table[byte]; with one, the
    // three components of every entry do.
    void ApplyLookupTable(const BYTE table[256]);
    // Brings (x, y) inside the image: kWrapRepeat, kWrapClamp or kWrapMirror.
    void WrapCoordinates(LONG& x, LONG& y, int mode) const;

    // --- Result, progress, cancel ------------------------------------------------------------
    LONG GetResult() const { return m_result; }
    void SetResult(LONG result) { m_result = result; }
    // Copies the text of the result code into buffer (cut to capacity) and returns buffer; a
    // null buffer yields "NULL Pointer!".
    const char* GetErrorText(char* buffer, size_t capacity) const;
    void Cancel() { m_cancel = 1; }
    bool IsCancelled() const { return m_cancel != 0; }
    LONG GetProgress() const { return m_progress; }
    // For long pixel loops: sets the progress to row x 100 / rows and reports it; false when the
    // loop must stop because of a cancel (result 1).
    bool ReportRowProgress(int64_t row, int64_t rows);
    // Ends a long loop: clears the cancel flag and the progress.
    void EndLongLoop();

    // Filled by the image editor's Image Size dialog for the resample that follows.
    LONG m_requestedWidth = 0;
    LONG m_requestedHeight = 0;
    LONG m_requestedMethod = 0;

protected:
    // Address of the first byte of pixel (x, y), no checks.
    BYTE* PixelAddress(LONG x, LONG y) const {
        return m_bits + uint64_t(m_stride) * uint64_t(y) + (uint64_t(x) * m_header.biBitCount) / 8;
    }
    bool Inside(LONG x, LONG y) const {
        return m_bits && x >= 0 && y >= 0 && x < m_header.biWidth && y < m_header.biHeight;
    }
    void ForgetNearestColor() { m_nearestValid = 0; }

private:
    void ClearState();
    bool WriteDpi(LONG BITMAPINFOHEADER::*field, LONG dpi);

    LONG m_notOwned = 0;
    BITMAPINFOHEADER m_header = {};
    DWORD m_stride = 0;
    BYTE* m_block = nullptr;
    HGLOBAL m_handle = nullptr;  // the block's global handle (locked while held when moveable)
    BYTE* m_bits = nullptr;
    DWORD m_blockSize = 0;
    DWORD m_nearestColor = 0;
    LONG m_nearestIndex = 0;
    LONG m_nearestValid = 0;
    volatile LONG m_cancel = 0;
    LONG m_progress = 0;
    LONG m_result = kImageOk;
};

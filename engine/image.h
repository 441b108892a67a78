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
    kImageNoModule = 6,  // the image editor window was given no module for its resources
};

// The text of an image result code ("Unknow error." for any other code).
const char* ImageResultText(LONG result);

// The allocator of the blocks images make for themselves (a copy taken in, a new image, an
// export): GlobalAlloc unless another one is set, through which tests make these allocations
// fail. Answers the allocator it replaces; null sets GlobalAlloc again.
using ImageBlockAllocator = HGLOBAL (*)(UINT flags, SIZE_T bytes);
ImageBlockAllocator SetImageBlockAllocator(ImageBlockAllocator allocator);

// Ways of bringing a position outside the image inside (CImage::WrapCoordinates).
enum WrapMode : int { kWrapRepeat = 4, kWrapClamp = 5, kWrapMirror = 6 };

// How a sample between pixels is computed: nearest pixel, bilinear, cubic convolution with
// a = -1, cubic convolution with a = -0.5.
enum InterpolationMethod : int { kNearest = 1, kBilinear = 2, kCubicA1 = 3, kCubic = 4 };

// What a sample outside the image takes: 1 to 3 the background colour, else a WrapMode.
enum EdgeMode : int { kEdgeBackground = 1, kEdgeBackground2 = 2, kEdgeBackground3 = 3 };

// The colour of samples outside the image when none is given: white.
constexpr DWORD kWhite = 0x00FFFFFF;

// A rectangle handed to CImage: columns left..right-1 and rows (counted from the bottom)
// min(top, bottom)..max(top, bottom)-1 after clamping; right or bottom -1 means the whole width
// or height.
struct ImageRect {
    LONG left = 0, top = 0, right = -1, bottom = -1;
};

struct tagLOGFONTA;

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
    // the engine: result 2. A block this image held before is released. With zeroPixels false the
    // pixels are left as the allocator gives them, for a caller that writes every one; the bytes
    // past them in each row (and the header and table) are set as ever.
    bool Create(LONG width, LONG height, const CImage* templateImage = nullptr, int bits = 0, bool zeroPixels = true);
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

    // --- Transforms (each builds its result in a new block and takes it over on success; a
    // failure or a cancel leaves the image as it was) --------------------------------------
    bool RotateLeft();
    bool RotateRight();
    bool Rotate180();
    bool Flip();
    bool Mirror();
    // Turns by angle degrees (clockwise as seen); without keepSize the image grows to hold the
    // whole turned image, with it the image turns about its centre inside its own size.
    // A NaN or infinite angle: result 5.
    bool RotateEx(double angle, int method, int edgeMode, DWORD background = kWhite, bool keepSize = false);
    // Clamps a rectangle to the image (right/bottom -1: the whole width/height, reversed bounds
    // swapped) into columns [left, right) and bottom-up rows [top, bottom); false when empty.
    bool ClampRect(const ImageRect& rect, ImageRect* out) const;
    // The rectangle copied into target (created anew with this image's depth and table).
    bool CropInto(const ImageRect& rect, CImage& target);
    // The image replaced by the rectangle (nothing happens when it covers the whole image).
    bool Crop(const ImageRect& rect);
    // A new DIB handle of the rectangle; the image unchanged.
    HGLOBAL GetCroppedDIB(const ImageRect& rect);
    // The rectangle filled with the colour (on palette images its nearest entry).
    bool Erase(const ImageRect& rect, DWORD color);
    // New size with the method (1..4) and the edge mode (1..6); shrinking averages the area
    // each target pixel covers unless noAreaAverage.
    bool Resample(LONG width, LONG height, int method, int edgeMode, bool noAreaAverage = false);
    // Stores the DPI; with resample the pixels are resampled to keep the physical size.
    bool SetDPI(LONG xDpi, LONG yDpi, bool resample, int method);
    // Applies a gamma curve (g > 0) through ApplyLookupTable.
    bool Gamma(float gamma);
    // The colour at a fractional position by the method and the edge mode.
    DWORD GetInterpolatedColor(double x, double y, int method, int edgeMode, DWORD background = kWhite) const;
    // The average over the footprint of scale x by scale y pixels centred at (x, y).
    DWORD GetAreaColor(double x, double y, double scaleX, double scaleY, int method, int edgeMode,
                       DWORD background = kWhite) const;
    // Inside: the pixel's colour; outside: the background for edge modes 1 to 3, else the pixel
    // at the wrapped position.
    DWORD GetPixelColorEx(LONG x, LONG y, int edgeMode, DWORD background = kWhite) const;
    // The float form of WrapCoordinates.
    void WrapFloatCoordinates(double& x, double& y, int mode) const;

    // --- Drawing and the clipboard -----------------------------------------------------------
    // A new 24-bit DIB of the rectangle blended with the colour by opacity; the image unchanged.
    HGLOBAL OverlayRectangle(const ImageRect& rect, DWORD color, float opacity);
    // Windows only: draws text (rows from the top of the image) with an optional rounded box.
    bool AddText(LONG x, LONG y, const char* text, DWORD textColor, DWORD backColor, float cornerFactor,
                 float backWeight, const tagLOGFONTA* font);
    // Windows only: a copy of the rectangle on the clipboard as CF_DIB.
    bool CopyRectToClipboard(const ImageRect& rect);
    // Windows only: CopyRectToClipboard, then Erase with the colour.
    bool CutFrame(const ImageRect& rect, DWORD color);

    // --- Grey levels and statistics (the blank-image test) -----------------------------------
    // 24-bit, 1- and 4-bit images (and 8-bit ones with fewer than 256 entries): the rectangle
    // cut into a new 8-bit grey image (cropped set); 8-bit: pixels turned to the grey of their
    // entry, the table to a ramp.
    bool ConvertToGray(const ImageRect& rect, bool* cropped);
    // A new 1-bit image of the rectangle: 1 (white) where the grey is above the threshold.
    bool Threshold(const ImageRect& rect, int threshold);
    // Convolution with a k x k kernel, divisor and offset.
    bool Convolve(const int* kernel, int k, int divisor, int offset);
    // The running deviation of the packed colours (blue x 65536 + green x 256 + red) from their
    // running mean over the rectangle; 0 and result 5 for an empty rectangle.
    double GetColorDeviation(const ImageRect& rect);

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
    // Starts a transform: the image must be valid (else result 3).
    bool BeginTransform();
    // Ends a transform: clears the loop state; on success takes the result over.
    bool FinishTransform(CImage& result, bool ok);
    bool RotateQuarter(bool left);
    bool ReverseRows(bool upsideDown);
    bool ResampleArea(CImage& target, double sx, double sy, int edgeMode);
    bool ResampleInterpolated(CImage& target, double sx, double sy, int method, int edgeMode);
    bool ConvolveBinary(const int* kernel, int k, int divisor, int offset, CImage& target);

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

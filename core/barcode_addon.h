// CBarcodeAddOn: reads barcodes through the barcode library ("ReadBarcode") and keeps what one
// read found as a list the script reads by index.
#pragma once

#include <vector>

#include "core/addon_library.h"
#include "core/barcode_result_block.h"

// The library's entry point: image (a file path in mode 0, encoded bytes in mode 1), the bytes'
// size, mode, left, top, right, bottom (0, 0, -1, -1 for the whole image), format selector,
// size output, pass key. It returns a global-memory block or null.
using ReadBarcodeEntry = HGLOBAL(__cdecl*)(const void* image, LONG size, SHORT mode, LONG left, LONG top, LONG right,
                                           LONG bottom, LONG format, LONG* sizeOut, const char* passKey);

class CBarcodeAddOn : public CAddOnLibrary {
public:
    CBarcodeAddOn(HINSTANCE module, LONG hostKind) : CAddOnLibrary(kBarcode, module, hostKind) {}

    // One library call; true on success (also when nothing was found: then the list is empty and
    // the last message is "Nothing found").
    bool Read(const void* image, LONG size, SHORT mode, LONG left, LONG top, LONG right, LONG bottom, LONG format);
    bool ReadWhole(const char* filePath, LONG left, LONG top, LONG right, LONG bottom, LONG format) {
        return Read(filePath, 0, 0, left, top, right, bottom, format);
    }
    bool ReadRegion(const BYTE* png, LONG size, LONG left, LONG top, LONG right, LONG bottom, LONG format) {
        return Read(png, size, 1, left, top, right, bottom, format);
    }

    // Result accessors, safe for any index.
    LONG GetResultCount() const { return static_cast<LONG>(m_results.size()); }
    const char* GetResultText(LONG index, LONG* length) const;
    LONG GetResultLength(LONG index) const;
    static constexpr LONG kNoResultFormat = -3;  // GetResultFormat outside the list
    LONG GetResultFormat(LONG index) const;
    LONG GetResultPointCount(LONG index) const;
    bool GetResultPoint(LONG index, LONG point, float* x, float* y) const;

private:
    const BarcodeResult* At(LONG index) const;
    std::vector<BarcodeResult> m_results;
};

// The key handed to both add-on libraries with every call, built at run time into a zero-filled
// 260-byte buffer.
void BuildBarcodePassKey(char (&key)[MAX_PATH]);
void BuildOcrPassKey(char (&key)[MAX_PATH]);

#include "core/barcode_addon.h"

#include <cstring>

void BuildBarcodePassKey(char (&key)[MAX_PATH]) {
    std::memset(key, 0, sizeof key);
    // Five pieces, 53 printable characters together.
    const char* pieces[] = {"LMT8-", "STRIPEWORKS-", "0F3A9C7E-", "CORVANTA-READ-", "7B21D04E5A6C9"};
    for (const char* piece : pieces) lstrcatA(key, piece);
}

void BuildOcrPassKey(char (&key)[MAX_PATH]) {
    std::memset(key, 0, sizeof key);
    const char* pieces[] = {"LMT8-", "GLYPHSTEAD-", "5E0D2B71-", "CORVANTA-OCR"};
    for (const char* piece : pieces) lstrcatA(key, piece);
}

bool CBarcodeAddOn::Read(const void* image, LONG size, SHORT mode, LONG left, LONG top, LONG right, LONG bottom,
                         LONG format) {
    m_results.clear();
    HMODULE library = Load("Failed to load dll %s. The DLL or .NET Framework 2.0 is missing.");
    if (!library) return false;
    auto entry = reinterpret_cast<ReadBarcodeEntry>(Lookup(library, "ReadBarcode"));
    if (!entry) {
        FreeLibrary(library);
        return false;
    }
    char key[MAX_PATH];
    BuildBarcodePassKey(key);
    LONG sizeOut = 0;
    HGLOBAL block = entry(image, size, mode, left, top, right, bottom, format, &sizeOut, key);
    bool ok = true;
    if (!block) {
        SetLastMessage("Nothing found");
    } else {
        // The block is read no further than the library's size output and its allocation.
        const SIZE_T allocated = GlobalSize(block);
        const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(block));
        if (sizeOut != 0) {
            SIZE_T usable = sizeOut < 0 ? 0 : static_cast<SIZE_T>(sizeOut);
            if (usable > allocated) usable = allocated;
            if (!bytes || !ReadBarcodeResultBlock(bytes, usable, m_results)) {
                m_results.clear();
                SetLastMessage("The barcode library returned a damaged result.");
                ok = false;
            }
        } else {
            // A message block: its text, bounded by the block and terminated here.
            std::string text;
            if (bytes) text.assign(reinterpret_cast<const char*>(bytes), strnlen(reinterpret_cast<const char*>(bytes), allocated));
            SetLastMessage(text.c_str());
            ok = false;
        }
        if (bytes) GlobalUnlock(block);
        GlobalFree(block);
    }
    FreeLibrary(library);
    return ok;
}

const BarcodeResult* CBarcodeAddOn::At(LONG index) const {
    return index >= 0 && index < GetResultCount() ? &m_results[static_cast<size_t>(index)] : nullptr;
}

const char* CBarcodeAddOn::GetResultText(LONG index, LONG* length) const {
    const BarcodeResult* r = At(index);
    if (length) *length = r ? static_cast<LONG>(r->text.size()) : 0;
    return r ? r->text.c_str() : nullptr;
}

LONG CBarcodeAddOn::GetResultLength(LONG index) const {
    const BarcodeResult* r = At(index);
    return r ? static_cast<LONG>(r->text.size()) : 0;
}

LONG CBarcodeAddOn::GetResultFormat(LONG index) const {
    const BarcodeResult* r = At(index);
    return r ? r->format : kNoResultFormat;
}

LONG CBarcodeAddOn::GetResultPointCount(LONG index) const {
    const BarcodeResult* r = At(index);
    return r ? static_cast<LONG>(r->x.size()) : 0;
}

bool CBarcodeAddOn::GetResultPoint(LONG index, LONG point, float* x, float* y) const {
    const BarcodeResult* r = At(index);
    const bool inside = r && point >= 0 && static_cast<size_t>(point) < r->x.size();
    if (x) *x = inside ? r->x[static_cast<size_t>(point)] : 0.0f;
    if (y) *y = inside ? r->y[static_cast<size_t>(point)] : 0.0f;
    return inside;
}

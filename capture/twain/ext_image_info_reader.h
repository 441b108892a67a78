// The reader of a source's extended image information: barcodes and magnetic data of the image
// just transferred. The engine asks for 7 items per barcode and 12 of the page; what the source
// returns in those items (types, counts, values in the Item field or in blocks it allocated) is not
// trusted: every item is checked against what was asked and against its block before it is read.
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>

#include "twain/twain.h"

// Extended image information of the last transfer: barcodes and magnetic data.
struct TwainExtendedInfo {
    LONG barcodeCount;
    LONG* barcodeTypes;
    LONG* barcodeRotations;
    LONG* barcodeConfidences;
    LONG* barcodeX;
    LONG* barcodeY;
    LONG* barcodeTextLengths;
    HGLOBAL barcodeTexts;  // barcodeCount slots of kBarcodeTextSlot bytes
    WORD magneticType;
    HGLOBAL magneticData;
};

// Beyond this a barcode count is not a page's but a hostile source's.
constexpr uint32_t kMaxBarcodes = 1000;
constexpr size_t kBarcodeTextSlot = 1024;
// Magnetic data of this size or more is not kept.
constexpr uint64_t kMaxMagneticData = 16u << 20;

// Frees the arrays, texts and magnetic data and sets the count to 0 (the magnetic type stays).
void FreeExtendedImageInfo(TwainExtendedInfo& info);

// Whether an item's data lies in a block the Item field names rather than in the field itself.
bool ExtendedInfoItemInHandle(const TW_INFO& item);

// Items of the request for a number of barcodes (7 per barcode, then 12 of the page), and their
// ids written into a zeroed request of that many items.
uint32_t ExtendedInfoItemCount(uint32_t barcodeCount);
void FillExtendedInfoRequest(TW_INFO* items, uint32_t barcodeCount);

// Reads the items that the source returned for a request of barcodeCount barcodes into info,
// which must be empty. Returns 0; TWCC_LOWMEMORY when the barcode arrays cannot be allocated (info
// stays empty); TWCC_BADVALUE when an item was renamed or its block does not hold what the item
// declares (what was readable is kept). Blocks are only read, never freed.
LONG ReadExtendedInfoItems(const TW_INFO* items, uint32_t barcodeCount, TwainExtendedInfo& info);

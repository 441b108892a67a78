// Arbitrary blocks through the image model: attach (with and without a copy), the clipboard-style
// import, the 24-bit conversion, pixel and palette reads at chosen positions, and creation with
// chosen sizes. The first 16 bytes steer; the rest is the packed DIB.
#include <cstring>

#include "engine/dib_convert.h"
#include "engine/image.h"

namespace {

int32_t Word32(const uint8_t* p) {
    int32_t v;
    memcpy(&v, p, 4);
    return v;
}

void Probe(CImage& image, const uint8_t* steer) {
    LONG x = Word32(steer), y = Word32(steer + 4);
    image.GetPixelIndex(x, y);
    image.GetPixelColor(x, y);
    image.WrapCoordinates(x, y, 4 + steer[8] % 3);
    image.GetPixelColor(x, y);
    image.SetPixelColor(x, y, static_cast<DWORD>(Word32(steer + 9)));
    image.GetPaletteEntry(steer[13]);
    image.FindNearestColor(static_cast<DWORD>(Word32(steer + 9)));
    image.GetXDPI();
    image.GetSizeInBytes(x, y);
    if (steer[14] & 1) image.SetGrayPalette();
    if (steer[14] & 2) {
        BYTE table[256];
        for (int i = 0; i < 256; ++i) table[i] = static_cast<BYTE>(255 - i);
        image.ApplyLookupTable(table);
    }
}

HGLOBAL BlockOf(const uint8_t* data, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block && size) memcpy(GlobalLock(block), data, size);
    if (block) GlobalUnlock(block);
    return block;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 16 || size > (16u << 20)) return 0;
    const uint8_t* steer = data;
    data += 16;
    size -= 16;

    HGLOBAL block = BlockOf(data, size);
    if (!block) return 0;
    {
        CImage copied(block);
        Probe(copied, steer);
        CImage borrowed(block, FALSE, TRUE);
        Probe(borrowed, steer);
        HGLOBAL exported = borrowed.ExportDIB();
        if (exported) GlobalFree(exported);

        CImage importer;
        HGLOBAL imported = importer.CreateFromPackedDIB(block);
        if (imported) {
            CImage engineForm(imported, FALSE);
            if (!engineForm.IsValid()) __builtin_trap();  // the import must give a readable image
            Probe(engineForm, steer);
        }

        HGLOBAL converted = ConvertDIBTo24Bit(block);
        if (converted && converted != block) {
            CImage normalised(converted, FALSE);
            if (!normalised.IsValid()) __builtin_trap();  // so must the conversion
            Probe(normalised, steer);
        }

        // Sizes from script: small ones are made, the rest must be refused without a write.
        CImage made;
        LONG w = Word32(steer) % 256, h = Word32(steer + 4) % 256;
        if (made.Create(w, h, &copied, steer[15] % 33)) Probe(made, steer);
        made.Create(Word32(steer + 4) | 0x40000000, Word32(steer) | 0x40000000, nullptr, 24);
    }
    GlobalFree(block);
    return 0;
}

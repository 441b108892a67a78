// Arbitrary bytes as PDF documents for the own reader from memory: every page, then the first
// page alone. Each image read must be a valid DIB, and the result must agree with the images.
#include <cstdlib>
#include <cstring>

#include "codecs/pdf/pdf_codec.h"
#include "base/dib_layout.h"

namespace {

void ReadPages(const uint8_t* data, size_t size, LONG page) {
    CPDF pdf;
    LONG result = pdf.ReadFromMemory(size, data, page);
    if (result == CPDF::kOk && pdf.GetImageCount() == 0) abort();
    for (int i = 0; i < pdf.GetImageCount(); ++i) {
        uint64_t bytes = 0;
        HGLOBAL dib = pdf.GetImage(i, &bytes);
        DibLayout layout;
        if (!dib || !ComputeDibLayout(dib, &layout) || layout.totalBytes > bytes) abort();
        GlobalFree(dib);
    }
    PdfSettings settings;
    pdf.GetSettings(&settings);
    for (const char* field : {settings.version, settings.title, settings.keywords, settings.producer})
        if (!std::memchr(field, 0, 256)) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ReadPages(data, size, -1);
    ReadPages(data, size, 0);
    return 0;
}

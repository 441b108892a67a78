#include "codecs/pdf/pdf_strip_codecs.h"

// The fax and LZW strip codecs live with the TIFF codec; until they are in this build every
// call fails, and the pages that need them fail as a TIFF strip failure would.

namespace pdfstrip {

bool EncodeFaxGroup4(const BYTE*, size_t, int, int, std::vector<BYTE>*) { return false; }

bool EncodeLzw(const BYTE*, size_t, std::vector<BYTE>*) { return false; }

bool DecodeFax(const BYTE*, size_t, const FaxStreamParams&, BYTE*, size_t, int) { return false; }

bool DecodeLzw(const BYTE*, size_t, BYTE*, size_t, size_t* produced) {
    if (produced) *produced = 0;
    return false;
}

}  // namespace pdfstrip

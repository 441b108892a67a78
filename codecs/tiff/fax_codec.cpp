// Stand-in until the fax strip codec lands: every call refuses with kUnsupported.
#include "codecs/tiff/fax_codec.h"

int CTIFFFax::EncodeStrip(const BYTE*, const FaxStripParams&, std::vector<BYTE>&) {
    return kUnsupported;
}

int CTIFFFax::DecodeStrip(const BYTE*, size_t, const FaxStripParams&, BYTE*, size_t, DWORD* rowsDecoded) {
    if (rowsDecoded) *rowsDecoded = 0;
    return kUnsupported;
}

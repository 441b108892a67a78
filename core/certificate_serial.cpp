#include "core/certificate_serial.h"

#include <cstring>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

size_t ParseCertificateSerial(const char* text, uint8_t* out, size_t max) {
    if (!text || !out) return 0;
    size_t count = 0;
    bool half = false;  // a low digit waits for its high partner
    for (size_t i = strlen(text); i-- > 0;) {
        int v = HexValue(text[i]);
        if (v < 0) continue;
        if (!half) {
            if (count == max) break;
            out[count++] = static_cast<uint8_t>(v);
            half = true;
        } else {
            out[count - 1] = static_cast<uint8_t>(out[count - 1] | (v << 4));
            half = false;
        }
    }
    return count;
}

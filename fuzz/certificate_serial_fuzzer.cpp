// Serial-number texts of any bytes: the parse stays within the room it is given, and its bytes
// are the number the text's hexadecimal digits spell, least significant first.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/certificate_serial.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    size_t room = data[0] % 40;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    text = text.c_str();  // the parse reads up to the first NUL, as from a script string
    std::vector<uint8_t> out(room + 1, 0xA5);
    size_t n = ParseCertificateSerial(text.c_str(), out.data(), room);
    if (n > room || out[room] != 0xA5) abort();
    // The digits from the end, two to a byte: a check written from the number's point of view.
    std::string digits;
    for (char c : text) {
        if (isxdigit(static_cast<unsigned char>(c))) digits += c;
    }
    size_t expected = (digits.size() + 1) / 2;
    if (n != (expected < room ? expected : room)) abort();
    for (size_t i = 0; i < n; ++i) {
        size_t end = digits.size() - 2 * i;
        std::string pair = digits.substr(end >= 2 ? end - 2 : 0, end >= 2 ? 2 : 1);
        if (out[i] != strtoul(pair.c_str(), nullptr, 16)) abort();
    }
    return 0;
}

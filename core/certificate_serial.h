// The serial number of a certificate as a page writes it ("01:A2:FF", "1a2b", "123") turned into
// the bytes the certificate store compares, least significant first.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kMaxSerialBytes = 512;

// Reads the hexadecimal digits of text from the last to the first (anything else is skipped),
// two digits to a byte; a digit left over at the front becomes the last byte on its own. Writes
// at most max bytes and answers how many it wrote.
size_t ParseCertificateSerial(const char* text, uint8_t* out, size_t max);

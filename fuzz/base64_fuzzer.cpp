// Base64: any text decodes without a fault, and any bytes survive an encode and a decode.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CBase64 decoder;
    if (!decoder.Decode(reinterpret_cast<const char*>(data), static_cast<DWORD>(size))) return 0;
    DWORD length = 0;
    BYTE* decoded = decoder.GetDecodedData(&length);
    if (length > size) __builtin_trap();

    CBase64 encoder;
    if (!encoder.Encode(data, static_cast<DWORD>(size))) __builtin_trap();
    const char* text = encoder.GetEncodedText();
    if (strlen(text) != (size + 2) / 3 * 4) __builtin_trap();
    CBase64 back;
    if (!back.DecodeText(text)) __builtin_trap();
    DWORD backLength = 0;
    BYTE* bytes = back.GetDecodedData(&backLength);
    if (backLength != size || (size && memcmp(bytes, data, size) != 0)) __builtin_trap();
    (void)decoded;
    return 0;
}

#include "core/base64.h"

#include <cstdlib>
#include <cstring>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr BYTE kNotInAlphabet = 254;
constexpr BYTE kPad = 255;
constexpr ULONGLONG kGrowStep = 4096;

struct DecodingTableData {
    BYTE values[256];
    DecodingTableData() {
        memset(values, kNotInAlphabet, sizeof(values));
        for (int i = 0; i < 64; ++i) {
            BYTE c = static_cast<BYTE>(kAlphabet[i]);
            values[c] = values[c + 128] = static_cast<BYTE>(i);
        }
        values[static_cast<BYTE>('=')] = values[static_cast<BYTE>('=') + 128] = kPad;
    }
};

// The join keeps only 8 bits of each shifted value: a stray character (254) then acts as 62 and
// a misplaced "=" as 63, exactly as the decoder has always read them.
inline void Join(BYTE a, BYTE b, BYTE c, BYTE d, BYTE* out) {
    out[0] = static_cast<BYTE>(a << 2 | ((b >> 4) & 3));
    out[1] = static_cast<BYTE>(b << 4 | ((c >> 2) & 15));
    out[2] = static_cast<BYTE>(c << 6 | (d & 63));
}

}  // namespace

const BYTE* CBase64::DecodingTable() {
    static const DecodingTableData table;  // built on first use, thread-safe
    return table.values;
}

CBase64::~CBase64() {
    free(m_input);
    free(m_output);
}

bool CBase64::Grow(BYTE*& buffer, DWORD& capacity, ULONGLONG size) {
    if (buffer && size <= capacity) {
        memset(buffer, 0, capacity);
        return true;
    }
    free(buffer);
    buffer = nullptr;
    capacity = 0;
    ULONGLONG rounded = (size / kGrowStep + 1) * kGrowStep;  // size < 2^64 / 2: no overflow below
    if (size > 0xFFFFFFFFull || rounded > 0xFFFFFFFFull || rounded > SIZE_MAX) return false;
    buffer = static_cast<BYTE*>(calloc(static_cast<size_t>(rounded), 1));
    if (!buffer) return false;
    capacity = static_cast<DWORD>(rounded);
    return true;
}

bool CBase64::PrepareOutput(ULONGLONG size) {
    m_outputLength = 0;
    return Grow(m_output, m_outputCapacity, size);
}

bool CBase64::PrepareInput(ULONGLONG size) {
    m_inputLength = 0;
    return Grow(m_input, m_inputCapacity, size);
}

bool CBase64::SetInput(const BYTE* bytes, DWORD length) {
    if (!PrepareInput(length)) return false;
    if (length) memcpy(m_input, bytes, length);
    m_inputLength = length;
    return true;
}

bool CBase64::FilterText(const char* text, DWORD length) {
    if (!PrepareOutput(length)) return false;
    const BYTE* in = reinterpret_cast<const BYTE*>(text);
    BYTE* out = m_output;
    for (DWORD i = 0; i < length; ++i) {
        BYTE c = in[i];
        *out = c;
        out += !IsSkippedCharacter(c);
    }
    m_outputLength = static_cast<DWORD>(out - m_output);
    return true;
}

void CBase64::SplitGroup(const BYTE in[3], BYTE values[4]) {
    values[0] = in[0] >> 2;
    values[1] = static_cast<BYTE>((in[0] << 4 | in[1] >> 4) & 63);
    values[2] = static_cast<BYTE>((in[1] << 2 | in[2] >> 6) & 63);
    values[3] = in[2] & 63;
}

void CBase64::JoinGroup(const BYTE values[4], BYTE out[3]) { Join(values[0], values[1], values[2], values[3], out); }

void CBase64::EncodeGroup(const Group& group, char out[4]) {
    BYTE values[4];
    SplitGroup(group.bytes, values);
    for (int i = 0; i < 4; ++i) out[i] = kAlphabet[values[i]];
    if (group.count == 1) out[2] = '=';
    if (group.count <= 2) out[3] = '=';
}

void CBase64::DecodeGroup(const Group& group, BYTE out[3]) { JoinGroup(group.bytes, out); }

bool CBase64::EncodeText(const char* text) {
    if (!text) return false;
    size_t n = strlen(text);
    if (n > 0xFFFFFFFFu) return false;
    return Encode(reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(n));
}

bool CBase64::Encode(const BYTE* bytes, DWORD length) {
    // The text size is checked first, so an oversized request never reads the bytes.
    if (!PrepareOutput(2ull * length) || !SetInput(bytes, length)) {
        free(m_output);
        m_output = nullptr;
        m_outputCapacity = m_outputLength = 0;
        return false;
    }
    const BYTE* in = m_input;
    char* out = reinterpret_cast<char*>(m_output);
    DWORD whole = length / 3 * 3;
    for (DWORD i = 0; i < whole; i += 3, out += 4) {
        DWORD v = static_cast<DWORD>(in[i]) << 16 | static_cast<DWORD>(in[i + 1]) << 8 | in[i + 2];
        out[0] = kAlphabet[v >> 18];
        out[1] = kAlphabet[(v >> 12) & 63];
        out[2] = kAlphabet[(v >> 6) & 63];
        out[3] = kAlphabet[v & 63];
    }
    if (DWORD rest = length - whole) {
        Group last = {{0, 0, 0, 0}, static_cast<int>(rest)};
        memcpy(last.bytes, in + whole, rest);
        EncodeGroup(last, out);
        out += 4;
    }
    m_outputLength = static_cast<DWORD>(out - reinterpret_cast<char*>(m_output));
    return true;
}

bool CBase64::DecodeText(const char* text) {
    if (!text) return false;
    size_t n = strlen(text);
    if (n > 0xFFFFFFFFu) return false;
    return Decode(text, static_cast<DWORD>(n));
}

bool CBase64::Decode(const char* text, DWORD length) {
    const BYTE* table = DecodingTable();
    if (!FilterText(text, length) || !PrepareInput(length)) return false;
    const BYTE* in = m_output;
    DWORD filtered = m_outputLength;
    BYTE* out = m_input;
    DWORD written = 0;
    DWORD whole = filtered / 4 * 4;
    for (DWORD i = 0; i < whole; i += 4) {
        BYTE a = table[in[i]], b = table[in[i + 1]], c = table[in[i + 2]], d = table[in[i + 3]];
        DWORD produced = 3;
        if (c == kPad) c = 0, --produced;
        if (d == kPad) d = 0, --produced;
        Join(a, b, c, d, out + written);  // a short group's spare bytes are overwritten next
        written += produced;
    }
    DWORD rest = filtered - whole;
    if (rest) {
        BYTE v[4] = {0, 0, 0, 0};
        for (DWORD k = 0; k < rest; ++k) {
            BYTE t = table[in[whole + k]];
            v[k] = t == kPad ? 0 : t;
        }
        Join(v[0], v[1], v[2], v[3], out + written);
        written += rest - 1;  // 2 characters give 1 byte, 3 give 2, a lone one none
    }
    // The spare bytes of the last group lie past the length; keep the data followed by zeros.
    memset(out + written, 0, m_inputCapacity - written < 3 ? m_inputCapacity - written : 3);
    m_inputLength = written;
    return true;
}

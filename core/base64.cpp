#include "core/base64.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/simd.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr BYTE kNotInAlphabet = 254;
constexpr BYTE kPad = 255;
constexpr ULONGLONG kGrowStep = 4096;

struct DecodingTableData {
    BYTE values[256];
    // Per position, the 6 bits a character adds to a 24-bit group. Only the low six bits of a
    // value ever reach the bytes: a stray character (254) thus acts as 62 ("+") and an "=" among a
    // group's first two characters as 63 ("/"); in the last two an "=" adds nothing.
    uint32_t shifted[4][256];
    BYTE skipped[256];  // blanks and the control characters 7 to 13
    DecodingTableData() {
        memset(values, kNotInAlphabet, sizeof(values));
        for (int i = 0; i < 64; ++i) {
            BYTE c = static_cast<BYTE>(kAlphabet[i]);
            values[c] = values[c + 128] = static_cast<BYTE>(i);
        }
        values[static_cast<BYTE>('=')] = values[static_cast<BYTE>('=') + 128] = kPad;
        for (int c = 0; c < 256; ++c) {
            skipped[c] = (c >= 7 && c <= 13) || c == ' ';
            uint32_t v = values[c] & 63u;
            uint32_t tail = values[c] == kPad ? 0 : v;
            shifted[0][c] = v << 18;
            shifted[1][c] = v << 12;
            shifted[2][c] = tail << 6;
            shifted[3][c] = tail;
        }
    }
};

const DecodingTableData& Tables() {
    static const DecodingTableData tables;  // built on first use, thread-safe
    return tables;
}

// Two alphabet characters for each 12-bit value, for the encoder's inner loop.
struct PairTable {
    char pairs[4096][2];
    PairTable() {
        for (int v = 0; v < 4096; ++v) {
            pairs[v][0] = kAlphabet[v >> 6];
            pairs[v][1] = kAlphabet[v & 63];
        }
    }
};

const PairTable& Pairs() {
    static const PairTable table;
    return table;
}

inline bool IsSkipped(BYTE c) { return Tables().skipped[c] != 0; }

inline void Join(BYTE a, BYTE b, BYTE c, BYTE d, BYTE* out) {
    out[0] = static_cast<BYTE>(a << 2 | ((b >> 4) & 3));
    out[1] = static_cast<BYTE>(b << 4 | ((c >> 2) & 15));
    out[2] = static_cast<BYTE>(c << 6 | (d & 63));
}

#if defined(LUMETTA_SSE2)

// Sixteen characters into twelve bytes when every one of them is an alphabet character (a byte
// with its high bit set counting as its lower seven bits), as the decoding table maps them; false,
// with nothing written, otherwise. Writes 14 bytes from out.
inline bool DecodeSixteen(const BYTE* in, BYTE* out) {
    const __m128i c = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), _mm_set1_epi8(0x7F));
    // lo <= c <= hi in one signed compare: c - lo - 128 (c is 0..127) stays in -128 .. -1 exactly
    // for c >= lo and wraps to a positive value below lo.
    auto between = [&](int lo, int hi) {
        const __m128i moved = _mm_add_epi8(c, _mm_set1_epi8(static_cast<char>(-128 - lo)));
        return _mm_cmplt_epi8(moved, _mm_set1_epi8(static_cast<char>(-128 + (hi - lo + 1))));
    };
    const __m128i upper = between('A', 'Z'), lower = between('a', 'z'), digit = between('0', '9');
    const __m128i plus = _mm_cmpeq_epi8(c, _mm_set1_epi8('+')), slash = _mm_cmpeq_epi8(c, _mm_set1_epi8('/'));
    const __m128i valid = _mm_or_si128(_mm_or_si128(upper, lower), _mm_or_si128(digit, _mm_or_si128(plus, slash)));
    if (_mm_movemask_epi8(valid) != 0xFFFF) return false;
    // The alphabet index: c - 'A', c - 'a' + 26, c - '0' + 52, 62, 63.
    __m128i offset = _mm_and_si128(upper, _mm_set1_epi8(-65));
    offset = _mm_or_si128(offset, _mm_and_si128(lower, _mm_set1_epi8(-71)));
    offset = _mm_or_si128(offset, _mm_and_si128(digit, _mm_set1_epi8(4)));
    offset = _mm_or_si128(offset, _mm_and_si128(plus, _mm_set1_epi8(62 - '+')));
    offset = _mm_or_si128(offset, _mm_and_si128(slash, _mm_set1_epi8(63 - '/')));
    const __m128i x = _mm_add_epi8(c, offset);
    // Each 32-bit lane holds the four values v0..v3 of a group (v0 lowest). Pairs first: each
    // 16-bit half becomes v0 << 6 | v1 (and v2 << 6 | v3), then the halves w = v0v1 << 12 | v2v3,
    // the group's 24 bits with its first byte highest.
    const __m128i pairs = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(x, _mm_set1_epi16(0x00FF)), 6), _mm_srli_epi16(x, 8));
    const __m128i w = _mm_madd_epi16(pairs, _mm_set1_epi32(0x00011000));
    // The group's bytes w >> 16, w >> 8 and w into the lane's low three bytes, in that order.
    __m128i b = _mm_or_si128(_mm_srli_epi32(w, 16), _mm_and_si128(w, _mm_set1_epi32(0xFF00)));
    b = _mm_or_si128(b, _mm_and_si128(_mm_slli_epi32(w, 16), _mm_set1_epi32(0xFF0000)));
    // Two lanes of three bytes into six bytes per 64-bit half, the halves stored 6 bytes apart.
    const __m128i low = _mm_set_epi32(0, -1, 0, -1);
    const __m128i packed = _mm_or_si128(_mm_and_si128(b, low), _mm_srli_epi64(_mm_andnot_si128(low, b), 8));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 6), _mm_srli_si128(packed, 8));
    return true;
}

// Twelve bytes into sixteen alphabet characters. Reads 14 bytes from in.
inline void EncodeTwelve(const BYTE* in, char* out) {
    // Bytes 0..7 and 6..13 as the two 64-bit halves; groups 0, 1 and 2, 3 are their first six bytes.
    const __m128i halves = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in)),
                                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + 6)));
    // One group per 32-bit lane as the bytes b0, b1, b2, b1 (lowest first): its 16-bit halves are
    // b1b0 and b1b2, and each of the four values lies whole in one of them.
    __m128i t = _mm_or_si128(_mm_and_si128(halves, _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF)),
                             _mm_and_si128(_mm_slli_epi64(halves, 8), _mm_set_epi32(0xFFFFFF, 0, 0xFFFFFF, 0)));
    t = _mm_or_si128(t, _mm_and_si128(_mm_slli_epi32(t, 16), _mm_set1_epi32(static_cast<int>(0xFF000000u))));
    // The values b0 >> 2, (b0 & 3) << 4 | b1 >> 4, (b1 & 15) << 2 | b2 >> 6, b2 & 63 into the
    // lane's bytes 0 to 3: shifts of the halves by different amounts, as multiplications (the
    // high half of a product shifts right, the low half left).
    const __m128i right = _mm_mulhi_epu16(_mm_and_si128(t, _mm_set1_epi32(0x0FC000FC)), _mm_set1_epi32(0x04004000));
    const __m128i left = _mm_mullo_epi16(_mm_and_si128(t, _mm_set1_epi32(0x003F0003)), _mm_set1_epi32(0x01001000));
    const __m128i nibble = _mm_srli_epi16(_mm_and_si128(t, _mm_set1_epi32(0xF000)), 4);
    const __m128i v = _mm_or_si128(_mm_or_si128(right, left), nibble);
    // Value to character: 'A' + v, then +6 past 25, -75 past 51, -15 past 61 and +3 past 62.
    auto above = [&](char limit, char add) {
        return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(limit)), _mm_set1_epi8(add));
    };
    __m128i c = _mm_add_epi8(v, _mm_set1_epi8('A'));
    c = _mm_add_epi8(c, _mm_add_epi8(above(25, 6), above(51, -75)));
    c = _mm_add_epi8(c, _mm_add_epi8(above(61, -15), above(62, 3)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), c);
}

#endif

}  // namespace

const BYTE* CBase64::DecodingTable() { return Tables().values; }

CBase64::~CBase64() {
    free(m_input);
    free(m_output);
}

bool CBase64::Grow(BYTE*& buffer, DWORD& capacity, DWORD& zeroFrom, ULONGLONG size) {
    bool zeroed = false;
    const bool claimed = Claim(buffer, capacity, size, &zeroed);
    if (claimed && !zeroed) memset(buffer, 0, capacity);
    // The caller fills the buffer: what it leaves past its data is not known afterwards.
    zeroFrom = capacity;
    return claimed;
}

bool CBase64::Claim(BYTE*& buffer, DWORD& capacity, ULONGLONG size, bool* zeroed) {
    *zeroed = false;
    if (buffer && size <= capacity) return true;
    free(buffer);
    buffer = nullptr;
    capacity = 0;
    ULONGLONG rounded = (size / kGrowStep + 1) * kGrowStep;  // size < 2^64 / 2: no overflow below
    if (size > 0xFFFFFFFFull || rounded > 0xFFFFFFFFull || rounded > SIZE_MAX) return false;
    buffer = static_cast<BYTE*>(calloc(static_cast<size_t>(rounded), 1));
    if (!buffer) return false;
    capacity = static_cast<DWORD>(rounded);
    *zeroed = true;
    return true;
}

void CBase64::ClearPast(BYTE* buffer, DWORD capacity, DWORD used, DWORD zeroFrom) {
    // The stores reached at most kStoreSlack bytes past the data; beyond them and beyond zeroFrom
    // the buffer holds zeros already. zeroFrom is 0 for a new block, the end of the data of the
    // last encode or decode for a reused one, and the capacity once the buffer was handed out
    // or filled by a caller.
    const DWORD reach = capacity - used > kStoreSlack ? used + kStoreSlack : capacity;
    const DWORD end = zeroFrom > reach ? zeroFrom : reach;
    memset(buffer + used, 0, end - used);
}

bool CBase64::PrepareOutput(ULONGLONG size) {
    m_outputLength = 0;
    return Grow(m_output, m_outputCapacity, m_outputZeroFrom, size);
}

bool CBase64::PrepareInput(ULONGLONG size) {
    m_inputLength = 0;
    return Grow(m_input, m_inputCapacity, m_inputZeroFrom, size);
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
        out += !IsSkipped(c);
    }
    *out = 0;  // a skipped last character was stored here; the buffer is longer than the text
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
    // Only the text is kept: the encoder reads the caller's bytes where they are (a copy of a
    // large image costs as much as its encoding), and the input buffer stays empty.
    // The text is written over the buffer and only the rest of it is cleared afterwards, as far
    // as anything may be there: the result is that of a zero-filled buffer without writing most
    // of it twice.
    m_inputLength = 0;
    m_outputLength = 0;
    bool zeroed = false;
    if (!Claim(m_output, m_outputCapacity, 2ull * length, &zeroed)) return false;
    const BYTE* in = bytes;
    char* out = reinterpret_cast<char*>(m_output);
    const auto& pairs = Pairs().pairs;
    DWORD whole = length / 3 * 3;
    DWORD i = 0;
#if defined(LUMETTA_SSE2)
    // Twelve bytes at a time while fourteen can be read.
    for (; i + 14 <= length && i + 12 <= whole; i += 12, out += 16) EncodeTwelve(in + i, out);
#endif
    // Six bytes at a time while eight can be loaded at once (every target is little-endian).
    for (; i + 8 <= length && i + 6 <= whole; i += 6, out += 8) {
        uint64_t w;
        memcpy(&w, in + i, 8);
        w = __builtin_bswap64(w) >> 16;  // the six bytes, first one highest
        char chars[8];
        memcpy(chars, pairs[(w >> 36) & 4095], 2);
        memcpy(chars + 2, pairs[(w >> 24) & 4095], 2);
        memcpy(chars + 4, pairs[(w >> 12) & 4095], 2);
        memcpy(chars + 6, pairs[w & 4095], 2);
        memcpy(out, chars, 8);
    }
    for (; i < whole; i += 3, out += 4) {
        DWORD v = static_cast<DWORD>(in[i]) << 16 | static_cast<DWORD>(in[i + 1]) << 8 | in[i + 2];
        memcpy(out, pairs[v >> 12], 2);
        memcpy(out + 2, pairs[v & 4095], 2);
    }
    if (DWORD rest = length - whole) {
        Group last = {{0, 0, 0, 0}, static_cast<int>(rest)};
        memcpy(last.bytes, in + whole, rest);
        EncodeGroup(last, out);
        out += 4;
    }
    m_outputLength = static_cast<DWORD>(out - reinterpret_cast<char*>(m_output));
    ClearPast(m_output, m_outputCapacity, m_outputLength, zeroed ? 0 : m_outputZeroFrom);
    m_outputZeroFrom = m_outputLength;
    return true;
}

bool CBase64::DecodeText(const char* text) {
    if (!text) return false;
    size_t n = strlen(text);
    if (n > 0xFFFFFFFFu) return false;
    return Decode(text, static_cast<DWORD>(n));
}

bool CBase64::Decode(const char* text, DWORD length) {
    // The skipped characters are filtered on the fly: the text is read once, straight into the
    // decoded bytes, instead of being copied to the output buffer first. The bytes are written
    // over the buffer and the rest of it is cleared afterwards (as if it had been zero-filled).
    const DecodingTableData& tables = Tables();
    const BYTE* table = tables.values;
    m_inputLength = 0;
    bool zeroed = false;
    if (!Claim(m_input, m_inputCapacity, length, &zeroed)) return false;
    const BYTE* in = reinterpret_cast<const BYTE*>(text);
    BYTE* out = m_input;
    DWORD written = 0;
    BYTE group[4];
    DWORD have = 0;
    auto emit = [&](BYTE c0, BYTE c1, BYTE c2, BYTE c3) {
        uint32_t v = tables.shifted[0][c0] | tables.shifted[1][c1] | tables.shifted[2][c2] | tables.shifted[3][c3];
        out[written] = static_cast<BYTE>(v >> 16);
        out[written + 1] = static_cast<BYTE>(v >> 8);
        out[written + 2] = static_cast<BYTE>(v);
        // A group ending in "=" gives fewer bytes; the next group's bytes overwrite its spare ones.
        written += 3 - (table[c2] == kPad) - (table[c3] == kPad);
    };
    DWORD i = 0;
    while (i < length) {
        if (have == 0 && length - i >= 4) {
#if defined(LUMETTA_SSE2)
            // Sixteen characters of the alphabet at a time; anything else goes the way below.
            // The stores reach 14 bytes past written, inside the buffer: written + 14 is less
            // than i + 16 <= length <= the capacity.
            while (length - i >= 16 && DecodeSixteen(in + i, out + written)) {
                i += 16;
                written += 12;
            }
            if (length - i < 4) continue;
#endif
            BYTE c0 = in[i], c1 = in[i + 1], c2 = in[i + 2], c3 = in[i + 3];
            if (!(tables.skipped[c0] | tables.skipped[c1] | tables.skipped[c2] | tables.skipped[c3])) {
                emit(c0, c1, c2, c3);
                i += 4;
                continue;
            }
        }
        BYTE c = in[i++];
        if (tables.skipped[c]) continue;
        group[have++] = c;
        if (have == 4) {
            emit(group[0], group[1], group[2], group[3]);
            have = 0;
        }
    }
    if (have) {
        BYTE v[4] = {0, 0, 0, 0};
        for (DWORD k = 0; k < have; ++k) {
            BYTE t = table[group[k]];
            v[k] = t == kPad ? 0 : t;
        }
        Join(v[0], v[1], v[2], v[3], out + written);
        written += have - 1;  // 2 characters give 1 byte, 3 give 2, a lone one none
    }
    // The spare bytes of the last group lie past the length: the data is followed by zeros.
    ClearPast(m_input, m_inputCapacity, written, zeroed ? 0 : m_inputZeroFrom);
    m_inputZeroFrom = written;
    m_inputLength = written;
    return true;
}

bool CBase64::IsSkippedCharacter(BYTE c) { return IsSkipped(c); }

#include "codecs/tiff/lzw_codec.h"

#include <array>
#include <cstring>
#include <new>

#include "codecs/tiff/lzw_codes.h"

using namespace tiff_lzw;

namespace {

constexpr unsigned kTableSize = 1u << kMaxWidth;  // 4096 codes
constexpr unsigned kEncoderLimit = kTableSize - 2;  // the encoder clears when its next code reaches 4094
constexpr long kHashSize = 9001;                 // prime, about 2.2 times the table
constexpr unsigned kHashShift = 5;
constexpr long kCheckGap = 10000;
constexpr size_t kBufferSize = 8192;

}  // namespace

// Encoding state of one strip. The string table lives in a hash of (byte << 12) + prefix keys
// probed by double hashing; a ratio checkpoint every 10000 input bytes clears the table when
// compression stops improving. These choices decide the exact codes written, and they are the
// ones other TIFF writers make, so strips compare byte for byte.
struct CTIFFLzw::Encoder {
    // A slot holds its key ((byte << 12) + prefix, 20 bits) above its code (12 bits): the whole
    // table fits the first-level cache. An empty slot is all ones, which no entry can be (the
    // encoder never hands out code 4095).
    using Slot = uint32_t;
    static constexpr Slot kEmpty = 0xFFFFFFFFu;
    static uint32_t KeyOf(Slot s) { return s >> kMaxWidth; }
    static unsigned CodeOf(Slot s) { return s & (kTableSize - 1); }

    std::vector<BYTE>* out = nullptr;
    BYTE buffer[kBufferSize];
    size_t fill = 0;
    unsigned width = kMinWidth;
    unsigned maxCode = MaxCode(kMinWidth);
    unsigned nextFree = kFirstFree;
    long pending = -1;  // prefix code not yet written, -1 before the first byte
    uint64_t bits = 0;      // codes not yet stored, in the low bitCount bits
    unsigned bitCount = 0;  // below 32 between calls
    long inCount = 0;
    long outCount = 0;  // bits written since the last clear
    long checkpoint = kCheckGap;
    long ratio = 0;
    Slot hash[kHashSize];

    void ClearHash() {
        for (Slot& s : hash) s = kEmpty;
    }

    void Flush() {
        out->insert(out->end(), buffer, buffer + fill);
        fill = 0;
    }

    // Codes gather in a 64-bit word and leave it four whole bytes at a time.
    void Put(unsigned code) {
        bits = (bits << width) | code;
        bitCount += width;
        outCount += width;
        if (bitCount >= 32) {
            bitCount -= 32;
            const uint32_t word = static_cast<uint32_t>(bits >> bitCount);
            buffer[fill] = static_cast<BYTE>(word >> 24);
            buffer[fill + 1] = static_cast<BYTE>(word >> 16);
            buffer[fill + 2] = static_cast<BYTE>(word >> 8);
            buffer[fill + 3] = static_cast<BYTE>(word);
            fill += 4;
            bits &= (uint64_t(1) << bitCount) - 1;
            if (fill > kBufferSize - 4) Flush();
        }
    }

    // The whole bytes still gathered, then what is left of a last byte, zero-padded.
    void PutTail() {
        while (bitCount >= 8) {
            bitCount -= 8;
            buffer[fill++] = static_cast<BYTE>(bits >> bitCount);
        }
        if (bitCount > 0) buffer[fill++] = static_cast<BYTE>(bits << (8 - bitCount));
        bitCount = 0;
        bits = 0;
    }

    void Restart() {
        ClearHash();
        ratio = 0;
        inCount = 0;
        outCount = 0;
        nextFree = kFirstFree;
        Put(kClear);
        width = kMinWidth;
        maxCode = MaxCode(kMinWidth);
    }

    void Encode(const BYTE* bp, size_t cc) {
        long ent = pending;
        if (ent == -1 && cc > 0) {
            Put(kClear);
            ent = *bp++;
            --cc;
            ++inCount;
        }
        while (cc > 0) {
            const unsigned c = *bp++;
            --cc;
            ++inCount;
            const uint32_t key = static_cast<uint32_t>((c << kMaxWidth) + ent);
            long h = (static_cast<long>(c) << kHashShift) ^ ent;
            if (h >= kHashSize) h -= kHashSize;
            if (KeyOf(hash[h]) == key) {
                ent = CodeOf(hash[h]);
                continue;
            }
            if (hash[h] != kEmpty) {
                const long step = h == 0 ? 1 : kHashSize - h;
                bool hit = false;
                do {
                    if ((h -= step) < 0) h += kHashSize;
                    if (KeyOf(hash[h]) == key) {
                        hit = true;
                        break;
                    }
                } while (hash[h] != kEmpty);
                if (hit) {
                    ent = CodeOf(hash[h]);
                    continue;
                }
            }
            Put(static_cast<unsigned>(ent));
            ent = c;
            hash[h] = (key << kMaxWidth) | nextFree++;
            if (nextFree == kEncoderLimit) {
                Restart();
            } else if (nextFree > maxCode) {
                ++width;
                maxCode = MaxCode(width);
            } else if (inCount >= checkpoint) {
                checkpoint = inCount + kCheckGap;
                long now;
                if (inCount > 0x007FFFFF) {
                    const long scaled = outCount >> 8;
                    now = scaled == 0 ? 0x7FFFFFFF : inCount / scaled;
                } else {
                    now = (inCount << 8) / outCount;
                }
                if (now <= ratio)
                    Restart();
                else
                    ratio = now;
            }
        }
        pending = ent;
    }

    void Finish() {
        if (pending != -1) {
            Put(static_cast<unsigned>(pending));
            pending = -1;
            // The decoder enters one more code after this one; the end code must be written at
            // the width the decoder reads it with.
            const unsigned entered = nextFree + 1;
            if (entered == kEncoderLimit) {
                outCount = 0;
                Put(kClear);
                width = kMinWidth;
            } else if (entered > maxCode && width < kMaxWidth) {
                ++width;
            }
        }
        Put(kEndOfInformation);
        PutTail();
        Flush();
    }
};

CTIFFLzw::CTIFFLzw() = default;
CTIFFLzw::~CTIFFLzw() = default;

int CTIFFLzw::EncodeSetup(std::vector<BYTE>* out) {
    if (!out) return kNullData;
    try {
        if (!m_encoder) m_encoder = std::make_unique<Encoder>();
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    Encoder& e = *m_encoder;
    e.out = out;
    e.fill = 0;
    e.width = kMinWidth;
    e.maxCode = MaxCode(kMinWidth);
    e.nextFree = kFirstFree;
    e.pending = -1;
    e.bits = 0;
    e.bitCount = 0;
    e.inCount = 0;
    e.outCount = 0;
    e.checkpoint = kCheckGap;
    e.ratio = 0;
    e.ClearHash();
    return kOk;
}

int CTIFFLzw::EncodeRow(const BYTE* row, size_t size) {
    if (!row || !m_encoder || !m_encoder->out) return kNullData;
    try {
        m_encoder->Encode(row, size);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

int CTIFFLzw::EncodeFinish() {
    if (!m_encoder || !m_encoder->out) return kNullData;
    try {
        m_encoder->Finish();
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    m_encoder->out = nullptr;
    return kOk;
}

int CTIFFLzw::EncodeStrip(const BYTE* rows, size_t rowBytes, DWORD height, size_t rowStride,
                          std::vector<BYTE>& out) {
    if (!rows && height > 0 && rowBytes > 0) return kNullData;
    CTIFFLzw lzw;
    int rc = lzw.EncodeSetup(&out);
    for (DWORD y = 0; rc == kOk && y < height; ++y)
        rc = lzw.EncodeRow(rows + static_cast<size_t>(y) * rowStride, rowBytes);
    if (rc == kOk) rc = lzw.EncodeFinish();
    return rc;
}

namespace {

inline uint64_t LoadBigEndian64(const BYTE* p) {
    uint64_t v;
    memcpy(&v, p, 8);
    return __builtin_bswap64(v);
}

// Copies 16 bytes as one load and one store; the two ranges may overlap.
inline void Copy16(BYTE* dst, const BYTE* src) {
    BYTE chunk[16];
    memcpy(chunk, src, 16);
    memcpy(dst, chunk, 16);
}

// Where the single-byte strings are copied from, with room for the fixed 32-byte copy.
constexpr std::array<BYTE, 256 + 32> MakeLiteralBytes() {
    std::array<BYTE, 256 + 32> bytes{};
    for (unsigned i = 0; i < 256; ++i) bytes[i] = BYTE(i);
    return bytes;
}
constexpr std::array<BYTE, 256 + 32> kLiteralBytes = MakeLiteralBytes();

// Codes most significant bit first, one unaligned load each away from the stream's end.
struct CodeReader {
    const BYTE* data;
    size_t size;
    uint64_t bitPos = 0;

    // False when the stream ends before a whole code (a stream without End of Information).
    bool Next(unsigned width, unsigned& code) {
        if (bitPos + width > uint64_t(size) * 8) return false;
        const size_t byte = size_t(bitPos >> 3);
        const unsigned shift = unsigned(bitPos & 7);
        if (size >= 8 && byte <= size - 8) {
            code = unsigned((LoadBigEndian64(data + byte) << shift) >> (64 - width));
        } else {
            uint32_t v = 0;
            for (size_t i = 0; i < 3; ++i) v = (v << 8) | (byte + i < size ? data[byte + i] : 0u);
            code = (v >> (24 - shift - width)) & MaxCode(width);
        }
        bitPos += width;
        return true;
    }
};

// Short strings are copied in whole 16-byte blocks that run past their end. The bytes past the
// last string would stay overwritten when a stream ends early, so every aligned 16-byte block
// of the output is saved before the first copy runs into it, and put back from the last few.
struct OverrunGuard {
    BYTE* out;
    size_t saved = 0;  // the blocks before this position are saved or lie below the output written
    BYTE blocks[4][16];

    void Reach(size_t pos, size_t end) {
        const size_t firstOpen = pos & ~size_t(15);
        if (saved < firstOpen) saved = firstOpen;  // blocks wholly below pos hold finished output
        for (; saved < end; saved += 16) memcpy(blocks[(saved >> 4) & 3], out + saved, 16);
    }
    void Restore(size_t pos) {
        for (size_t at = pos; at < saved; ++at) out[at] = blocks[(at >> 4) & 3][at & 15];
    }
};

// The string of every code: single bytes from kLiteralBytes, the others where they were written
// to the output before. Clear and End of Information have length 0.
struct StringTable {
    const BYTE* sources[kTableSize];
    uint16_t lengths[kTableSize];
};

// Every string the decoder knows was written to the output once already, as the previous code's
// string followed by one byte: an entry keeps where that copy starts and how long it is, and a
// code's string is copied from there (no walk through prefix links). Returns the bytes written.
size_t DecodeCodes(CodeReader& reader, BYTE* out, size_t outSize, StringTable& table) {
    for (unsigned c = 0; c < 256; ++c) {
        table.sources[c] = kLiteralBytes.data() + c;
        table.lengths[c] = 1;
    }
    table.lengths[kClear] = table.lengths[kEndOfInformation] = 0;
    OverrunGuard guard{out};
    size_t pos = 0, prevStart = 0, prevLength = 0;
    unsigned width = kMinWidth, nextFree = kFirstFree;
    unsigned growAt = MaxCode(kMinWidth) - 1;  // the decoder widens one entry early
    bool fresh = true;  // at the start or after Clear: only single bytes are known
    unsigned code = 0;
    while (pos < outSize && reader.Next(width, code)) {
        // A code past the next free entry is a broken stream; the next free one itself is the
        // entry being made (the previous string and its own first byte).
        const bool repeat = code >= nextFree;
        if (repeat && (code != nextFree || fresh)) break;
        if (!repeat && table.lengths[code] == 0) {
            if (code == kEndOfInformation) break;
            width = kMinWidth;
            nextFree = kFirstFree;
            growAt = MaxCode(kMinWidth) - 1;
            fresh = true;
            continue;
        }
        if (fresh) {
            fresh = false;
            prevStart = pos;
            prevLength = 1;
            out[pos++] = BYTE(code);
            continue;
        }
        if (nextFree < kTableSize) {
            // A full table takes no more entries: a stream that never clears goes on with what it has.
            table.sources[nextFree] = out + prevStart;
            table.lengths[nextFree] = uint16_t(prevLength + 1);
            if (++nextFree > growAt && width < kMaxWidth) growAt = MaxCode(++width) - 1;
        }
        const BYTE* src = table.sources[code];
        const size_t length = table.lengths[code];
        BYTE* dst = out + pos;
        size_t n = length;
        if (length <= 32 && outSize - pos >= 48) {  // the saved blocks stay inside the output
            guard.Reach(pos, pos + 32);
            Copy16(dst, src);
            Copy16(dst + 16, src + 16);
        } else {
            n = length < outSize - pos ? length : outSize - pos;
            memcpy(dst, src, repeat && n == length ? n - 1 : n);  // never the repeated byte itself
        }
        if (repeat && n == length) dst[n - 1] = out[prevStart];
        prevStart = pos;
        prevLength = length;
        pos += n;
    }
    guard.Restore(pos);
    return pos;
}

}  // namespace

int CTIFFLzw::DecodeStrip(const BYTE* data, size_t size, BYTE* out, size_t outSize, size_t* written) {
    if (written) *written = 0;
    if (!data && size > 0) return kNullData;
    if (!out && outSize > 0) return kNullData;
    auto* table = new (std::nothrow) StringTable;
    if (!table) return kNoMemory;
    CodeReader reader{data, size};
    const size_t pos = DecodeCodes(reader, out, outSize, *table);
    delete table;
    if (written) *written = pos;
    return pos == outSize ? kOk : kBadData;
}

uint64_t CTIFFLzw::LargestOutput(uint64_t bytes) {
    constexpr uint64_t kFar = uint64_t(1) << 48;  // beyond any source; keeps the products in range
    const uint64_t codes = (bytes < kFar ? bytes : kFar) * 8 / kMinWidth;
    if (codes <= kTableSize) return codes * (codes + 1) / 2;
    return uint64_t(kTableSize) * (kTableSize + 1) / 2 + (codes - kTableSize) * kTableSize;
}

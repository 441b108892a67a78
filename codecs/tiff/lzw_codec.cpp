#include "codecs/tiff/lzw_codec.h"

#include <cstring>
#include <new>

namespace {

constexpr unsigned kClear = 256;
constexpr unsigned kEndOfInformation = 257;
constexpr unsigned kFirstFree = 258;
constexpr unsigned kMinWidth = 9;
constexpr unsigned kMaxWidth = 12;
constexpr unsigned kTableSize = 1u << kMaxWidth;  // 4096 codes
constexpr unsigned kEncoderLimit = kTableSize - 2;  // the encoder clears when its next code reaches 4094
constexpr long kHashSize = 9001;                 // prime, about 2.2 times the table
constexpr unsigned kHashShift = 5;
constexpr long kCheckGap = 10000;
constexpr size_t kBufferSize = 8192;

constexpr unsigned MaxCode(unsigned width) { return (1u << width) - 1; }

}  // namespace

// Encoding state of one strip. The string table lives in a hash of (byte << 12) + prefix keys
// probed by double hashing; a ratio checkpoint every 10000 input bytes clears the table when
// compression stops improving. These choices decide the exact codes written, and they are the
// ones other TIFF writers make, so strips compare byte for byte.
struct CTIFFLzw::Encoder {
    struct Slot {
        int32_t key;  // (byte << 12) + prefix, -1 when empty
        uint16_t code;
    };

    std::vector<BYTE>* out = nullptr;
    BYTE buffer[kBufferSize];
    size_t fill = 0;
    unsigned width = kMinWidth;
    unsigned maxCode = MaxCode(kMinWidth);
    unsigned nextFree = kFirstFree;
    long pending = -1;  // prefix code not yet written, -1 before the first byte
    uint32_t bits = 0;
    unsigned bitCount = 0;
    long inCount = 0;
    long outCount = 0;  // bits written since the last clear
    long checkpoint = kCheckGap;
    long ratio = 0;
    Slot hash[kHashSize];

    void ClearHash() {
        for (Slot& s : hash) s.key = -1;
    }

    void Flush() {
        out->insert(out->end(), buffer, buffer + fill);
        fill = 0;
    }

    void Put(unsigned code) {
        bits = (bits << width) | code;
        bitCount += width;
        while (bitCount >= 8) {
            bitCount -= 8;
            buffer[fill++] = static_cast<BYTE>(bits >> bitCount);
        }
        bits &= (1u << bitCount) - 1;
        outCount += width;
        if (fill > kBufferSize - 4) Flush();
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
            const int32_t key = static_cast<int32_t>((c << kMaxWidth) + ent);
            long h = (static_cast<long>(c) << kHashShift) ^ ent;
            if (h >= kHashSize) h -= kHashSize;
            if (hash[h].key == key) {
                ent = hash[h].code;
                continue;
            }
            if (hash[h].key >= 0) {
                const long step = h == 0 ? 1 : kHashSize - h;
                bool hit = false;
                do {
                    if ((h -= step) < 0) h += kHashSize;
                    if (hash[h].key == key) {
                        hit = true;
                        break;
                    }
                } while (hash[h].key >= 0);
                if (hit) {
                    ent = hash[h].code;
                    continue;
                }
            }
            Put(static_cast<unsigned>(ent));
            ent = c;
            hash[h].code = static_cast<uint16_t>(nextFree++);
            hash[h].key = key;
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
        if (bitCount > 0) buffer[fill++] = static_cast<BYTE>(bits << (8 - bitCount));
        bitCount = 0;
        bits = 0;
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

// Every string the decoder knows was written to the output once already, as the previous code's
// string followed by one byte: an entry keeps where that copy starts and how long it is, and a
// code's string is copied from there (no walk through prefix links).
int CTIFFLzw::DecodeStrip(const BYTE* data, size_t size, BYTE* out, size_t outSize, size_t* written) {
    if (written) *written = 0;
    if (!data && size > 0) return kNullData;
    if (!out && outSize > 0) return kNullData;

    struct Entry {
        size_t offset;
        size_t length;
    };
    Entry* table = new (std::nothrow) Entry[kTableSize];
    if (!table) return kNoMemory;

    size_t in = 0;
    size_t pos = 0;
    uint64_t acc = 0;
    unsigned accBits = 0;
    unsigned width = kMinWidth;
    unsigned nextFree = kFirstFree;
    unsigned growAt = MaxCode(kMinWidth) - 1;  // the decoder widens one entry early
    bool havePrevious = false;
    size_t prevStart = 0, prevLength = 0;
    // The fixed 16-byte copy below writes past its string; the next strings write over those
    // bytes, but a stream that ends first would leave them behind. Their earlier contents are kept
    // here, by position modulo 32, from the first time they are written until the end.
    BYTE kept[32];
    size_t dirty = 0;  // the bytes before it have been written

    while (pos < outSize) {
        if (accBits < width) {
            while (accBits <= 56 && in < size) {
                acc = (acc << 8) | data[in++];
                accBits += 8;
            }
            if (accBits < width) break;  // the stream ends without End of Information
        }
        accBits -= width;
        const unsigned code = static_cast<unsigned>(acc >> accBits) & MaxCode(width);

        if (code < 256) {
            if (havePrevious && nextFree < kTableSize) {
                table[nextFree] = {prevStart, prevLength + 1};
                if (++nextFree > growAt && width < kMaxWidth) growAt = MaxCode(++width) - 1;
            }
            prevStart = pos;
            prevLength = 1;
            out[pos++] = static_cast<BYTE>(code);
            havePrevious = true;
            continue;
        }
        if (code == kEndOfInformation) break;
        if (code == kClear) {
            width = kMinWidth;
            nextFree = kFirstFree;
            growAt = MaxCode(kMinWidth) - 1;
            havePrevious = false;
            continue;
        }
        // After Clear (or at the start of a stream that omits it) only single bytes are known; a
        // code past the next free entry is a broken stream.
        if (!havePrevious || code > nextFree || (code == nextFree && nextFree >= kTableSize)) break;

        // code == nextFree: the entry being made, the previous string and its own first byte.
        const Entry string = code == nextFree ? Entry{prevStart, prevLength + 1} : table[code];
        if (nextFree < kTableSize) {
            // A full table takes no more entries: a stream that never clears goes on with what it has.
            table[nextFree] = {prevStart, prevLength + 1};
            if (++nextFree > growAt && width < kMaxWidth) growAt = MaxCode(++width) - 1;
        }
        const size_t n = string.length < outSize - pos ? string.length : outSize - pos;
        const BYTE* src = out + string.offset;
        BYTE* dst = out + pos;
        if (n <= 16 && string.offset + 16 <= pos && outSize - pos >= 16) {
            for (size_t i = dirty > pos + n ? dirty : pos + n; i < pos + 16; ++i) kept[i & 31] = out[i];
            if (dirty < pos + 16) dirty = pos + 16;
            memcpy(dst, src, 16);  // short strings in one fixed copy; the bytes past n are rewritten later
        } else if (string.offset + n <= pos) {
            memcpy(dst, src, n);
        } else {
            for (size_t i = 0; i < n; ++i) dst[i] = src[i];  // overlaps its own start
        }
        prevStart = pos;
        prevLength = string.length;
        pos += n;
    }
    delete[] table;
    for (size_t i = pos; i < dirty; ++i) out[i] = kept[i & 31];
    if (written) *written = pos;
    return pos == outSize ? kOk : kBadData;
}

uint64_t CTIFFLzw::LargestOutput(uint64_t bytes) {
    constexpr uint64_t kFar = uint64_t(1) << 48;  // beyond any source; keeps the products in range
    const uint64_t codes = (bytes < kFar ? bytes : kFar) * 8 / kMinWidth;
    if (codes <= kTableSize) return codes * (codes + 1) / 2;
    return uint64_t(kTableSize) * (kTableSize + 1) / 2 + (codes - kTableSize) * kTableSize;
}

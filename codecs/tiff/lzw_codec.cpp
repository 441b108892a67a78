#include "codecs/tiff/lzw_codec.h"

#include <array>
#include <atomic>
#include <cstring>
#include <new>

#include "codecs/tiff/lzw_codes.h"

using namespace tiff_lzw;

namespace {

constexpr unsigned kTableSize = 1u << kMaxWidth;  // 4096 codes
constexpr unsigned kEncoderLimit = kTableSize - 2;  // the encoder clears when its next code reaches 4094
constexpr long kCheckGap = 10000;
constexpr size_t kBufferSize = 8192;

inline void StoreBigEndian32(BYTE* p, uint32_t v) {
    v = __builtin_bswap32(v);
    memcpy(p, &v, 4);
}

}  // namespace

// Encoding state of one strip. A ratio checkpoint every 10000 input bytes clears the table when
// compression stops improving, and the table clears when its next code would be 4094: these
// choices decide the exact codes written, and they are the ones other TIFF writers make, so
// strips compare byte for byte. How the table finds a string does not change the codes.
//
// The table is indexed directly, one 16-bit slot per (string, next byte): a string's slot holds
// its code in the low 12 bits and the tag of the table it belongs to in the top 4. A clear takes
// the next tag instead of emptying 4094 slots; slots of older tags read as empty. The codes
// carry the tag along (ent below is tag | code), and a slot's index is (byte << 12) + ent, which
// is (byte + tag) << 12 | code: each tag uses its own run of 256 of the kColumns columns of 4096
// slots, so one load finds a string or its absence. After kTags clears the tags start again at
// 1, and the columns written since the last time are emptied then.
//
// The table (2.2 MB) is not cleared when the encoder is made, so that short strips do not pay for
// it: a chunk of 64 slots is cleaned the first time a lookup reaches it and stays clean for the
// encoder's life.
struct CTIFFLzw::Encoder {
    static constexpr unsigned kTags = 15;
    static constexpr unsigned kTagOne = 1u << kMaxWidth;
    static constexpr unsigned kCodeMask = kTagOne - 1;
    static constexpr unsigned kColumns = 256 + kTags;
    static constexpr unsigned kSlots = kColumns << kMaxWidth;
    static constexpr unsigned kChunkShift = 6;
    static constexpr unsigned kChunks = kSlots >> kChunkShift;
    uint16_t slots[kSlots];
    bool chunkClean[kChunks] = {};
    bool columnWritten[kColumns] = {};
    unsigned tag = 0;  // of the current table: 1 to kTags, times kTagOne
    std::vector<BYTE>* out = nullptr;
    BYTE buffer[kBufferSize + 4];  // a word stored at fill may reach past kBufferSize
    size_t fill = 0;
    unsigned width = kMinWidth;
    unsigned growAt = MaxCode(kMinWidth);  // past this code the width grows (or the table clears)
    unsigned nextFree = kFirstFree;
    long pending = -1;  // prefix code not yet written, -1 before the first byte
    uint64_t bits = 0;      // codes not yet stored, from the top bit down
    unsigned bitCount = 0;  // below 32 between codes
    uint64_t flushedBits = 0;  // bits handed to out
    uint64_t clearedAt = 0;    // the bit position of the last clear
    long inCount = 0;          // bytes read since the last clear
    long checkpoint = kCheckGap;
    long ratio = 0;

    static unsigned GrowAt(unsigned width) {
        return width < kMaxWidth ? MaxCode(width) : kEncoderLimit - 1;
    }

    void Start(std::vector<BYTE>* to) {
        ClearTable();
        out = to;
        fill = 0;
        width = kMinWidth;
        growAt = GrowAt(kMinWidth);
        pending = -1;
        bits = 0;
        bitCount = 0;
        flushedBits = 0;
        clearedAt = 0;
        inCount = 0;
        checkpoint = kCheckGap;
        ratio = 0;
    }

    void CleanChunk(unsigned chunk) {
        memset(slots + (chunk << kChunkShift), 0, sizeof slots[0] << kChunkShift);
        chunkClean[chunk] = true;
    }

    // A new, empty table: the next tag, or the first again once the columns written are emptied.
    void ClearTable() {
        if (tag == kTags * kTagOne) {
            constexpr unsigned kColumnChunks = 1u << (kMaxWidth - kChunkShift);
            for (unsigned column = 0; column < kColumns; ++column) {
                if (!columnWritten[column]) continue;
                memset(slots + (column << kMaxWidth), 0, sizeof slots[0] << kMaxWidth);
                memset(chunkClean + column * kColumnChunks, true, kColumnChunks);
                columnWritten[column] = false;
            }
            tag = 0;
        }
        tag += kTagOne;
        nextFree = kFirstFree;
    }

    uint64_t BitPosition() const { return flushedBits + uint64_t(fill) * 8 + bitCount; }

    void Flush() {
        out->insert(out->end(), buffer, buffer + fill);
        flushedBits += uint64_t(fill) * 8;
        fill = 0;
    }

    // Codes gather at the top of a 64-bit word and leave it four whole bytes at a time.
    void Put(unsigned code) {
        bits |= uint64_t(code) << (64 - bitCount - width);
        bitCount += width;
        if (bitCount >= 32) {
            StoreBigEndian32(buffer + fill, uint32_t(bits >> 32));
            fill += 4;
            bits <<= 32;
            bitCount -= 32;
            if (fill >= kBufferSize) Flush();
        }
    }

    // The whole bytes still gathered, then what is left of a last byte, zero-padded.
    void PutTail() {
        for (; bitCount > 0; bitCount = bitCount > 8 ? bitCount - 8 : 0) {
            buffer[fill++] = BYTE(bits >> 56);
            bits <<= 8;
        }
        bits = 0;
    }

    void Restart() {
        ClearTable();
        ratio = 0;
        inCount = 0;
        clearedAt = BitPosition();
        Put(kClear);
        width = kMinWidth;
        growAt = GrowAt(kMinWidth);
    }

    // After a new entry: the clear at the table's end, the next width, or the ratio checkpoint.
    void AfterEntry() {
        if (nextFree == kEncoderLimit) {
            Restart();
        } else if (nextFree > growAt) {
            ++width;
            growAt = GrowAt(width);
        } else if (inCount >= checkpoint) {
            checkpoint = inCount + kCheckGap;
            const long outCount = long(BitPosition() - clearedAt);  // at most 4094 codes
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

    void Encode(const BYTE* bp, size_t cc) {
        const BYTE* p = bp;
        const BYTE* const end = bp + cc;
        if (p == end) return;
        if (pending == -1) {
            Put(kClear);
            pending = *p++;
            ++inCount;
        }
        // The state lives in locals through the loop, and goes back to the members around the
        // steps that are rare: a new width, a clear, a checkpoint, a full buffer. inCount is
        // inBase + (p - bp); the checkpoint falls due from p - bp == due on.
        unsigned t = tag;
        unsigned ent = unsigned(pending) | t;
        uint64_t acc = bits;
        unsigned count = bitCount;
        unsigned w = width;
        unsigned next = nextFree;
        unsigned grow = growAt;
        BYTE* at = buffer + fill;
        BYTE* const full = buffer + kBufferSize;
        int64_t inBase = inCount - (p - bp);
        int64_t due = checkpoint - inBase;
        while (p != end) {
            const unsigned c = *p++;
            const unsigned index = (c << kMaxWidth) + ent;
            if (!chunkClean[index >> kChunkShift]) CleanChunk(index >> kChunkShift);
            const unsigned found = slots[index];
            if ((found & ~kCodeMask) == t) {
                ent = found;
                continue;
            }
            // Not in the table: write ent, enter ent + c as the next code, go on from c.
            acc |= uint64_t(ent & kCodeMask) << (64 - count - w);
            count += w;
            StoreBigEndian32(at, uint32_t(acc >> 32));
            const unsigned words = count >> 5;  // 0 or 1
            acc <<= 32 * words;
            count -= 32 * words;
            at += 4 * words;
            slots[index] = uint16_t(t | next);
            columnWritten[index >> kMaxWidth] = true;
            ++next;
            ent = t | c;
            if (next > grow || p - bp >= due || at >= full) {
                bits = acc;
                bitCount = count;
                nextFree = next;
                fill = size_t(at - buffer);
                inCount = long(inBase + (p - bp));
                if (at >= full) Flush();
                AfterEntry();
                t = tag;
                ent = t | c;
                acc = bits;
                count = bitCount;
                w = width;
                next = nextFree;
                grow = growAt;
                at = buffer + fill;
                inBase = inCount - (p - bp);
                due = checkpoint - inBase;
            }
        }
        bits = acc;
        bitCount = count;
        nextFree = next;
        fill = size_t(at - buffer);
        inCount = long(inBase + (p - bp));
        pending = long(ent & kCodeMask);
    }

    void Finish() {
        if (pending != -1) {
            Put(static_cast<unsigned>(pending));
            pending = -1;
            // The decoder enters one more code after this one; the end code must be written at
            // the width the decoder reads it with.
            const unsigned entered = nextFree + 1;
            if (entered == kEncoderLimit) {
                Put(kClear);
                width = kMinWidth;
            } else if (entered > MaxCode(width) && width < kMaxWidth) {
                ++width;
            }
        }
        Put(kEndOfInformation);
        PutTail();
        Flush();
    }
};

// An encoder is a 2.2 MB block that any strip can start on as it is, so the one an object leaves
// is kept for the next object to take, on whichever thread, instead of going back to the heap:
// strips written one after another (pages, PDF images) do not each map and touch a new block.
// One is kept; it goes when the program (or the library) ends.
struct CTIFFLzw::SpareEncoder {
    std::atomic<Encoder*> kept{nullptr};
    ~SpareEncoder() { delete kept.exchange(nullptr); }
    static SpareEncoder& Get() {
        static SpareEncoder spare;
        return spare;
    }
};

CTIFFLzw::CTIFFLzw() = default;

CTIFFLzw::~CTIFFLzw() {
    if (m_encoder) delete SpareEncoder::Get().kept.exchange(m_encoder.release());
}

int CTIFFLzw::EncodeSetup(std::vector<BYTE>* out) {
    if (!out) return kNullData;
    if (!m_encoder) m_encoder.reset(SpareEncoder::Get().kept.exchange(nullptr));
    try {
        if (!m_encoder) m_encoder.reset(new Encoder);  // not value-initialised: table chunks are cleaned on first use
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    m_encoder->Start(out);
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

#include "core/zip_archive.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include <zlib.h>

namespace {

constexpr DWORD kEndOfDirectory = 0x06054b50;
constexpr DWORD kDirectoryHeader = 0x02014b50;
constexpr DWORD kLocalHeader = 0x04034b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kDirectoryHeaderSize = 46;
constexpr size_t kLocalHeaderSize = 30;
// Deflate writes at most 258 bytes for every two bits it reads, so no stream inflates to more than
// about 1032 times its length: a directory that claims more lies, and nothing is reserved for it.
constexpr uint64_t kMaxDeflateRatio = 1032;
constexpr uint64_t kDeflateSlack = 64;

DWORD U32(const BYTE* p) { return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24; }
WORD U16(const BYTE* p) { return WORD(p[0] | p[1] << 8); }

bool Inflate(const BYTE* in, size_t inSize, BYTE* out, size_t outSize) {
    z_stream stream = {};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
    size_t inPos = 0, outPos = 0;
    int status = Z_OK;
    while (status == Z_OK) {
        const uInt inChunk = static_cast<uInt>(std::min<size_t>(inSize - inPos, 1u << 30));
        const uInt outChunk = static_cast<uInt>(std::min<size_t>(outSize - outPos, 1u << 30));
        stream.next_in = const_cast<BYTE*>(in + inPos);
        stream.avail_in = inChunk;
        stream.next_out = out + outPos;
        stream.avail_out = outChunk;
        status = inflate(&stream, Z_NO_FLUSH);
        inPos += inChunk - stream.avail_in;
        outPos += outChunk - stream.avail_out;
        // No progress with input left or room left: the stream is damaged or longer than declared.
        if (status == Z_OK && inChunk == stream.avail_in && outChunk == stream.avail_out) status = Z_DATA_ERROR;
        if (status == Z_BUF_ERROR) status = Z_DATA_ERROR;
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END && outPos == outSize;
}

}  // namespace

bool IsSafeZipEntryName(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\') return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos) end = name.size();
        const std::string part = name.substr(start, end - start);
        if (part == "." || part == "..") return false;
        // An empty part is allowed only as the trailing separator of a folder entry.
        if (part.empty() && end != name.size() && end + 1 != name.size()) return false;
        start = end + 1;
    }
    for (unsigned char c : name) {
        if (c < 0x20 || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|') return false;
    }
    return true;
}

ZipResult ReadZipArchive(const BYTE* data, size_t size, size_t maxTotal,
                         const std::function<bool(const ZipEntryView&)>& handler) {
    if (!data || size < kEndRecordSize) return ZipResult::NotZip;
    // The end record is within the last 64 KiB + 22 bytes (its comment is at most 65535 bytes).
    size_t end = size - kEndRecordSize;
    const size_t lowest = size > kEndRecordSize + 0xFFFF ? size - kEndRecordSize - 0xFFFF : 0;
    for (;;) {
        if (U32(data + end) == kEndOfDirectory) break;
        if (end == lowest) return ZipResult::NotZip;
        --end;
    }
    const BYTE* record = data + end;
    const WORD entries = U16(record + 10);
    const DWORD directorySize = U32(record + 12);
    const DWORD directoryOffset = U32(record + 16);
    if (entries == 0xFFFF || directoryOffset == 0xFFFFFFFF) return ZipResult::Unsupported;
    if (U16(record + 4) != 0 || U16(record + 6) != 0 || U16(record + 8) != entries) return ZipResult::Unsupported;
    if (uint64_t(directoryOffset) + directorySize > end) return ZipResult::Corrupt;

    size_t pos = directoryOffset;
    const size_t directoryEnd = size_t(directoryOffset) + directorySize;
    uint64_t total = 0;
    std::vector<BYTE> inflated;
    for (WORD i = 0; i < entries; ++i) {
        if (pos + kDirectoryHeaderSize > directoryEnd) return ZipResult::Corrupt;
        const BYTE* header = data + pos;
        if (U32(header) != kDirectoryHeader) return ZipResult::Corrupt;
        const WORD flags = U16(header + 8);
        const WORD method = U16(header + 10);
        const DWORD crc = U32(header + 16);
        const DWORD packedSize = U32(header + 20);
        const DWORD fullSize = U32(header + 24);
        const size_t nameLength = U16(header + 28);
        const size_t extraLength = U16(header + 30);
        const size_t commentLength = U16(header + 32);
        const DWORD localOffset = U32(header + 42);
        const size_t next = pos + kDirectoryHeaderSize + nameLength + extraLength + commentLength;
        if (next > directoryEnd) return ZipResult::Corrupt;
        ZipEntryView entry;
        entry.name.assign(reinterpret_cast<const char*>(header + kDirectoryHeaderSize), nameLength);
        if (!IsSafeZipEntryName(entry.name)) return ZipResult::UnsafeName;
        entry.directory = entry.name.back() == '/' || entry.name.back() == '\\';
        if (flags & 1) return ZipResult::Unsupported;  // encrypted
        if (packedSize == 0xFFFFFFFF || fullSize == 0xFFFFFFFF || localOffset == 0xFFFFFFFF) return ZipResult::Unsupported;
        if (method != 0 && method != 8) return ZipResult::Unsupported;

        if (uint64_t(localOffset) + kLocalHeaderSize > directoryOffset) return ZipResult::Corrupt;
        const BYTE* local = data + localOffset;
        if (U32(local) != kLocalHeader) return ZipResult::Corrupt;
        const uint64_t start = uint64_t(localOffset) + kLocalHeaderSize + U16(local + 26) + U16(local + 28);
        if (start + packedSize > directoryOffset) return ZipResult::Corrupt;
        const BYTE* packed = data + start;

        entry.data = nullptr;
        entry.size = 0;
        if (!entry.directory) {
            total += fullSize;
            if (total > maxTotal) return ZipResult::TooLarge;
            if (method == 0) {
                if (packedSize != fullSize) return ZipResult::Corrupt;
                entry.data = packed;
            } else {
                if (fullSize > uint64_t(packedSize) * kMaxDeflateRatio + kDeflateSlack) return ZipResult::Corrupt;
                try {
                    inflated.resize(fullSize ? fullSize : 1);
                } catch (const std::bad_alloc&) {
                    return ZipResult::TooLarge;
                }
                if (!Inflate(packed, packedSize, inflated.data(), fullSize)) return ZipResult::Corrupt;
                entry.data = inflated.data();
            }
            entry.size = fullSize;
            uLong sum = crc32(0L, Z_NULL, 0);
            for (size_t done = 0; done < fullSize;) {
                const uInt chunk = static_cast<uInt>(std::min<size_t>(fullSize - done, 1u << 30));
                sum = crc32(sum, entry.data + done, chunk);
                done += chunk;
            }
            if (sum != crc) return ZipResult::Corrupt;
        }
        if (!handler(entry)) return ZipResult::Refused;
        pos = next;
    }
    return ZipResult::Ok;
}

const char* ZipResultText(ZipResult result) {
    switch (result) {
        case ZipResult::Ok: return "ok";
        case ZipResult::NotZip: return "not a zip file";
        case ZipResult::Corrupt: return "damaged zip file";
        case ZipResult::Unsupported: return "unsupported zip entry (encrypted, zip64 or unknown compression)";
        case ZipResult::UnsafeName: return "zip entry name outside the destination folder";
        case ZipResult::TooLarge: return "zip file too large";
        case ZipResult::Refused: return "zip entry could not be written";
    }
    return "";
}

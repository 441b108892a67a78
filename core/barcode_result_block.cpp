#include "core/barcode_result_block.h"

#include <cstring>

namespace {

class BlockReader {
public:
    BlockReader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}
    size_t Remaining() const { return m_size - m_pos; }
    bool ReadU32(DWORD& value) {
        if (Remaining() < 4) return false;
        const BYTE* p = m_data + m_pos;
        value = DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
        m_pos += 4;
        return true;
    }
    bool ReadFloat(float& value) {
        DWORD bits;
        if (!ReadU32(bits)) return false;
        std::memcpy(&value, &bits, sizeof value);
        return true;
    }
    const BYTE* Take(size_t count) {
        const BYTE* p = m_data + m_pos;
        m_pos += count;
        return p;
    }

private:
    const BYTE* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// The smallest record: format and text length (a text cut at the end of the block ends it).
constexpr size_t kSmallestRecord = 8;

}  // namespace

bool ReadBarcodeResultBlock(const BYTE* block, size_t size, std::vector<BarcodeResult>& results) {
    results.clear();
    if (!block) return false;
    BlockReader reader(block, size);
    DWORD count = 0;
    if (!reader.ReadU32(count)) return false;
    const size_t fitting = reader.Remaining() / kSmallestRecord;
    if (count > fitting) count = static_cast<DWORD>(fitting);
    results.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        BarcodeResult result;
        DWORD format = 0, length = 0;
        if (!reader.ReadU32(format) || !reader.ReadU32(length)) break;
        result.format = static_cast<LONG>(format);
        const bool cut = length > reader.Remaining();
        const size_t taken = cut ? reader.Remaining() : length;
        result.text.assign(reinterpret_cast<const char*>(reader.Take(taken)), taken);
        DWORD points = 0;
        if (cut || !reader.ReadU32(points)) {
            results.push_back(std::move(result));
            break;
        }
        const size_t pairs = reader.Remaining() / 8;
        const bool pointsCut = points > pairs;
        const size_t kept = pointsCut ? pairs : points;
        result.x.reserve(kept);
        result.y.reserve(kept);
        for (size_t p = 0; p < kept; ++p) {
            float x = 0, y = 0;
            reader.ReadFloat(x);
            reader.ReadFloat(y);
            result.x.push_back(x);
            result.y.push_back(y);
        }
        results.push_back(std::move(result));
        if (pointsCut) break;
    }
    return true;
}

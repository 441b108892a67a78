// Arbitrary bytes as the control's persisted-property stream from a container's storage. The
// first byte picks the entry types the stream is read for (the control's table has every kind);
// the stream is read as the control reads it, up to the first refused value, and every value that
// is accepted must be of the entry's type and, for texts, within the bound and terminated.
#include <cstdlib>
#include <cstring>

#include "activex/persisted_stream_format.h"

namespace {

class MemoryReader : public PersistedStreamReader {
public:
    MemoryReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    LONG ReadExact(void* out, uint32_t size) override {
        if (size > m_size - m_at) {
            m_at = m_size;
            return kPersistedBadFormat;
        }
        memcpy(out, m_data + m_at, size);
        m_at += size;
        return 0;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

constexpr uint16_t kEntryTypes[] = {kPersistedShort, kPersistedLong, kPersistedFloat, kPersistedText,
                                    kPersistedBool,  kPersistedInt,  0x4011};  // and one no entry has

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 1u << 20) return 0;
    const uint8_t pick = data[0];
    MemoryReader reader(data + 1, size - 1);
    PersistedStreamHead head;
    if (reader.ReadHead(&head) != 0) return 0;
    if (head.version > kPersistedStreamVersion) abort();
    for (int i = 0; i < 64; ++i) {
        const uint16_t entry = kEntryTypes[(pick + i * (1 + (pick >> 5))) % 7];
        PersistedValue value;
        if (reader.ReadValue(entry, &value) != 0) break;
        const bool typeOk = value.type == entry || (entry == kPersistedInt && value.type == kPersistedLong);
        if (!typeOk) abort();
        if (value.type == kPersistedText) {
            if (value.nullText && !value.text.empty()) abort();
            if ((value.text.size() + 1) * 2 > kMaxPersistedTextBytes) abort();
        } else if (PersistedValueBytes(value.type) == 0) {
            abort();
        }
    }
    return 0;
}

// The reader of the control's persisted-property stream, on streams written byte by byte here:
// little-endian words, serialised values and UTF-16 texts with their terminators.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "activex/persisted_stream_format.h"

namespace {

class Bytes : public PersistedStreamReader {
public:
    Bytes& U16(uint16_t v) {
        m_bytes.push_back(uint8_t(v));
        m_bytes.push_back(uint8_t(v >> 8));
        return *this;
    }
    Bytes& U32(uint32_t v) { return U16(uint16_t(v)).U16(uint16_t(v >> 16)); }
    Bytes& Text(const std::u16string& text, bool terminated = true) {
        U16(8).U32(uint32_t(text.size() + terminated) * 2);
        for (char16_t c : text) U16(c);
        if (terminated) U16(0);
        return *this;
    }
    LONG ReadExact(void* out, uint32_t size) override {
        if (size > m_bytes.size() - m_at) return kPersistedBadFormat;
        memcpy(out, m_bytes.data() + m_at, size);
        m_at += size;
        return 0;
    }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_at = 0;
};

int16_t Short(const PersistedValue& v) {
    int16_t s;
    memcpy(&s, v.bytes, 2);
    return s;
}

int32_t Long(const PersistedValue& v) {
    int32_t l;
    memcpy(&l, v.bytes, 4);
    return l;
}

TEST(PersistedStream, ReadsTheHeadAndEveryKindOfValue) {
    const float stdDev = 1.5f;
    uint32_t stdDevBits;
    memcpy(&stdDevBits, &stdDev, 4);
    Bytes stream;
    stream.U32(0x900).U32(16933).U32(12700);
    stream.U16(2).U16(85);                          // short
    stream.Text(u"Lumetta Scanner \u00e9");           // text
    stream.U16(8).U32(0);                           // null text
    stream.U16(3).U32(21);                          // VT_I4 where the entry is an int
    stream.U16(4).U32(stdDevBits);                  // float
    stream.U16(11).U16(0xFFFF);                     // VARIANT_TRUE
    PersistedStreamHead head;
    ASSERT_EQ(stream.ReadHead(&head), 0);
    EXPECT_EQ(head.version, 0x900u);
    EXPECT_EQ(head.cx, 16933u);
    EXPECT_EQ(head.cy, 12700u);
    PersistedValue v;
    ASSERT_EQ(stream.ReadValue(kPersistedShort, &v), 0);
    EXPECT_EQ(Short(v), 85);
    ASSERT_EQ(stream.ReadValue(kPersistedText, &v), 0);
    EXPECT_EQ(std::u16string(v.text.begin(), v.text.end()), u"Lumetta Scanner \u00e9");
    EXPECT_FALSE(v.nullText);
    ASSERT_EQ(stream.ReadValue(kPersistedText, &v), 0);
    EXPECT_TRUE(v.nullText);
    ASSERT_EQ(stream.ReadValue(kPersistedInt, &v), 0);
    EXPECT_EQ(v.type, kPersistedLong);
    EXPECT_EQ(Long(v), 21);
    ASSERT_EQ(stream.ReadValue(kPersistedFloat, &v), 0);
    float read;
    memcpy(&read, v.bytes, 4);
    EXPECT_EQ(read, 1.5f);
    ASSERT_EQ(stream.ReadValue(kPersistedBool, &v), 0);
    EXPECT_EQ(Short(v), -1);
}

TEST(PersistedStream, VersionsUpToTheCurrentOneAreRead) {
    for (uint32_t version : {0u, 0x800u, 0x900u}) {
        Bytes stream;
        stream.U32(version).U32(1).U32(2);
        PersistedStreamHead head;
        EXPECT_EQ(stream.ReadHead(&head), 0) << version;
    }
    for (uint32_t version : {0x901u, 0xFFFFFFFFu}) {
        Bytes stream;
        stream.U32(version).U32(1).U32(2);
        PersistedStreamHead head;
        EXPECT_EQ(stream.ReadHead(&head), kPersistedBadFormat) << version;
    }
    Bytes cut;
    cut.U32(0x900).U16(7);
    PersistedStreamHead head;
    EXPECT_EQ(cut.ReadHead(&head), kPersistedBadFormat);
}

TEST(PersistedStream, HostileValuesAreRefused) {
    PersistedValue v;
    {
        Bytes stream;  // another type than the entry's
        stream.U16(3).U32(5);
        EXPECT_EQ(stream.ReadValue(kPersistedShort, &v), kPersistedBadFormat);
    }
    {
        Bytes stream;  // an int entry's VT_I4 is fine, a short entry's is not, nor a text for a number
        stream.U16(8).U32(2).U16(0);
        EXPECT_EQ(stream.ReadValue(kPersistedInt, &v), kPersistedBadFormat);
    }
    {
        Bytes stream;  // odd byte count
        stream.U16(8).U32(5).U16('a').U16('b').U16(0);
        EXPECT_EQ(stream.ReadValue(kPersistedText, &v), kPersistedBadFormat);
    }
    {
        Bytes stream;  // beyond the bound, whatever follows
        stream.U16(8).U32(kMaxPersistedTextBytes + 2);
        EXPECT_EQ(stream.ReadValue(kPersistedText, &v), kPersistedBadFormat);
    }
    {
        Bytes stream;  // exactly at the bound
        stream.Text(std::u16string(kMaxPersistedTextBytes / 2 - 1, u'x'));
        ASSERT_EQ(stream.ReadValue(kPersistedText, &v), 0);
        EXPECT_EQ(v.text.size(), kMaxPersistedTextBytes / 2 - 1);
    }
    {
        Bytes stream;  // no terminator
        stream.Text(u"abc", false);
        EXPECT_EQ(stream.ReadValue(kPersistedText, &v), kPersistedBadFormat);
    }
    {
        Bytes stream;  // a text cut short
        stream.U16(8).U32(40).U16('a');
        EXPECT_EQ(stream.ReadValue(kPersistedText, &v), kPersistedBadFormat);
    }
    {
        Bytes stream;  // a number cut short
        stream.U16(3).U16(1);
        EXPECT_EQ(stream.ReadValue(kPersistedLong, &v), kPersistedBadFormat);
    }
}

}  // namespace

// The Base64 codec: known texts, the decoder's documented leniencies, buffer reuse and the size
// checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/base64.h"

namespace {

std::string EncodeToString(const std::string& bytes) {
    CBase64 codec;
    EXPECT_TRUE(codec.Encode(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())));
    const char* text = codec.GetEncodedText();
    EXPECT_NE(text, nullptr);
    EXPECT_EQ(strlen(text), codec.OutputLength());
    return text ? text : "";
}

std::string DecodeToString(const std::string& text) {
    CBase64 codec;
    EXPECT_TRUE(codec.Decode(text.data(), static_cast<DWORD>(text.size())));
    DWORD length = 0;
    BYTE* data = codec.GetDecodedData(&length);
    return std::string(reinterpret_cast<const char*>(data), length);
}

// The decoder's rules written out plainly, one character at a time: skipped characters left out,
// each value looked up and masked to six bits, "=" as 0 in a group's last two places (and one
// byte fewer for each), a short last group of 2 or 3 characters giving 1 or 2 bytes.
std::vector<BYTE> PlainDecode(const std::string& text) {
    const BYTE* table = CBase64::DecodingTable();
    std::string kept;
    for (unsigned char c : text)
        if (!((c >= 7 && c <= 13) || c == ' ')) kept += char(c);
    std::vector<BYTE> out;
    size_t i = 0;
    for (; i + 4 <= kept.size(); i += 4) {
        BYTE v[4];
        for (int k = 0; k < 4; ++k) {
            BYTE t = table[BYTE(kept[i + k])];
            v[k] = k >= 2 && t == 255 ? 0 : BYTE(t & 63);
        }
        BYTE bytes[3] = {BYTE(v[0] << 2 | v[1] >> 4), BYTE(v[1] << 4 | v[2] >> 2), BYTE(v[2] << 6 | v[3])};
        size_t n = 3 - (table[BYTE(kept[i + 2])] == 255) - (table[BYTE(kept[i + 3])] == 255);
        out.insert(out.end(), bytes, bytes + n);
    }
    if (size_t rest = kept.size() - i) {
        BYTE v[4] = {0, 0, 0, 0};
        for (size_t k = 0; k < rest; ++k) {
            BYTE t = table[BYTE(kept[i + k])];
            v[k] = t == 255 ? 0 : BYTE(t & 63);
        }
        BYTE bytes[2] = {BYTE(v[0] << 2 | v[1] >> 4), BYTE(v[1] << 4 | v[2] >> 2)};
        out.insert(out.end(), bytes, bytes + (rest - 1));
    }
    return out;
}

}  // namespace

TEST(Base64, EncodesWithPadding) {
    EXPECT_EQ(EncodeToString("abc"), "YWJj");
    EXPECT_EQ(EncodeToString("ab"), "YWI=");
    EXPECT_EQ(EncodeToString("a"), "YQ==");
    EXPECT_EQ(EncodeToString(""), "");
    EXPECT_EQ(EncodeToString(std::string("\xfb\xff\x00", 3)), "+/8A");
}

// Every length up to a few vector blocks and every starting offset, against the encoding
// written out plainly one group at a time: the text and the padding are the same.
TEST(Base64, RandomBytesOfEveryLengthEncodeAsThePlainRules) {
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::mt19937 rng(12);
    std::string bytes(300, '\0');
    for (char& c : bytes) c = char(rng());
    for (size_t start = 0; start < 4; ++start)
        for (size_t length = 0; start + length <= bytes.size(); ++length) {
            const std::string in = bytes.substr(start, length);
            std::string expected;
            for (size_t i = 0; i < length; i += 3) {
                const size_t n = std::min<size_t>(3, length - i);
                uint32_t v = 0;
                for (size_t k = 0; k < 3; ++k) v = v << 8 | (k < n ? BYTE(in[i + k]) : 0u);
                for (size_t k = 0; k < 4; ++k) expected += k <= n ? alphabet[(v >> (18 - 6 * k)) & 63] : '=';
            }
            ASSERT_EQ(EncodeToString(in), expected) << "length " << length << " from " << start;
        }
}

TEST(Base64, EncodeTextOfNullDoesNothing) {
    CBase64 codec;
    EXPECT_FALSE(codec.EncodeText(nullptr));
    EXPECT_EQ(codec.GetEncodedText(), nullptr);
    EXPECT_TRUE(codec.EncodeText("abcd"));
    EXPECT_STREQ(codec.GetEncodedText(), "YWJjZA==");
}

TEST(Base64, DecodesShortAndPaddedGroups) {
    EXPECT_EQ(DecodeToString("YQ=="), "a");
    EXPECT_EQ(DecodeToString("YQ"), "a");
    EXPECT_EQ(DecodeToString("YWI="), "ab");
    EXPECT_EQ(DecodeToString("YWI"), "ab");
    EXPECT_EQ(DecodeToString("Y"), "");
    // Three characters give two bytes, whatever the third one is.
    EXPECT_EQ(DecodeToString("YQ="), std::string("a\0", 2));
    EXPECT_EQ(DecodeToString("YWJj"), "abc");
}

TEST(Base64, SkipsBlanksAndLineBreaks) {
    EXPECT_EQ(DecodeToString("YW\r\nJj"), "abc");
    EXPECT_EQ(DecodeToString(" Y\tW\vJ\fj\a\b"), "abc");
    EXPECT_EQ(DecodeToString("      "), "");
    EXPECT_EQ(DecodeToString(""), "");
}

TEST(Base64, FilteredTextEndsAtItsLastKeptCharacter) {
    // A skipped character at the end is not left behind as the text's last character.
    for (const char* text : {"AB\n", "A B\r\n\t", "\n\n", "QUJD"}) {
        CBase64 codec;
        ASSERT_TRUE(codec.FilterText(text, static_cast<DWORD>(strlen(text))));
        std::string kept;
        for (const char* c = text; *c; ++c)
            if (!strchr(" \t\r\n\v\f", *c)) kept += *c;
        EXPECT_EQ(codec.OutputLength(), kept.size()) << text;
        EXPECT_STREQ(codec.GetEncodedText(), kept.c_str()) << text;
    }
    // Reused over a longer text, nothing of the earlier one shows past the new end.
    CBase64 codec;
    ASSERT_TRUE(codec.FilterText("ABCDEFGH", 8));
    ASSERT_TRUE(codec.FilterText("XY\n\n", 4));
    EXPECT_STREQ(codec.GetEncodedText(), "XY");
}

TEST(Base64, StrayCharactersActAsPlusAndHighBytesAsTheirLowSevenBits) {
    // "*" is outside the alphabet and reads as "+" (62); 0xD9 reads as "Y" (0x59).
    EXPECT_EQ(DecodeToString("*WJj"), DecodeToString("+WJj"));
    EXPECT_EQ(DecodeToString("Y*Jj"), DecodeToString("Y+Jj"));
    EXPECT_EQ(DecodeToString("YW*j"), DecodeToString("YW+j"));
    EXPECT_EQ(DecodeToString("YWJ*"), DecodeToString("YWJ+"));
    EXPECT_EQ(DecodeToString("\xd9WJj"), "abc");
    // "=" among the first two characters of a group reads as "/".
    EXPECT_EQ(DecodeToString("=WJj"), DecodeToString("/WJj"));
}

TEST(Base64, PaddingInsideTheTextShortensTheGroupAndTheNextOneFollows) {
    // "YQ==" gives one byte; the next group's bytes follow it directly.
    EXPECT_EQ(DecodeToString("YQ==YWJj"), "aabc");
    EXPECT_EQ(DecodeToString("YQ=="
                             "YQ=="),
              "aa");
}

TEST(Base64, DecodedDataIsFollowedByZeros) {
    CBase64 codec;
    ASSERT_TRUE(codec.DecodeText("YWJjZA=="));
    DWORD length = 0;
    BYTE* data = codec.GetDecodedData(&length);
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(data[4], 0);
    EXPECT_EQ(data[5], 0);
}

TEST(Base64, BuffersAreReusedAndCleared) {
    CBase64 codec;
    std::string big(10000, 'x');
    ASSERT_TRUE(codec.Encode(reinterpret_cast<const BYTE*>(big.data()), static_cast<DWORD>(big.size())));
    char* first = codec.GetEncodedText();
    ASSERT_TRUE(codec.EncodeText("a"));
    EXPECT_EQ(codec.GetEncodedText(), first);  // grown once, then reused
    EXPECT_STREQ(codec.GetEncodedText(), "YQ==");
    EXPECT_EQ(codec.GetEncodedText()[4], 0);   // the old text is gone
    EXPECT_EQ(codec.GetEncodedText()[100], 0);
}

TEST(Base64, PrepareGrowsInStepsOf4096AndRefusesSizesBeyond32Bits) {
    CBase64 codec;
    ASSERT_TRUE(codec.PrepareOutput(4096));
    BYTE* block = reinterpret_cast<BYTE*>(codec.GetEncodedText());
    block[8191] = 1;  // (4096 / 4096 + 1) * 4096 bytes are ours
    ASSERT_TRUE(codec.PrepareOutput(8000));
    EXPECT_EQ(reinterpret_cast<BYTE*>(codec.GetEncodedText()), block);
    EXPECT_EQ(block[8191], 0);
    EXPECT_FALSE(codec.PrepareOutput(0x100000000ull));
    EXPECT_EQ(codec.GetEncodedText(), nullptr);
    EXPECT_FALSE(codec.PrepareInput(0xFFFFF001ull));  // its rounded size passes 4 GiB
    EXPECT_EQ(codec.GetData(), nullptr);
}

TEST(Base64, EncodeOfMoreThanTwoGigabytesFailsBeforeReadingTheBytes) {
    // Twice the length does not fit the 32-bit text size: refused before the input is copied,
    // so the one real byte behind the pointer is never read past.
    CBase64 codec;
    static const BYTE kByte = 0;
    EXPECT_FALSE(codec.Encode(&kByte, 0x80000001u));
    EXPECT_EQ(codec.GetEncodedText(), nullptr);
    EXPECT_TRUE(codec.Encode(&kByte, 1));
    EXPECT_STREQ(codec.GetEncodedText(), "AA==");
}

TEST(Base64, GroupOperationsMatchTheirBitLayout) {
    CBase64 codec;
    BYTE values[4];
    const BYTE three[3] = {'a', 'b', 'c'};
    codec.SplitGroup(three, values);
    EXPECT_EQ(values[0], 24);
    EXPECT_EQ(values[1], 22);
    EXPECT_EQ(values[2], 9);
    EXPECT_EQ(values[3], 35);
    BYTE back[3];
    codec.JoinGroup(values, back);
    EXPECT_EQ(memcmp(back, three, 3), 0);
    char out[4];
    codec.EncodeGroup({{'a', 0, 0, 0}, 1}, out);
    EXPECT_EQ(std::string(out, 4), "YQ==");
    EXPECT_TRUE(codec.IsSkippedCharacter(7));
    EXPECT_TRUE(codec.IsSkippedCharacter(13));
    EXPECT_TRUE(codec.IsSkippedCharacter(' '));
    EXPECT_FALSE(codec.IsSkippedCharacter(6));
    EXPECT_FALSE(codec.IsSkippedCharacter(14));
}

TEST(Base64, DecodingTableMarksStraysAndPadding) {
    const BYTE* table = CBase64::DecodingTable();
    EXPECT_EQ(table[static_cast<BYTE>('A')], 0);
    EXPECT_EQ(table[static_cast<BYTE>('/')], 63);
    EXPECT_EQ(table[static_cast<BYTE>('/') + 128], 63);
    EXPECT_EQ(table[static_cast<BYTE>('=')], 255);
    EXPECT_EQ(table[static_cast<BYTE>('=') + 128], 255);
    EXPECT_EQ(table[static_cast<BYTE>('*')], 254);
    EXPECT_EQ(table[0], 254);
}

// Long runs of alphabet characters (which the decoder takes sixteen at a time) broken by every
// kind of character it treats on its own, decoded by one object again and again: the bytes are
// those of the plain rules, and everything past them up to the buffer's end is zero.
TEST(Base64, RandomTextsDecodeAsThePlainRulesAndLeaveZerosBehind) {
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const BYTE others[] = {'=', '=' + 128, ' ', '\n', '\r', 7, 13, 6, 14, '*', '-', 0x80, 0xFF, '@', '[', '`', '{'};
    std::mt19937 rng(35);
    CBase64 codec;
    ULONGLONG largest = 0;
    for (int round = 0; round < 400; ++round) {
        std::string text;
        const size_t length = rng() % (round < 200 ? 80 : 700);
        const unsigned breaks = rng() % 4;  // 0: alphabet only (high bits set at random)
        for (size_t i = 0; i < length; ++i) {
            unsigned char c = static_cast<unsigned char>(alphabet[rng() % 64]);
            if (rng() % 8 == 0) c = static_cast<unsigned char>(c + 128);
            if (breaks && rng() % (12 * breaks) == 0) c = others[rng() % sizeof(others)];
            text += char(c);
        }
        ASSERT_TRUE(codec.Decode(text.data(), static_cast<DWORD>(text.size())));
        largest = std::max<ULONGLONG>(largest, text.size());
        const std::vector<BYTE> expected = PlainDecode(text);
        DWORD got = 0;
        const BYTE* data = codec.GetDecodedData(&got);
        ASSERT_EQ(got, expected.size()) << text;
        if (got) {
            ASSERT_EQ(memcmp(data, expected.data(), got), 0) << text;
        }
        const ULONGLONG capacity = (largest / 4096 + 1) * 4096;
        for (ULONGLONG k = got; k < capacity; ++k) ASSERT_EQ(data[k], 0) << "byte " << k << " of " << text;
    }
}

// An encode over a buffer that held a longer text clears what is left of it.
TEST(Base64, EncodeOverALongerTextLeavesOnlyZerosPastTheNewOne) {
    CBase64 codec;
    std::vector<BYTE> bytes(3000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = BYTE(i * 7 + 1);
    ASSERT_TRUE(codec.Encode(bytes.data(), static_cast<DWORD>(bytes.size())));
    ASSERT_TRUE(codec.Encode(bytes.data(), 10));
    EXPECT_EQ(std::string(codec.GetEncodedText()), EncodeToString(std::string(bytes.begin(), bytes.begin() + 10)));
    for (size_t k = codec.OutputLength(); k < 8192; ++k) ASSERT_EQ(codec.GetEncodedText()[k], 0) << k;
}

// Runs of decodes and then of encodes on one object, longer and shorter in turn, with nothing
// looked at in between, and bytes written past the data through the handed-out buffers: after each run
// the data is that of the plain rules and the rest of the buffer up to its end is zero.
TEST(Base64, RunsOfReusesLeaveOnlyZerosPastTheLastData) {
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::mt19937 rng(3535);
    CBase64 codec;
    const size_t kLongest = 5000;  // the text buffer of an encode is twice the bytes: 12288 bytes
    std::vector<BYTE> bytes(kLongest);
    for (BYTE& b : bytes) b = BYTE(rng());
    for (int run = 0; run < 30; ++run) {
        std::string text;
        std::vector<size_t> lengths;
        for (int k = 0; k < 4; ++k) lengths.push_back(k == 0 ? kLongest : rng() % kLongest);
        for (size_t length : lengths) {
            text.clear();
            for (size_t i = 0; i < length; ++i) text += alphabet[rng() % 64];
            ASSERT_TRUE(codec.Decode(text.data(), static_cast<DWORD>(text.size())));
        }
        const std::vector<BYTE> expected = PlainDecode(text);
        DWORD got = 0;
        BYTE* data = codec.GetDecodedData(&got);
        ASSERT_EQ(got, expected.size());
        if (got) {
            ASSERT_EQ(memcmp(data, expected.data(), got), 0) << text;
        }
        for (size_t k = got; k < (kLongest / 4096 + 1) * 4096; ++k) ASSERT_EQ(data[k], 0) << "byte " << k << " run " << run;
        // An encode leaves the decoded bytes in place (with the length 0): those runs come after.
        for (size_t length : lengths) ASSERT_TRUE(codec.Encode(bytes.data(), static_cast<DWORD>(length)));
        char* encoded = codec.GetEncodedText();
        const size_t last = lengths.back();
        EXPECT_EQ(std::string(encoded), EncodeToString(std::string(bytes.begin(), bytes.begin() + last)));
        for (size_t k = codec.OutputLength(); k < (2 * kLongest / 4096 + 1) * 4096; ++k)
            ASSERT_EQ(encoded[k], 0) << "text byte " << k << " run " << run;
        // What a caller leaves past the data is cleared by the next run as well.
        data[got + rng() % 100] = 1;
        data[(kLongest / 4096 + 1) * 4096 - 1] = 1;
        encoded[codec.OutputLength() + rng() % 100] = 'x';
        encoded[(2 * kLongest / 4096 + 1) * 4096 - 1] = 'x';
    }
}

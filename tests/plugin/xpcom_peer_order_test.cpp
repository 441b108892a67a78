// The peer's slots against the published member table, transcribed into
// tests/plugin/data/xpcom_peer_slots.txt, and the positions of the members that only this route
// runs.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "plugin/xpcom_scriptable_peer.h"

namespace {

struct Slot {
    std::string name;
    std::string kind;
};

std::vector<Slot> Transcribed() {
    std::ifstream in(LUMETTA_PEER_SLOTS_FILE);
    std::vector<Slot> slots;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        size_t index = 0;
        Slot s;
        fields >> index >> s.name >> s.kind;
        EXPECT_EQ(index, slots.size()) << line;
        slots.push_back(s);
    }
    return slots;
}

std::string KindName(char kind) { return kind == 'm' ? "method" : kind == 'g' ? "get" : "set"; }

}  // namespace

TEST(XpcomPeerSlots, FollowThePublishedTableOneByOne) {
    std::vector<Slot> expected = Transcribed();
    ASSERT_EQ(expected.size(), 530u);
    size_t count = 0;
    const XpcomPeerSlot* slots = XpcomPeerSlots(&count);
    ASSERT_EQ(count, expected.size());
    EXPECT_EQ(kXpcomPeerMemberSlots, 530u);
    for (size_t i = 0; i < count; ++i) {
        EXPECT_EQ(slots[i].name, expected[i].name) << "slot " << i;
        EXPECT_EQ(KindName(slots[i].kind), expected[i].kind) << "slot " << i;
    }
}

TEST(XpcomPeerSlots, CountTheScriptNamesByKind) {
    size_t count = 0;
    const XpcomPeerSlot* slots = XpcomPeerSlots(&count);
    size_t methods = 0, getters = 0, setters = 0;
    for (size_t i = 0; i < count; ++i) {
        methods += slots[i].kind == 'm';
        getters += slots[i].kind == 'g';
        setters += slots[i].kind == 's';
    }
    // 150 methods, 110 read-only and 135 read/write properties.
    EXPECT_EQ(methods, 150u);
    EXPECT_EQ(getters, 245u);
    EXPECT_EQ(setters, 135u);
}

TEST(XpcomPeerSlots, RouteOnlyMembersStandWhereTheTableSays) {
    size_t count = 0;
    const XpcomPeerSlot* s = XpcomPeerSlots(&count);
    ASSERT_EQ(count, 530u);
    EXPECT_STREQ(s[349].name, "ReadBarcode");
    EXPECT_STREQ(s[352].name, "ReadBarcodeDirectlyEx");
    EXPECT_STREQ(s[353].name, "OCRTessDataPath");
    EXPECT_STREQ(s[366].name, "OCRUseDetectedFont");
    EXPECT_EQ(s[366].kind, 's');
    EXPECT_STREQ(s[367].name, "OCR");
    EXPECT_STREQ(s[372].name, "OCRSelectedImagesEx");
    EXPECT_STREQ(s[373].name, "OCREx1");
    EXPECT_STREQ(s[374].name, "HTTPDownloadOCRLangData");
    EXPECT_STREQ(s[375].name, "MagType");
    EXPECT_STREQ(s[376].name, "MagData");
    EXPECT_STREQ(s[380].name, "ShowFileDialog");
    EXPECT_STREQ(s[382].name, "SupportedDeviceType");
    EXPECT_EQ(s[382].kind, 's');
    EXPECT_STREQ(s[529].name, "IfShowProgressBar");
    EXPECT_EQ(s[529].kind, 's');
}

// CErrorMessages: fixed, composed, custom, system and WinInet texts.
#include <gtest/gtest.h>

#include <string>

#include "base/error_codes.h"
#include "engine/error_messages.h"

namespace {

std::string Text(CErrorMessages& m, LONG code, LONG secondary = 0) {
    const char* t = m.GetErrorText(code, secondary);
    return t ? t : "<none>";
}

TEST(ErrorMessages, EveryFixedCodeThroughTheHolder) {
    CErrorMessages control, plugin(true);
    size_t count = 0;
    const FixedErrorEntry* table = FixedErrorTable(&count);
    for (size_t i = 0; i < count; ++i) EXPECT_EQ(Text(control, table[i].code), table[i].text);
    EXPECT_EQ(Text(plugin, -1030),
              "Can not open Source Manager. TWain_32.dll is missing or is in use by another application.");
    EXPECT_EQ(Text(plugin, -1035), "There is no image.");
}

TEST(ErrorMessages, HttpProcessErrorComposesItsSecondaryCode) {
    CErrorMessages m;
    EXPECT_EQ(Text(m, -2003), "HTTP process error.");
    EXPECT_EQ(Text(m, -2003, -1033), "HTTP process error: Invalid index.");
    EXPECT_EQ(Text(m, -2003, -1007), "HTTP process error: -1007.");
    EXPECT_EQ(Text(m, -2003, -2003), "HTTP process error: HTTP process error.");
    // A custom text longer than the buffer is cut, never written past it.
    std::string longText(3000, 'x');
    m.SetCustomText(longText.c_str());
    std::string composed = Text(m, -2003, -2120);
    EXPECT_EQ(composed.size(), 1023u);
    EXPECT_EQ(composed.substr(0, 22), "HTTP process error: xx");
}

TEST(ErrorMessages, CustomTexts) {
    CErrorMessages m;
    EXPECT_EQ(Text(m, -2121), "General failure.");
    m.SetCustomText("Camera unplugged.");
    EXPECT_EQ(Text(m, -2119), "Camera unplugged.");
    EXPECT_EQ(Text(m, -2121), "Camera unplugged.");
    m.SetCustomText(nullptr);
    EXPECT_EQ(m.GetCustomText(), nullptr);
    EXPECT_EQ(Text(m, -2120), "General failure.");
    m.SetCustomText("again");
    m.FreeCustomText();
    EXPECT_EQ(Text(m, -2120), "General failure.");
}

TEST(ErrorMessages, SystemAndWinInetTexts) {
    CErrorMessages m;
    // -3002 stands for system error 2 (file not found).
    std::string notFound = Text(m, -3002);
    EXPECT_NE(notFound, "<none>");
    EXPECT_LT(notFound.size(), 1024u);
    EXPECT_EQ(Text(m, -1007), "<none>");  // error number -1993: no text
    EXPECT_EQ(Text(m, -1008), "<none>");
    EXPECT_FALSE(m.GetSystemErrorText(-1007));
    // The WinInet band comes from wininet.dll: 12002 is the time-out.
    std::string timeout = Text(m, -15002);
    EXPECT_NE(timeout, "<none>");
    EXPECT_NE(timeout, notFound);
    // Just outside the band the system table answers (and has nothing for these numbers).
    EXPECT_EQ(Text(m, -14999), "<none>");
    EXPECT_EQ(Text(m, -15176), "<none>");
}

}  // namespace

// The Base64 codec against an independent implementation: Python's base64 module, on random data
// of random sizes, in both directions.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>

#include "core/base64.h"
#include "support/temp_folder.h"

namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

// Python's base64 module over every case file of a folder, in one run: for each "N.bin" it writes
// its text to "N.py64", and for each "N.our64" (our text) the bytes it decodes to "N.pyraw".
const char kOracle[] =
    "import base64,glob,sys\n"
    "for p in glob.glob(sys.argv[1]+'/*.bin'):\n"
    "    open(p[:-4]+'.py64','wb').write(base64.b64encode(open(p,'rb').read()))\n"
    "for p in glob.glob(sys.argv[1]+'/*.our64'):\n"
    "    open(p[:-6]+'.pyraw','wb').write(base64.b64decode(open(p,'rb').read(), validate=True))\n";

}  // namespace

TEST(Base64Oracle, EncodesAndDecodesAsPythonOnRandomSizes) {
    std::mt19937 rng(20261209);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<size_t> sizes = {0, 1, 2, 3, 4, 5, 57, 4095, 4096, 4097, 12289};
    std::uniform_int_distribution<size_t> size(0, 300000);
    for (int i = 0; i < 12; ++i) sizes.push_back(size(rng));

    const std::string dir = testsupport::TempSubfolder("base64");
    std::vector<std::string> data, ours;
    for (size_t c = 0; c < sizes.size(); ++c) {
        std::string bytes(sizes[c], '\0');
        for (auto& b : bytes) b = static_cast<char>(byte(rng));
        CBase64 encoder;
        ASSERT_TRUE(encoder.Encode(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())));
        ours.push_back(encoder.GetEncodedText());
        WriteFile(dir + "/" + std::to_string(c) + ".bin", bytes);
        WriteFile(dir + "/" + std::to_string(c) + ".our64", ours.back());
        data.push_back(std::move(bytes));
    }
    std::string script = dir + "/oracle.py";
    WriteFile(script, kOracle);
    ASSERT_EQ(system(("python3 " + script + " " + dir).c_str()), 0);

    for (size_t c = 0; c < sizes.size(); ++c) {
        std::string base = dir + "/" + std::to_string(c);
        EXPECT_EQ(ours[c], ReadFile(base + ".py64")) << "encode of " << sizes[c] << " bytes";
        EXPECT_EQ(ReadFile(base + ".pyraw"), data[c]) << "Python's decode of our " << sizes[c] << " bytes";

        // Python's text with line breaks every 76 characters, as mail tools write it, decodes to
        // the same bytes with ours.
        std::string python = ReadFile(base + ".py64"), wrapped;
        for (size_t p = 0; p < python.size(); p += 76) wrapped += python.substr(p, 76) + "\r\n";
        CBase64 decoder;
        ASSERT_TRUE(decoder.DecodeText(wrapped.c_str()));
        DWORD length = 0;
        BYTE* bytes = decoder.GetDecodedData(&length);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), length), data[c]) << "decode of " << sizes[c] << " bytes";
        for (const char* ext : {".bin", ".our64", ".py64", ".pyraw"}) unlink((base + ext).c_str());
    }
    unlink(script.c_str());
    rmdir(dir.c_str());
}

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

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

// Runs python3 with a script over an input file and returns what it wrote to the output file.
std::string RunPython(const char* script, const std::string& input) {
    char dir[] = "/tmp/lumetta_b64_XXXXXX";
    if (!mkdtemp(dir)) return "<no temp dir>";
    std::string in = std::string(dir) + "/in", out = std::string(dir) + "/out";
    WriteFile(in, input);
    std::string command = std::string("python3 -c '") + script + "' " + in + " " + out;
    int status = system(command.c_str());
    std::string result = status == 0 ? ReadFile(out) : "<python3 failed>";
    unlink(in.c_str());
    unlink(out.c_str());
    rmdir(dir);
    return result;
}

const char kEncode[] =
    "import base64,sys; open(sys.argv[2],\"wb\").write(base64.b64encode(open(sys.argv[1],\"rb\").read()))";
const char kDecode[] =
    "import base64,sys; open(sys.argv[2],\"wb\").write(base64.b64decode(open(sys.argv[1],\"rb\").read(), "
    "validate=True))";

}  // namespace

TEST(Base64Oracle, EncodesAndDecodesAsPythonOnRandomSizes) {
    std::mt19937 rng(20261209);
    std::uniform_int_distribution<int> byte(0, 255);
    const size_t sizes[] = {0, 1, 2, 3, 4, 5, 57, 4095, 4096, 4097, 12289};
    std::vector<size_t> all(std::begin(sizes), std::end(sizes));
    std::uniform_int_distribution<size_t> size(0, 300000);
    for (int i = 0; i < 8; ++i) all.push_back(size(rng));
    for (size_t n : all) {
        std::string data(n, '\0');
        for (auto& c : data) c = static_cast<char>(byte(rng));
        CBase64 encoder;
        ASSERT_TRUE(encoder.Encode(reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(n)));
        std::string ours = encoder.GetEncodedText();
        ASSERT_EQ(ours, RunPython(kEncode, data)) << "encode of " << n << " bytes";
        ASSERT_EQ(RunPython(kDecode, ours), data) << "python decode of " << n << " bytes";

        // Python's text, with line breaks every 76 characters as mail tools write it, decodes to
        // the same bytes with ours.
        std::string wrapped;
        for (size_t p = 0; p < ours.size(); p += 76) wrapped += ours.substr(p, 76) + "\r\n";
        CBase64 decoder;
        ASSERT_TRUE(decoder.DecodeText(wrapped.c_str()));
        DWORD length = 0;
        BYTE* bytes = decoder.GetDecodedData(&length);
        ASSERT_EQ(std::string(reinterpret_cast<char*>(bytes), length), data) << "decode of " << n << " bytes";
    }
}

// Base64 of 64 MB, encode and decode, against OpenSSL's EVP_EncodeBlock/EVP_DecodeBlock on the
// same bytes in the same process: both produce the whole output in one block, as ours does.
// Both sides get the same allocation pattern on each line: the "fresh" lines allocate a new
// zeroed block of the size our codec asks for and free it again inside the measurement, the
// "_reused" lines write into a block that both sides have touched before. Two more lines compare
// with coreutils base64 (a streaming tool run as a subprocess on a file, its output discarded):
// it reuses one small buffer for the whole run, so our side runs on a codec whose block it has
// touched before, as on the "_reused" lines; a fresh block's first touch is the system's work, and
// the tool never has one. The two sides of a line run in turns.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <vector>

#include <openssl/evp.h>

#include "bench_timing.h"
#include "core/base64.h"

namespace {

constexpr size_t kSize = 64u << 20;
constexpr int kRuns = 7;

bool WriteAll(const std::string& path, const void* data, size_t size) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(data, 1, size, f) == size;
    return fclose(f) == 0 && ok;
}

// Runs coreutils base64 with the given option on a file, output to /dev/null; true on exit 0.
// posix_spawn rather than fork: a fork marks every page of this process copy-on-write, and our
// side's next writes into its blocks would each fault, a cost of the measurement, not the codec.
bool RunCoreutils(const char* option, const std::string& path) {
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return false;
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>("base64"), const_cast<char*>(option), const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    int started = posix_spawnp(&pid, "base64", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// OpenSSL's block calls into a block of the given capacity; the decoded length without padding.
void OpensslEncode(const BYTE* data, size_t size, unsigned char* out) {
    if (EVP_EncodeBlock(out, data, static_cast<int>(size)) != static_cast<int>((size + 2) / 3 * 4)) abort();
}

size_t OpensslDecode(const std::string& text, unsigned char* out) {
    int n = EVP_DecodeBlock(out, reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    if (n < 0) abort();
    size_t pad = text.size() >= 2 ? (text[text.size() - 1] == '=') + (text[text.size() - 2] == '=') : 0;
    return size_t(n) - pad;
}

}  // namespace

int main() {
    // No KeepFreedMemory here: the fresh lines are about a new block's first touch, and blocks of
    // this size are mapped afresh for both sides alike.
    std::vector<BYTE> data(kSize);
    std::mt19937_64 rng(64);
    for (size_t i = 0; i < kSize; i += 8) {
        uint64_t v = rng();
        memcpy(&data[i], &v, 8);
    }
    // The sizes our codec allocates for the two directions (it keeps no more than this).
    CBase64 encoder;
    if (!encoder.Encode(data.data(), kSize)) return 1;
    std::string encoded(encoder.GetEncodedText(), encoder.OutputLength());
    CBase64 decoder;
    if (!decoder.Decode(encoded.data(), static_cast<DWORD>(encoded.size())) || decoder.InputLength() != kSize ||
        memcmp(decoder.GetData(), data.data(), kSize) != 0)
        return 1;
    const size_t encodeBlock = (2 * kSize / 4096 + 1) * 4096, decodeBlock = (encoded.size() / 4096 + 1) * 4096;

    // Both sides agree on the text and the bytes before anything is timed.
    {
        std::vector<unsigned char> text(encodeBlock), bytes(decodeBlock);
        OpensslEncode(data.data(), kSize, text.data());
        if (memcmp(text.data(), encoded.data(), encoded.size()) != 0) return 1;
        if (OpensslDecode(encoded, bytes.data()) != kSize || memcmp(bytes.data(), data.data(), kSize) != 0) return 1;
    }

    Timing ownEncode, refEncode;
    MedianMsInTurns(
        kRuns,
        [&] {
            CBase64 codec;
            if (!codec.Encode(data.data(), kSize)) abort();
        },
        [&] {
            auto* out = static_cast<unsigned char*>(calloc(encodeBlock, 1));
            if (!out) abort();
            OpensslEncode(data.data(), kSize, out);
            free(out);
        },
        &ownEncode, &refEncode);
    Report("base64_encode_64mb", ownEncode, refEncode);

    unsigned char* keptText = static_cast<unsigned char*>(calloc(encodeBlock, 1));
    if (!keptText) return 1;
    OpensslEncode(data.data(), kSize, keptText);
    Timing ownEncodeReused, refEncodeReused;
    MedianMsInTurns(
        kRuns, [&] { if (!encoder.Encode(data.data(), kSize)) abort(); },
        [&] { OpensslEncode(data.data(), kSize, keptText); }, &ownEncodeReused, &refEncodeReused);
    Report("base64_encode_64mb_reused", ownEncodeReused, refEncodeReused);
    free(keptText);

    Timing ownDecode, refDecode;
    MedianMsInTurns(
        kRuns,
        [&] {
            CBase64 codec;
            if (!codec.Decode(encoded.data(), static_cast<DWORD>(encoded.size())) || codec.InputLength() != kSize) abort();
        },
        [&] {
            auto* out = static_cast<unsigned char*>(calloc(decodeBlock, 1));
            if (!out) abort();
            if (OpensslDecode(encoded, out) != kSize) abort();
            free(out);
        },
        &ownDecode, &refDecode);
    Report("base64_decode_64mb", ownDecode, refDecode);

    unsigned char* keptBytes = static_cast<unsigned char*>(calloc(decodeBlock, 1));
    if (!keptBytes) return 1;
    OpensslDecode(encoded, keptBytes);
    Timing ownDecodeReused, refDecodeReused;
    MedianMsInTurns(
        kRuns, [&] { if (!decoder.Decode(encoded.data(), static_cast<DWORD>(encoded.size()))) abort(); },
        [&] { if (OpensslDecode(encoded, keptBytes) != kSize) abort(); }, &ownDecodeReused, &refDecodeReused);
    Report("base64_decode_64mb_reused", ownDecodeReused, refDecodeReused);
    free(keptBytes);

    // The streaming tool, as a second reference, against runs on codecs whose blocks were touched.
    char dir[] = "/tmp/lumetta_bench_b64_XXXXXX";
    if (!mkdtemp(dir)) return 1;
    std::string raw = std::string(dir) + "/raw", text = std::string(dir) + "/text";
    if (!WriteAll(raw, data.data(), kSize) || !WriteAll(text, encoded.data(), encoded.size())) return 1;
    Timing ownEncodeTool, toolEncode, ownDecodeTool, toolDecode;
    MedianMsInTurns(
        kRuns,
        [&] { if (!encoder.Encode(data.data(), kSize)) abort(); },
        [&] { if (!RunCoreutils("-w0", raw)) abort(); }, &ownEncodeTool, &toolEncode);
    Report("base64_encode_64mb_coreutils", ownEncodeTool, toolEncode);
    MedianMsInTurns(
        kRuns,
        [&] {
            if (!decoder.Decode(encoded.data(), static_cast<DWORD>(encoded.size())) || decoder.InputLength() != kSize)
                abort();
        },
        [&] { if (!RunCoreutils("-d", text)) abort(); }, &ownDecodeTool, &toolDecode);
    Report("base64_decode_64mb_coreutils", ownDecodeTool, toolDecode);
    unlink(raw.c_str());
    unlink(text.c_str());
    rmdir(dir);
    return 0;
}

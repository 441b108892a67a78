#include "internet_test_support.h"

#include <wincrypt.h>

#include <cstring>

std::vector<FormPart> SplitMultipart(const RecordedRequest& request) {
    std::vector<FormPart> parts;
    const std::string boundary = QuotedParameter(request.Header("Content-Type") + ";", "boundary");
    if (boundary.empty()) return parts;
    const std::string line = "--" + boundary;
    const std::string& body = request.body;
    size_t at = body.find(line);
    while (at != std::string::npos) {
        at += line.size();
        if (body.compare(at, 2, "--") == 0) break;  // the closing line
        if (body.compare(at, 2, "\r\n") != 0) break;
        at += 2;
        const size_t headEnd = body.find("\r\n\r\n", at);
        const size_t next = body.find("\r\n" + line, at);
        if (headEnd == std::string::npos || next == std::string::npos || headEnd > next) break;
        FormPart part;
        for (size_t h = at; h < headEnd;) {
            size_t end = body.find("\r\n", h);
            if (end == std::string::npos || end > headEnd) end = headEnd;
            const std::string header = body.substr(h, end - h);
            if (_strnicmp(header.c_str(), "Content-Disposition:", 20) == 0)
                part.disposition = header.substr(header.find_first_not_of(' ', 20));
            h = end + 2;
        }
        part.content = body.substr(headEnd + 4, next - headEnd - 4);
        parts.push_back(part);
        at = next + 2;
    }
    return parts;
}

std::string QuotedParameter(const std::string& header, const std::string& name) {
    for (const std::string& quote : {std::string("\""), std::string()}) {
        const std::string key = name + "=" + quote;
        size_t at = header.find(key);
        if (at == std::string::npos) continue;
        at += key.size();
        const size_t end = quote.empty() ? header.find_first_of("; \r\n", at) : header.find('"', at);
        return header.substr(at, end == std::string::npos ? std::string::npos : end - at);
    }
    return {};
}

std::string BmpRgbRows(const std::string& file) {
    auto u32 = [&file](size_t at) {
        uint32_t v = 0;
        std::memcpy(&v, file.data() + at, 4);
        return v;
    };
    if (file.size() < 54 || file.compare(0, 2, "BM") != 0) return {};
    const int32_t width = static_cast<int32_t>(u32(18)), height = static_cast<int32_t>(u32(22));
    const uint16_t bits = static_cast<uint16_t>(static_cast<unsigned char>(file[28]) | (file[29] << 8));
    const uint32_t offset = u32(10);
    if (bits != 24 || width <= 0 || height <= 0) return {};
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    if (offset + stride * height > file.size()) return {};
    std::string rgb;
    for (int32_t y = height - 1; y >= 0; --y) {
        const char* row = file.data() + offset + stride * y;
        for (int32_t x = 0; x < width; ++x) {
            rgb += row[x * 3 + 2];
            rgb += row[x * 3 + 1];
            rgb += row[x * 3];
        }
    }
    return rgb;
}

std::vector<std::pair<uint32_t, uint32_t>> TiffPageSizes(const std::string& file) {
    std::vector<std::pair<uint32_t, uint32_t>> pages;
    if (file.size() < 8 || file.compare(0, 4, std::string("II*\0", 4)) != 0) return pages;
    auto u16 = [&file](size_t at) { return static_cast<uint32_t>(static_cast<unsigned char>(file[at]) |
                                                                  static_cast<unsigned char>(file[at + 1]) << 8); };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    for (uint32_t ifd = u32(4); ifd != 0 && pages.size() < 64;) {
        if (ifd + 2 > file.size()) return {};
        const uint32_t count = u16(ifd);
        if (ifd + 2 + count * 12 + 4 > file.size()) return {};
        uint32_t width = 0, length = 0;
        for (uint32_t i = 0; i < count; ++i) {
            const size_t entry = ifd + 2 + i * 12;
            const uint32_t tag = u16(entry), type = u16(entry + 2);
            const uint32_t value = type == 3 ? u16(entry + 8) : u32(entry + 8);
            if (tag == 256) width = value;
            if (tag == 257) length = value;
        }
        pages.emplace_back(width, length);
        ifd = u32(ifd + 2 + count * 12);
    }
    return pages;
}

std::string SystemBase64Decode(const std::string& text) {
    DWORD size = 0;
    if (!CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64, nullptr, &size,
                              nullptr, nullptr))
        return {};
    std::string bytes(size, '\0');
    if (!CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64,
                              reinterpret_cast<BYTE*>(bytes.data()), &size, nullptr, nullptr))
        return {};
    bytes.resize(size);
    return bytes;
}

std::string FreshTempPath(const char* extension) {
    char folder[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "plg", 0, path);
    DeleteFileA(path);
    return std::string(path) + extension;
}

void LoopbackPlugin::SetUp() {
    ScriptObject::SetUp();
    servers = ReadLoopbackServers();
    ASSERT_GT(servers.http, 0) << "the loopback servers are not running";
    ASSERT_TRUE(Set("HTTPPort", browser::IntVariant(servers.http)));
    ASSERT_TRUE(Set("FTPPort", browser::IntVariant(servers.ftp)));
    // The harness presses the buttons of every dialog its thread shows within 200 ms, as an
    // impatient user would; transfers that must run to their end go without the cancel dialog.
    ASSERT_TRUE(Set("IfShowCancelDialogWhenImageTransfer", browser::BoolVariant(false)));
}

bool LoopbackPlugin::CallBool(const char* name, std::vector<NPVariant> args) {
    return Call(name, std::move(args)) && result.type == NPVariantType_Bool && result.value.boolValue;
}

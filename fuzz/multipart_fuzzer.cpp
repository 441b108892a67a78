// Field names, values and the file name of a POST body from fuzz data: every body is built
// without overrun, each header line stays one line, and the body ends with the closing line.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/multipart_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Texts are separated by 0 bytes: field name, value, name, value, ..., then the file name last.
    std::vector<std::string> texts(1);
    for (size_t i = 0; i < size && texts.size() < 40; ++i) {
        if (data[i] == 0) texts.emplace_back();
        else texts.back() += static_cast<char>(data[i]);
    }
    std::string fileName = texts.back();
    texts.pop_back();
    std::vector<MultipartField> fields;
    for (size_t i = 0; i + 1 < texts.size(); i += 2) fields.push_back({texts[i].c_str(), texts[i + 1].c_str()});
    HGLOBAL body = nullptr;
    uint64_t bodySize = 0;
    int result = BuildMultipartBody(fields.data(), static_cast<int>(fields.size()), fileName.c_str(), fileName.c_str(),
                                    data, size, &body, &bodySize);
    if (result != kMultipartOk) {
        if (body) abort();
        return 0;
    }
    std::string text(static_cast<const char*>(body), bodySize);
    GlobalFree(body);
    std::string closing = std::string("\r\n--") + kMultipartBoundary + "--\r\n";
    if (text.size() < closing.size() || text.compare(text.size() - closing.size(), closing.size(), closing) != 0) abort();
    // No header may be ended early: every Content-Disposition line ends right after its quote.
    for (size_t at = text.find("Content-Disposition:"); at != std::string::npos && at < text.size() - size;
         at = text.find("Content-Disposition:", at + 1)) {
        size_t end = text.find("\r\n", at);
        std::string line = text.substr(at, end - at);
        if (line.back() != '"' && line.substr(line.size() - 2) != "; ") abort();
    }
    return 0;
}

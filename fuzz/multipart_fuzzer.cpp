// Field names, values and the file name of a POST body from fuzz data: every body is built
// without overrun and splits into exactly the parts it was given.
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
                                    reinterpret_cast<const BYTE*>("IMG"), 3, &body, &bodySize);
    if (result != kMultipartOk) {
        if (body) abort();
        return 0;
    }
    std::string text(static_cast<const char*>(body), bodySize);
    GlobalFree(body);
    // The body splits into exactly its parts: one delimiter after each named field and one closing,
    // so no name, value or file name could open or end a part of its own.
    std::string line = std::string("--") + kMultipartBoundary;
    std::string delimiter = "\r\n" + line;
    if (text.compare(0, line.size() + 2, line + "\r\n") != 0) abort();
    if (text.compare(text.size() - delimiter.size() - 4, delimiter.size() + 4, delimiter + "--\r\n") != 0) abort();
    size_t named = 0, found = 0;
    for (const auto& f : fields) named += f.name[0] != 0;
    for (size_t at = text.find(delimiter); at != std::string::npos; at = text.find(delimiter, at + 1)) ++found;
    if (found != named + 1) abort();
    return 0;
}

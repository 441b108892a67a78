#include "core/multipart_body.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The largest body WinInet can be told about: Content-Length is formatted as a signed 32-bit value.
constexpr uint64_t kMaxBodyBytes = 0x7FFFFFFFull;

std::string BoundaryLine() { return std::string("--") + kMultipartBoundary + "\r\n"; }

std::string FieldPartHead(const char* name) {
    std::string head = BoundaryLine();
    head += "Content-Disposition: form-data; name=\"";
    head += EscapeMultipartHeaderText(name, strlen(name));
    head += "\"; \r\n\r\n";
    return head;
}

std::string ImagePartHead(const char* fieldName, const char* fileNameUtf8) {
    const char* name = fieldName ? fieldName : "";
    const char* file = fileNameUtf8 ? fileNameUtf8 : "";
    size_t fileLength = Utf8PrefixLength(file, strlen(file), kMaxUploadFileNameBytes);
    std::string head = BoundaryLine();
    head += "Content-Disposition: form-data; name=\"";
    head += EscapeMultipartHeaderText(name, strlen(name));
    head += "\"; filename=\"";
    head += EscapeMultipartHeaderText(file, fileLength);
    head += "\"\r\nContent-Type: application/octet-stream\r\n\r\n";
    return head;
}

std::string Closing() { return std::string("\r\n--") + kMultipartBoundary + "--\r\n"; }

// A value that holds a delimiter would end its part early and let the page forge parts. The
// value follows a CRLF, so one that starts with the boundary line counts as well.
bool HoldsDelimiter(const char* value) {
    std::string delimiter = std::string("\r\n--") + kMultipartBoundary;
    std::string text = std::string("\r\n") + value;
    return text.find(delimiter) != std::string::npos;
}

}  // namespace

std::string MultipartRequestHeaders(uint64_t bodySize) {
    char text[160];
    snprintf(text, sizeof(text), "Content-Type: multipart/form-data; boundary=%s\r\nContent-Length: %d",
             kMultipartBoundary, static_cast<int>(bodySize > kMaxBodyBytes ? kMaxBodyBytes : bodySize));
    return text;
}

std::string EscapeMultipartHeaderText(const char* text, size_t length) {
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        switch (text[i]) {
            case '"': out += "%22"; break;
            case '\r': out += "%0D"; break;
            case '\n': out += "%0A"; break;
            default: out += text[i]; break;
        }
    }
    return out;
}

size_t Utf8PrefixLength(const char* text, size_t length, size_t max) {
    if (length <= max) return length;
    size_t cut = max;
    // Step back over continuation bytes (10xxxxxx) to the start of the character that does not fit.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

int LayOutMultipartBody(const MultipartField* fields, int fieldCount, const char* fieldName, const char* fileNameUtf8,
                        uint64_t fileSize, HGLOBAL* body, uint64_t* bodySize, BYTE** fileAt) {
    *body = nullptr;
    *bodySize = 0;
    *fileAt = nullptr;
    std::vector<std::string> heads;
    std::vector<const char*> values;
    uint64_t total = 0;
    for (int i = 0; i < fieldCount; ++i) {
        const char* name = fields[i].name;
        if (!name || !*name) continue;
        const char* value = fields[i].value ? fields[i].value : "";
        if (HoldsDelimiter(value)) return kMultipartBadValue;
        heads.push_back(FieldPartHead(name));
        values.push_back(value);
        total += heads.back().size() + strlen(value) + 2;
    }
    std::string imageHead = ImagePartHead(fieldName, fileNameUtf8);
    std::string closing = Closing();
    if (fileSize > kMaxBodyBytes) return kMultipartBadValue;
    total += imageHead.size() + fileSize + closing.size();
    if (total > kMaxBodyBytes) return kMultipartBadValue;

    HGLOBAL block = GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(total));
    if (!block) return kMultipartNoMemory;
    BYTE* out = static_cast<BYTE*>(block);
    auto put = [&out](const void* bytes, size_t count) {
        if (count) memcpy(out, bytes, count);
        out += count;
    };
    for (size_t i = 0; i < heads.size(); ++i) {
        put(heads[i].data(), heads[i].size());
        put(values[i], strlen(values[i]));
        put("\r\n", 2);
    }
    put(imageHead.data(), imageHead.size());
    *fileAt = out;
    out += fileSize;
    put(closing.data(), closing.size());
    *body = block;
    *bodySize = total;
    return kMultipartOk;
}

int BuildMultipartBody(const MultipartField* fields, int fieldCount, const char* fieldName, const char* fileNameUtf8,
                       const BYTE* file, uint64_t fileSize, HGLOBAL* body, uint64_t* bodySize) {
    BYTE* fileAt = nullptr;
    int result = LayOutMultipartBody(fields, fieldCount, fieldName, fileNameUtf8, fileSize, body, bodySize, &fileAt);
    if (result == kMultipartOk && fileSize) memcpy(fileAt, file, static_cast<size_t>(fileSize));
    return result;
}

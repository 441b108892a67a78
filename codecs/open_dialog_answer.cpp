#include "codecs/open_dialog_answer.h"

#include <cstring>

namespace {

// The text at offset within the buffer: up to its NUL or the buffer's end.
std::string TextAt(const char* buffer, size_t size, size_t offset) {
    const void* end = std::memchr(buffer + offset, '\0', size - offset);
    const size_t length = end ? static_cast<size_t>(static_cast<const char*>(end) - (buffer + offset)) : size - offset;
    return std::string(buffer + offset, length);
}

}  // namespace

std::vector<std::string> SplitOpenDialogAnswer(const char* buffer, size_t size) {
    std::vector<std::string> paths;
    if (!buffer || size == 0) return paths;
    const std::string first = TextAt(buffer, size, 0);
    size_t offset = first.size() + 1;
    if (offset >= size || buffer[offset] == '\0') {
        paths.push_back(first);
        return paths;
    }
    std::string folder = first;
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    while (offset < size && buffer[offset] != '\0') {
        const std::string name = TextAt(buffer, size, offset);
        paths.push_back(folder + name);
        offset += name.size() + 1;
    }
    return paths;
}

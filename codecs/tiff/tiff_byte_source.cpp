#include "codecs/tiff/tiff_byte_source.h"

#include <cstring>

namespace {

// fseek and ftell take a long, 32 bits on Windows: bytes past 2 GiB are out of reach.
constexpr uint64_t kLargestFileOffset = 0x7FFFFFFF;

}  // namespace

bool TiffMemorySource::Read(uint64_t offset, void* target, size_t count) const {
    const BYTE* view = View(offset, count);
    if (!view) return false;
    if (count) memcpy(target, view, count);
    return true;
}

const BYTE* TiffMemorySource::View(uint64_t offset, size_t count) const {
    if (!m_bytes || offset > m_size || count > m_size - offset) return nullptr;
    return m_bytes + offset;
}

TiffFileSource::TiffFileSource(const char* path) {
    if (!path) return;
    m_file = fopen(path, "rb");
    if (!m_file) return;
    if (fseek(m_file, 0, SEEK_END) == 0) {
        const long end = ftell(m_file);
        // A file too large for ftell is read as far as the offsets reach.
        m_size = end >= 0 ? uint64_t(end) : kLargestFileOffset;
    }
}

TiffFileSource::~TiffFileSource() {
    if (m_file) fclose(m_file);
}

bool TiffFileSource::Read(uint64_t offset, void* target, size_t count) const {
    if (!m_file || offset > m_size || count > m_size - offset) return false;
    if (fseek(m_file, static_cast<long>(offset), SEEK_SET) != 0) return false;
    return fread(target, 1, count, m_file) == count;
}

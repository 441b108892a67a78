#include "codecs/pdf/pdf_output.h"

#include <cstring>
#include <new>

PdfOutput::~PdfOutput() {
    if (m_file) std::fclose(m_file);
}

bool PdfOutput::OpenFile(const char* path) {
    m_file = std::fopen(path, "w+b");
    return m_file != nullptr;
}

bool PdfOutput::CloseFile() {
    if (!m_file) return !m_failed;
    if (std::fclose(m_file) != 0) m_failed = true;
    m_file = nullptr;
    return !m_failed;
}

void PdfOutput::Write(const void* bytes, size_t count) {
    if (m_failed || count == 0) return;
    if (m_file) {
        if (std::fwrite(bytes, 1, count, m_file) != count) m_failed = true;
    } else {
        try {
            auto* p = static_cast<const BYTE*>(bytes);
            m_memory.insert(m_memory.end(), p, p + count);
        } catch (const std::bad_alloc&) {
            m_failed = m_outOfMemory = true;
            return;
        }
    }
    m_offset += count;
}

void PdfOutput::Text(const char* format, ...) {
    char line[600];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n < 0 || size_t(n) >= sizeof line) {
        m_failed = true;
        return;
    }
    Write(line, size_t(n));
}

void PdfOutput::Patch(uint64_t offset, const void* bytes, size_t count) {
    if (m_failed) return;
    if (offset + count > m_offset) {
        m_failed = true;
        return;
    }
    if (m_file) {
        if (std::fseek(m_file, long(offset), SEEK_SET) != 0 || std::fwrite(bytes, 1, count, m_file) != count ||
            std::fseek(m_file, 0, SEEK_END) != 0)
            m_failed = true;
    } else {
        std::memcpy(m_memory.data() + offset, bytes, count);
    }
}

HGLOBAL PdfOutput::TakeBlock() {
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, m_memory.empty() ? 1 : m_memory.size());
    if (!block) return nullptr;
    if (!m_memory.empty()) std::memcpy(GlobalLock(block), m_memory.data(), m_memory.size());
    GlobalUnlock(block);
    std::vector<BYTE>().swap(m_memory);
    return block;
}

#include "codecs/png/png_codec.h"

#include <cstdio>
#include <vector>

CPNG::~CPNG() {
    if (m_dib) GlobalFree(m_dib);
    if (m_memoryResult) GlobalFree(m_memoryResult);
}

HGLOBAL CPNG::GetDIB() {
    HGLOBAL dib = m_dib;
    m_dib = nullptr;
    return dib;
}

HGLOBAL CPNG::GetMemoryResult() {
    HGLOBAL block = m_memoryResult;
    m_memoryResult = nullptr;
    return block;
}

LONG CPNG::ReadFromMemory(uint64_t size, const BYTE* bytes, SIZE_T* dibSize) {
    if (dibSize) *dibSize = 0;
    if (m_dib) GlobalFree(m_dib);
    m_dib = nullptr;
    if (!bytes) return kBadFile;
    LONG result = Decode(bytes, size);
    if (result == kOk && dibSize) *dibSize = GlobalSize(m_dib);
    return result;
}

LONG CPNG::ReadFromFile(const char* path, SIZE_T* dibSize) {
    if (dibSize) *dibSize = 0;
    if (!path) return kNullName;
    FILE* f = fopen(path, "rb");
    if (!f) return kCannotOpen;
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    size_t n;
    bool failed = false;
    try {
        while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    } catch (...) {
        failed = true;
    }
    failed = failed || ferror(f);
    fclose(f);
    if (failed) return kCannotOpen;
    return ReadFromMemory(bytes.size(), bytes.data(), dibSize);
}

LONG CPNG::WriteToMemory(HGLOBAL dib, SIZE_T* size) {
    if (!size) return kBadDib;
    *size = 0;
    if (m_memoryResult) GlobalFree(m_memoryResult);
    m_memoryResult = nullptr;
    LONG result = Encode(dib);
    if (result == kOk) {
        HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, SIZE_T(m_chunks.TotalSize()));
        if (!block) {
            result = kNoMemory;
        } else {
            m_chunks.CopyTo(static_cast<uint8_t*>(GlobalLock(block)));
            GlobalUnlock(block);
            m_memoryResult = block;
            *size = SIZE_T(m_chunks.TotalSize());
        }
    }
    m_chunks.Clear();
    return result;
}

LONG CPNG::WriteToFile(const char* path, HGLOBAL dib) {
    if (!path) return kNullName;
    FILE* f = fopen(path, "wb");
    if (!f) return kCannotCreate;
    LONG result = Encode(dib);
    if (result == kOk && !m_chunks.WriteTo(f)) result = kWriteFailed;
    if (fclose(f) != 0 && result == kOk) result = kWriteFailed;
    if (result != kOk) remove(path);
    m_chunks.Clear();
    return result;
}

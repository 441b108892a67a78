#include "codecs/mem_buffer.h"

#include <cstring>

namespace {
constexpr uint64_t kMaxCapacity = 0xFFFFFFFFull;
// The farthest a seek may move: streams of images never come near it, and a hostile offset
// cannot make the buffer reserve gigabytes.
constexpr int64_t kMaxSeek = 0x7FFFFFFF;
}

CMemBuffer::CMemBuffer(DWORD growStep) : m_growStep(growStep) {}

CMemBuffer::CMemBuffer(BYTE* bytes, DWORD size, BOOL owns, DWORD growStep) : m_growStep(growStep) {
    Attach(bytes, size, owns, growStep);
}

CMemBuffer::~CMemBuffer() { ReleaseData(); }

BYTE* CMemBuffer::Alloc(DWORD size) {
    m_handle = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!m_handle) return nullptr;
    auto* p = static_cast<BYTE*>(GlobalLock(m_handle));
    if (!p) {
        GlobalFree(m_handle);
        m_handle = nullptr;
    }
    return p;
}

BYTE* CMemBuffer::Realloc(BYTE*, DWORD size) {
    if (!m_handle) return nullptr;
    GlobalUnlock(m_handle);
    HGLOBAL grown = GlobalReAlloc(m_handle, size, GMEM_MOVEABLE);
    if (!grown) {
        // The old block is still valid: lock it again so the buffer stays usable.
        GlobalLock(m_handle);
        return nullptr;
    }
    m_handle = grown;
    return static_cast<BYTE*>(GlobalLock(m_handle));
}

void CMemBuffer::Free(BYTE* data) {
    if (!data) return;
    if (m_handle) {
        GlobalUnlock(m_handle);
        GlobalFree(m_handle);
        m_handle = nullptr;
    } else {
        GlobalFree(static_cast<HGLOBAL>(data));
    }
}

BOOL CMemBuffer::GrowTo(uint64_t n) {
    if (n <= m_capacity) return TRUE;
    if (m_growStep == 0 || n > kMaxCapacity) return FALSE;
    // Whole steps up to n; past kGeometricFrom at least double, so the cost stays linear.
    uint64_t capacity = m_capacity;
    if (capacity >= kGeometricFrom) capacity *= 2;
    uint64_t steps = (n - m_capacity + m_growStep - 1) / m_growStep;
    uint64_t stepped = m_capacity + steps * m_growStep;
    if (stepped > capacity) capacity = stepped;
    if (capacity > kMaxCapacity) capacity = n;
    BYTE* data = nullptr;
    if (m_data && m_handle) {
        data = Realloc(m_data, static_cast<DWORD>(capacity));
    } else if (!m_data) {
        data = Alloc(static_cast<DWORD>(capacity));
    } else {
        // Caller bytes that grow: move them into a block of our own.
        data = Alloc(static_cast<DWORD>(capacity));
        if (data) {
            std::memcpy(data, m_data, m_size);
            if (m_ownsData) GlobalFree(static_cast<HGLOBAL>(m_data));
            m_ownsData = TRUE;
        }
    }
    if (!data) return FALSE;
    m_data = data;
    m_capacity = static_cast<DWORD>(capacity);
    return TRUE;
}

DWORD CMemBuffer::Seek(int64_t offset, int origin) {
    int64_t target;
    switch (origin) {
        case 0: target = offset; break;
        case 1: target = int64_t(m_position) + offset; break;
        case 2:
            if (offset > 0) return m_position;
            target = int64_t(m_size) + offset;
            break;
        default: return m_position;
    }
    if (target < 0) return m_position;
    if (target > kMaxSeek) target = kMaxSeek;
    // A position past the end reserves nothing: a write there grows the buffer by what it writes
    // (the gap reads as zeros). A buffer that cannot grow keeps its position at its end.
    if (uint64_t(target) > m_size && m_growStep == 0) target = m_size;
    m_position = static_cast<DWORD>(target);
    return m_position;
}

BOOL CMemBuffer::SetSize(DWORD n) {
    if (n > m_capacity && !GrowTo(n)) return FALSE;
    if (n > m_size) std::memset(m_data + m_size, 0, n - m_size);
    if (m_position > n) m_position = n;
    m_size = n;
    return TRUE;
}

DWORD CMemBuffer::Read(void* buffer, DWORD count) {
    if (!buffer || count == 0 || m_position >= m_size) return 0;
    DWORD n = count < m_size - m_position ? count : m_size - m_position;
    std::memcpy(buffer, m_data + m_position, n);
    m_position += n;
    return n;
}

DWORD CMemBuffer::Write(const void* buffer, DWORD count) {
    if (!buffer || count == 0) return 0;
    uint64_t end = uint64_t(m_position) + count;
    if (end > kMaxCapacity) return 0;
    if (end > m_capacity && !GrowTo(end)) return 0;
    if (m_position > m_size) std::memset(m_data + m_size, 0, m_position - m_size);
    std::memcpy(m_data + m_position, buffer, count);
    m_position = static_cast<DWORD>(end);
    if (m_position > m_size) m_size = m_position;
    return count;
}

void CMemBuffer::ReleaseData() {
    m_growStep = 0;
    m_position = m_capacity = m_size = 0;
    if (m_ownsData) Free(m_data);
    m_data = nullptr;
    m_handle = nullptr;
}

DWORD CMemBuffer::Attach(BYTE* bytes, DWORD size, BOOL owns, DWORD growStep) {
    ReleaseData();
    m_data = bytes;
    m_ownsData = owns;
    m_growStep = growStep;
    m_position = 0;
    m_capacity = bytes ? size : 0;
    m_size = growStep == 0 ? m_capacity : 0;
    return m_size;
}

BYTE* CMemBuffer::Detach() {
    BYTE* data = m_data;
    if (m_handle) {
        // Data in a moveable block is handed over as a fixed one, whose address is its handle.
        data = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, m_size ? m_size : 1));
        if (data) std::memcpy(data, m_data, m_size);
        GlobalUnlock(m_handle);
        GlobalFree(m_handle);
    }
    m_data = nullptr;
    m_handle = nullptr;
    m_ownsData = TRUE;
    m_position = m_capacity = m_size = 0;
    return data;
}

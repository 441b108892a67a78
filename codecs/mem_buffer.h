// CMemBuffer: a growable byte buffer in global memory with a read/write position. The memory
// stream that the GDI+ bridge encodes into and decodes from sits on it.
#pragma once

#include "lumetta_win.h"

#include <cstdint>

class CMemBuffer {
public:
    // An empty buffer that owns its data and grows by whole steps (0: never grows).
    explicit CMemBuffer(DWORD growStep = 65536);
    // A buffer over existing bytes (see Attach).
    CMemBuffer(BYTE* bytes, DWORD size, BOOL owns, DWORD growStep);
    CMemBuffer(const CMemBuffer&) = delete;
    CMemBuffer& operator=(const CMemBuffer&) = delete;

    virtual BYTE* Alloc(DWORD size);
    virtual BYTE* Realloc(BYTE* data, DWORD size);
    virtual void Free(BYTE* data);
    // 1 when n bytes fit after growing; 0 for a fixed buffer that is too small or when memory
    // runs out.
    virtual BOOL GrowTo(uint64_t n);
    virtual ~CMemBuffer();
    virtual DWORD GetPosition() const { return m_position; }
    // origin 0 set, 1 current, 2 end (offsets of 0 or below only). The result is clamped to
    // 0x7FFFFFFF; a result past the size allocates nothing (a fixed buffer cuts it to the size).
    virtual DWORD Seek(int64_t offset, int origin);
    virtual BOOL SetSize(DWORD n);
    virtual DWORD Read(void* buffer, DWORD count);
    virtual DWORD Write(const void* buffer, DWORD count);
    virtual void ReleaseData();
    virtual DWORD GetSize() const { return m_size; }

    // Takes over existing bytes: position 0, capacity = size; the size is the given one for a
    // fixed buffer (grow step 0), else 0. Returns the size.
    DWORD Attach(BYTE* bytes, DWORD size, BOOL owns, DWORD growStep);
    // Hands the data to the caller, who then owns it (a fixed global block when the buffer
    // allocated it), and empties the buffer. Null when no memory is left for the copy.
    BYTE* Detach();
    DWORD GetCapacity() const { return m_capacity; }
    const BYTE* Data() const { return m_data; }

    // Growth below this capacity is at least one step; above it the capacity doubles, so
    // large encodings do not reallocate thousands of times.
    static constexpr uint64_t kGeometricFrom = 1u << 20;

private:
    DWORD m_growStep;
    DWORD m_position = 0;
    DWORD m_capacity = 0;
    DWORD m_size = 0;
    BYTE* m_data = nullptr;
    BOOL m_ownsData = TRUE;
    HGLOBAL m_handle = nullptr;
};

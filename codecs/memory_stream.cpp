#include "codecs/memory_stream.h"

#include <new>

HRESULT CMemoryStream::CreateMemoryStream(IStream** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto* buffer = new (std::nothrow) CMemBuffer(65536);
    if (!buffer) return E_OUTOFMEMORY;
    auto* stream = new (std::nothrow) CMemoryStream(buffer);
    if (!stream) {
        delete buffer;
        return E_OUTOFMEMORY;
    }
    *out = stream;
    return S_OK;
}

HRESULT CMemoryStream::CreateMemoryStreamOnBytes(BYTE* bytes, DWORD size, BOOL owns, IStream** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto* buffer = new (std::nothrow) CMemBuffer(bytes, size, owns, 0);
    if (!buffer) return E_OUTOFMEMORY;
    auto* stream = new (std::nothrow) CMemoryStream(buffer);
    if (!stream) {
        if (!owns) buffer->Detach();
        delete buffer;
        return E_OUTOFMEMORY;
    }
    *out = stream;
    return S_OK;
}

HRESULT CMemoryStream::Read(void* buffer, ULONG count, ULONG* read) {
    if (!m_buffer) return E_ACCESSDENIED;
    DWORD n = m_buffer->Read(buffer, count);
    if (read) *read = n;
    return S_OK;
}

HRESULT CMemoryStream::Write(const void* buffer, ULONG count, ULONG* written) {
    if (!m_buffer) return E_ACCESSDENIED;
    DWORD n = m_buffer->Write(buffer, count);
    if (written) *written = n;
    return S_OK;
}

HRESULT CMemoryStream::Seek(LARGE_INTEGER offset, DWORD origin, ULARGE_INTEGER* position) {
    if (origin > STREAM_SEEK_END) return STG_E_INVALIDFUNCTION;
    if (!m_buffer) return E_ACCESSDENIED;
    DWORD at = m_buffer->Seek(offset.QuadPart, int(origin));
    if (position) position->QuadPart = at;
    return S_OK;
}

HRESULT CMemoryStream::Stat(STATSTG* stat, DWORD) {
    if (!m_buffer) return E_ACCESSDENIED;
    if (!stat) return E_POINTER;
    ZeroMemory(stat, sizeof *stat);
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = m_buffer->GetSize();
    return S_OK;
}

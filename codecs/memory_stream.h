// CMemoryStream: an IStream over a CMemBuffer, for GDI+ to encode into and decode from.
#pragma once

#include "codecs/mem_buffer.h"
#include "codecs/stream_base.h"

class CMemoryStream : public CStreamBase {
public:
    // A new empty stream that grows by 64 KB steps (more once large).
    static HRESULT CreateMemoryStream(IStream** out);
    // A stream over existing bytes that cannot grow; with owns the bytes (a fixed global block)
    // are freed with the stream's last reference.
    static HRESULT CreateMemoryStreamOnBytes(BYTE* bytes, DWORD size, BOOL owns, IStream** out);

    // The buffer of a stream made by the functions above.
    CMemBuffer* Buffer() { return m_buffer; }

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER offset, DWORD origin, ULARGE_INTEGER* position) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;

private:
    explicit CMemoryStream(CMemBuffer* buffer) : m_buffer(buffer) {}
    ~CMemoryStream() override { delete m_buffer; }

    CMemBuffer* m_buffer;
};

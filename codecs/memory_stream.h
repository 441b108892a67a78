// CMemoryStream: an IStream over a CMemBuffer, for GDI+ to encode into and decode from.
#pragma once

#include <windows.h>
#include <objidl.h>

#include "codecs/mem_buffer.h"

class CMemoryStream : public IStream {
public:
    // A new empty stream that grows by 64 KB steps (more once large).
    static HRESULT CreateMemoryStream(IStream** out);
    // A stream over existing bytes that cannot grow; with owns the bytes (a fixed global block)
    // are freed with the stream's last reference.
    static HRESULT CreateMemoryStreamOnBytes(BYTE* bytes, DWORD size, BOOL owns, IStream** out);

    // The buffer of a stream made by the functions above.
    CMemBuffer* Buffer() { return m_buffer; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER offset, DWORD origin, ULARGE_INTEGER* position) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    explicit CMemoryStream(CMemBuffer* buffer) : m_buffer(buffer) {}
    virtual ~CMemoryStream() { delete m_buffer; }

    CMemBuffer* m_buffer;
    LONG m_refs = 1;
};

// The QueryInterface both streams share: IUnknown, ISequentialStream and IStream.
HRESULT QueryStreamInterface(IStream* stream, REFIID riid, void** object);

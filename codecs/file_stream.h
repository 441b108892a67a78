// CFileStream: an IStream over a file handle, for GDI+ to save into a file; and the plain file
// writes of the own codecs and the file I/O layer.
#pragma once

#include <cstdint>

#include "codecs/stream_base.h"

// Creates the file anew: read and write access, shared read, normal attributes.
HANDLE CreateNewFile(const char* path);
// Writes all count bytes, in pieces of at most 1 GiB; false when a piece is not written whole.
bool WriteAll(HANDLE file, const void* bytes, uint64_t count);

class CFileStream : public CStreamBase {
public:
    // Opens the file (shared read, normal attributes) with the given access and disposition.
    static HRESULT CreateFileStream(const char* path, DWORD access, DWORD disposition, IStream** out);

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER offset, DWORD origin, ULARGE_INTEGER* position) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;

private:
    explicit CFileStream(HANDLE file) : m_file(file) {}
    ~CFileStream() override {
        if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
    }

    HANDLE m_file;
};

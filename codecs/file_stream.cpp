#include "codecs/file_stream.h"

#include <new>

namespace {
HRESULT LastError() { return HRESULT_FROM_WIN32(GetLastError()); }
}  // namespace

HANDLE CreateNewFile(const char* path) {
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WriteAll(HANDLE file, const void* bytes, uint64_t count) {
    auto* p = static_cast<const BYTE*>(bytes);
    while (count > 0) {
        DWORD chunk = count > 0x40000000u ? 0x40000000u : DWORD(count);
        DWORD written = 0;
        if (!WriteFile(file, p, chunk, &written, nullptr) || written != chunk) return false;
        p += chunk;
        count -= chunk;
    }
    return true;
}

HRESULT CFileStream::CreateFileStream(const char* path, DWORD access, DWORD disposition, IStream** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    HANDLE file = CreateFileA(path, access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastError();
    auto* stream = new (std::nothrow) CFileStream(file);
    if (!stream) {
        CloseHandle(file);
        return E_OUTOFMEMORY;
    }
    *out = stream;
    return S_OK;
}

HRESULT CFileStream::Read(void* buffer, ULONG count, ULONG* read) {
    DWORD n = 0;
    if (!ReadFile(m_file, buffer, count, &n, nullptr)) return LastError();
    if (read) *read = n;
    return S_OK;
}

HRESULT CFileStream::Write(const void* buffer, ULONG count, ULONG* written) {
    DWORD n = 0;
    if (!WriteFile(m_file, buffer, count, &n, nullptr)) return LastError();
    if (written) *written = n;
    return S_OK;
}

HRESULT CFileStream::Seek(LARGE_INTEGER offset, DWORD origin, ULARGE_INTEGER* position) {
    if (origin > STREAM_SEEK_END) return STG_E_INVALIDFUNCTION;
    // The whole 64-bit offset: image files never need more, but a cut offset would land anywhere.
    LARGE_INTEGER at;
    if (!SetFilePointerEx(m_file, offset, &at, origin)) return LastError();
    if (position) position->QuadPart = ULONGLONG(at.QuadPart);
    return S_OK;
}

HRESULT CFileStream::Stat(STATSTG* stat, DWORD) {
    if (!stat) return E_POINTER;
    ZeroMemory(stat, sizeof *stat);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_file, &size)) return LastError();
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = ULONGLONG(size.QuadPart);
    return S_OK;
}

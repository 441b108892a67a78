// Random access to the bytes of a TIFF being read: a memory block or a file. Every read names
// its offset and length and fails (false) when any of it lies beyond the end.
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

class TiffByteSource {
public:
    virtual ~TiffByteSource() = default;
    virtual uint64_t Size() const = 0;
    virtual bool Read(uint64_t offset, void* target, size_t count) const = 0;
    // The bytes in memory at offset when the source is memory (null for a file).
    virtual const BYTE* View(uint64_t offset, size_t count) const = 0;
};

class TiffMemorySource final : public TiffByteSource {
public:
    TiffMemorySource(const BYTE* bytes, size_t size) : m_bytes(bytes), m_size(size) {}
    uint64_t Size() const override { return m_size; }
    bool Read(uint64_t offset, void* target, size_t count) const override;
    const BYTE* View(uint64_t offset, size_t count) const override;

private:
    const BYTE* m_bytes;
    size_t m_size;
};

// A file opened for reading (other readers may share it), read as far as 2 GiB.
class TiffFileSource final : public TiffByteSource {
public:
    explicit TiffFileSource(const char* path);
    ~TiffFileSource() override;
    TiffFileSource(const TiffFileSource&) = delete;
    TiffFileSource& operator=(const TiffFileSource&) = delete;

    bool IsOpen() const { return m_file != nullptr; }
    uint64_t Size() const override { return m_size; }
    bool Read(uint64_t offset, void* target, size_t count) const override;
    const BYTE* View(uint64_t, size_t) const override { return nullptr; }

private:
    FILE* m_file = nullptr;
    uint64_t m_size = 0;
};

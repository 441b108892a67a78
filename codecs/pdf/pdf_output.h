// Where the PDF writer's bytes go: a growing memory buffer or a file. Keeps the running offset,
// lets the writer overwrite bytes it wrote earlier (the reserved page list), and remembers the
// first failure so the writer checks once at the end.
#pragma once

#include "lumetta_win.h"

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

class PdfOutput {
public:
    PdfOutput() = default;  // memory
    ~PdfOutput();
    PdfOutput(const PdfOutput&) = delete;
    PdfOutput& operator=(const PdfOutput&) = delete;

    // Creates (replaces) the file; false when it cannot be created.
    bool OpenFile(const char* path);
    // Closes the file; false when a write or the close failed.
    bool CloseFile();

    void Write(const void* bytes, size_t count);
    // printf-style text.
    void Text(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    // Overwrites count bytes at an earlier offset.
    void Patch(uint64_t offset, const void* bytes, size_t count);

    uint64_t Offset() const { return m_offset; }
    bool Failed() const { return m_failed; }
    bool OutOfMemory() const { return m_outOfMemory; }
    // The memory output as one new fixed global block (null when memory runs out).
    HGLOBAL TakeBlock();

private:
    std::FILE* m_file = nullptr;
    std::vector<BYTE> m_memory;
    uint64_t m_offset = 0;
    bool m_failed = false;
    bool m_outOfMemory = false;
};

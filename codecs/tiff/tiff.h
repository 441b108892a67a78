// CTiff: the own TIFF reader and writer. Reads little- and big-endian strip TIFFs of one or
// several pages (uncompressed, PackBits, CCITT modified Huffman, group 3, group 4, LZW with or
// without the horizontal predictor) into packed DIBs; writes packed DIBs as little-endian pages
// of one strip each, to a new file, appended to a file, or into memory. Every list (the output's
// bytes, the decoded pages) belongs to the object: any number of CTiff objects may work at once.
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/read_budget.h"
#include "codecs/tiff/tiff_page_record.h"

class TiffByteSource;

class CTiff {
public:
    // Results.
    static constexpr LONG kOk = 0;
    static constexpr LONG kNullArgument = -1;    // null file name or buffer
    static constexpr LONG kCreateFailed = -2;    // the output file cannot be created or opened
    static constexpr LONG kOpenFailed = -3;      // the input file cannot be opened
    static constexpr LONG kWriteFailed = -5;     // read-only attribute or a write to the file
    static constexpr LONG kBadDib = -6;          // null DIB, block under 40 bytes, null size pointer
    static constexpr LONG kNoMemory = -7;        // memory, invalid handle, page without RowsPerStrip
    static constexpr LONG kBadIfd = -8;          // bad IFD, page beyond the chain, bad append target
    static constexpr LONG kIfdFailed = -9;       // the previous next-IFD offset could not be patched
    static constexpr LONG kStripFailed = -10;    // unsupported strip compression or unreadable strip
    static constexpr LONG kNoMemoryResult = -12; // AppendPageToMemory without WriteToMemory first
    static constexpr LONG kUnsupported = -13;    // depth, photometric, compression; bad header

    // Compression tag values; 0 lets the writer choose (group 4 for 1 bit, else LZW).
    static constexpr WORD kAuto = 0;
    static constexpr WORD kNone = 1;
    static constexpr WORD kModifiedHuffman = 2;
    static constexpr WORD kGroup3 = 3;
    static constexpr WORD kGroup4 = 4;
    static constexpr WORD kLzw = 5;
    static constexpr WORD kPackBits = 32773;

    static constexpr DWORD kAllPages = 0xFFFFFFFF;

    CTiff();
    virtual ~CTiff();
    CTiff(const CTiff&) = delete;
    CTiff& operator=(const CTiff&) = delete;

    // Reading. page is 0-based, or kAllPages. The decoded pages stay in the object until fetched.
    LONG ReadFromFile(const char* path, DWORD page);
    LONG ReadFromMemory(size_t size, const BYTE* bytes, DWORD page);
    LONG ReadFromHandle(HGLOBAL block, DWORD page);
    DWORD GetPageCount() const { return static_cast<DWORD>(m_pages.size()); }
    // The DIB of a decoded page; the caller owns it from then on (a page is handed out once).
    HGLOBAL GetPage(DWORD index, SIZE_T* size);
    // The decisions a read of every page takes before it reserves anything (each page's tags and
    // declared sizes against its strips' bytes, the read's budget), without decoding: the first
    // refusal, and in dibBytes the blocks the pages that pass would take. A form the reader has
    // no decoder for (depth, photometric, compression, tiles, a missing RowsPerStrip, an
    // uncompressed strip longer than its rows) is no refusal here: another decoder may read it.
    LONG Measure(size_t size, const BYTE* bytes, uint64_t* dibBytes);

    // Writing. newFile replaces the file; otherwise the page is appended (or written as the first
    // page of a missing or empty file). A failed append leaves the file as it was.
    LONG WriteToFile(const char* path, HGLOBAL dib, BOOL newFile, WORD compression);
    LONG WriteToMemory(HGLOBAL dib, SIZE_T* size, WORD compression);
    LONG AppendPageToMemory(HGLOBAL dib, SIZE_T* size, WORD compression);
    // The memory result; the caller owns it from then on.
    HGLOBAL GetMemoryResult();
    // For the next page written: raw stores the DIB's pixel bytes as they are; blackIsZero writes
    // 1-bit pages as BlackIsZero; smallResolution turns 10 dpi or less into 96.
    void SetEncodeOptions(bool raw, bool blackIsZero, bool smallResolution);

    // Pages whose DIB would be larger are refused with kNoMemory (tests and fuzzers lower it).
    void SetPageByteLimit(uint64_t limit) { m_pageByteLimit = limit; }
    // The most bytes the pages of one read take together (0: the load budget for the input's
    // size). A page whose block does not fit what remains ends the read with kNoMemory, and the
    // read keeps no page.
    void SetReadBudget(uint64_t bytes) { m_loadBudget = bytes; }
    // What the last read or measuring did (see ReadBudget).
    const ReadStats& GetReadStats() const { return m_budget.Stats(); }

private:
    struct Ifd;
    struct PageDecoder;
    struct ChainEnd {
        uint32_t nextFieldOffset = 0;  // where the last IFD's next-IFD offset lies, 0 for none
        uint64_t end = 0;              // bytes in the existing file or block
    };

    void ResetRead();
    void ReleasePages();
    LONG Read(const TiffByteSource& source, DWORD page);
    LONG ReadChain(const TiffByteSource& source, std::vector<uint32_t>* chain);
    LONG PlanPage(PageDecoder& page);
    LONG OverBudget();
    LONG MeasurePage(const TiffByteSource& source, uint32_t offset, uint64_t* dibBytes);
    LONG ReadIfd(const TiffByteSource& source, uint32_t offset, Ifd* ifd);
    LONG DecodePage(const TiffByteSource& source, const Ifd& ifd);
    static LONG ReadChainEnd(const TiffByteSource& source, ChainEnd* end);
    LONG EncodePageAt(HGLOBAL dib, uint64_t fileSize, uint32_t leadPad, WORD compression, std::vector<BYTE>& out);

    struct Page {
        HGLOBAL dib;
        SIZE_T size;
    };
    std::vector<Page> m_pages;
    bool m_bigEndian = false;
    // The read under way: the offsets of its IFDs in file order (strips without byte counts end at
    // the next one), and the strip bytes its pages may still go through.
    std::vector<uint32_t> m_ifdOffsets;
    uint64_t m_readBudget = 0;
    // The blocks and the shared work of the read under way, and whether a block did not fit.
    ReadBudget m_budget{0, 0};
    uint64_t m_loadBudget = 0;
    bool m_overBudget = false;

    std::vector<BYTE> m_output;
    HGLOBAL m_memoryResult = nullptr;
    SIZE_T m_memorySize = 0;
    uint32_t m_memoryLastNextField = 0;  // the memory result's last next-IFD field
    uint32_t m_lastNextField = 0;        // the last next-IFD field of the page just encoded

    bool m_raw = false;
    bool m_blackIsZero = false;
    bool m_smallResolution = false;
    uint64_t m_pageByteLimit;
};

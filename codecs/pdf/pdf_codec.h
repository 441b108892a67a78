// CPDF: the engine's own PDF codec. The writer makes PDF 1.4 documents with one image per page
// (JPEG, CCITT group 4 or LZW image streams) into a file or memory; the reader loads the page
// images of documents of that form back into DIBs and the document information into the
// settings block. Writer: pdf_writer.cpp; reader: pdf_reader.cpp.
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/error_codes.h"
#include "codecs/pdf/pdf_settings.h"
#include "codecs/read_budget.h"

class PdfOutput;

// The engine's platform image library as the PDF codec may use it for JPEG images; a lower
// layer reaches the engine only through this slot.
class PdfImageBridge {
public:
    virtual ~PdfImageBridge() = default;
    // The JPEG stream of a DIB of 8 or more bits at the quality; false when it cannot be made.
    virtual bool EncodeJpeg(HGLOBAL dib, int quality, std::vector<BYTE>* out) = 0;
    // A new DIB decoded from a JPEG stream; null with *code set to the engine's error on failure.
    virtual HGLOBAL DecodeJpeg(const BYTE* bytes, size_t size, LONG* code) = 0;
};

class CPDF {
public:
    // Results (negative) of the writer and the reader.
    static constexpr LONG kOk = 0;
    static constexpr LONG kNoInput = -1;        // no images or no name; page outside the document
    static constexpr LONG kCreateFailed = -2;   // the file cannot be created
    static constexpr LONG kOpenFailed = -3;     // the file cannot be opened
    static constexpr LONG kObjectUnreadable = -4;
    static constexpr LONG kEncodeFailed = -5;   // a file write failed; a strip page or a decode failed
    static constexpr LONG kNullSize = -6;
    static constexpr LONG kNoMemory = -7;
    static constexpr LONG kBadDocument = -8;    // bad header, no xref, catalog, page tree or image
    static constexpr LONG kJpegFailed = -9;     // a page could not be made JPEG with the JPEG setting
    static constexpr LONG kNoPages = kErrPdfFormat;

    // The compression settings (the script's enumPDFCompressionType).
    static constexpr LONG kAuto = 0;
    static constexpr LONG kFax3 = 1;
    static constexpr LONG kFax4 = 2;
    static constexpr LONG kLzw = 3;
    static constexpr LONG kRunLength = 4;
    static constexpr LONG kJpeg = 5;

    CPDF();
    virtual ~CPDF();
    CPDF(const CPDF&) = delete;
    CPDF& operator=(const CPDF&) = delete;

    // The engine's platform image library for JPEG images, or null for the own codec.
    void SetBridge(PdfImageBridge* bridge) { m_bridge = bridge; }
    // The document information written by the next write.
    void SetSettings(const PdfSettings& settings);
    // The settings block: what was set, or what the last read found.
    void GetSettings(PdfSettings* settings) const;

    // Writes a new document of count pages, one DIB each. The file is replaced; a file left
    // half written is deleted.
    LONG WriteToFile(const char* path, const HGLOBAL* dibs, int count, LONG compression, int quality);
    // Writes the document into one new global block, kept until GetMemoryResult.
    LONG WriteToMemory(const HGLOBAL* dibs, int count, LONG compression, int quality, uint64_t* size);
    // The block of the last WriteToMemory; the caller owns it from then on.
    HGLOBAL GetMemoryResult();

    // The most bytes of images one read reserves (0: the engine's load budget for the input's
    // size), counted for every image block reserved, whether its image then decodes or fails; a
    // document that needs more is refused with kNoMemory and nothing is kept.
    void SetReadBudget(uint64_t bytes) { m_budget = bytes; }
    // What the last read did (see ReadBudget).
    const ReadStats& GetReadStats() const { return m_stats; }
    // Reads every page (page -1) or one page (0-based). The images read stay in the object; an
    // image object shown by several pages is decoded once and copied.
    LONG ReadFromFile(const char* path, LONG page);
    LONG ReadFromMemory(uint64_t size, const BYTE* bytes, LONG page);
    int GetImageCount() const { return int(m_images.size()); }
    // The caller takes the DIB over (the slot is left empty); size receives its block size.
    HGLOBAL GetImage(int index, uint64_t* size);

private:
    LONG WriteDocument(PdfOutput& out, const HGLOBAL* dibs, int count, LONG compression, int quality);
    void FreeImages();
    void FreeMemoryResult();

    PdfSettings m_settings;
    PdfImageBridge* m_bridge = nullptr;
    HGLOBAL m_memoryResult = nullptr;
    std::vector<HGLOBAL> m_images;
    uint64_t m_budget = 0;
    ReadStats m_stats;
};

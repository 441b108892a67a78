// Reading: the header, the IFD chain and each page's strips into a packed DIB.
#include <algorithm>
#include <new>
#include <unordered_set>

#include "codecs/tiff/tiff.h"
#include "codecs/tiff/tiff_byte_source.h"
#include "codecs/tiff/tiff_format.h"
#include "codecs/tiff/tiff_ifd.h"

using namespace tiff_format;

namespace {

// The most pages one read walks: far more than any scanner batch, and a bound on hostile chains.
constexpr uint32_t kMaxPagesInChain = 65536;

}  // namespace

void CTiff::ResetRead() {
    ReleasePages();
    m_bigEndian = false;
    m_budget = ReadBudget(0, 0);
    m_overBudget = false;
}

// A block that did not fit what remains of the read's budget: the read ends and keeps no page.
LONG CTiff::OverBudget() {
    m_overBudget = true;
    ReleasePages();
    return kNoMemory;
}

void CTiff::ReleasePages() {
    for (Page& p : m_pages)
        if (p.dib) GlobalFree(p.dib);
    m_pages.clear();
}

HGLOBAL CTiff::GetPage(DWORD index, SIZE_T* size) {
    if (size) *size = 0;
    if (index >= m_pages.size()) return nullptr;
    Page& page = m_pages[index];
    HGLOBAL dib = page.dib;
    if (size && dib) *size = page.size;
    page.dib = nullptr;
    return dib;
}

LONG CTiff::ReadFromFile(const char* path, DWORD page) {
    ResetRead();
    if (!path) return kNullArgument;
    TiffFileSource source(path);
    if (!source.IsOpen()) return kOpenFailed;
    return Read(source, page);
}

LONG CTiff::ReadFromMemory(size_t size, const BYTE* bytes, DWORD page) {
    ResetRead();
    if (!bytes) return kNullArgument;
    return Read(TiffMemorySource(bytes, size), page);
}

LONG CTiff::ReadFromHandle(HGLOBAL block, DWORD page) {
    ResetRead();
    if (!block) return kNoMemory;
    const SIZE_T size = GlobalSize(block);
    const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(block));
    if (!bytes) return kNoMemory;
    const LONG rc = ReadFromMemory(size, bytes, page);
    GlobalUnlock(block);
    return rc;
}

// The header and the IFD chain; sets the byte order, the IFDs in file order and the read budget.
LONG CTiff::ReadChain(const TiffByteSource& source, std::vector<uint32_t>* chain) {
    BYTE header[8];
    if (!source.Read(0, header, sizeof header)) return kUnsupported;
    if (header[0] == 'I' && header[1] == 'I')
        m_bigEndian = false;
    else if (header[0] == 'M' && header[1] == 'M')
        m_bigEndian = true;
    else
        return kUnsupported;

    // The chain: stop at 0, at an offset seen before (a loop of any length), at an IFD that
    // cannot be read, or at the page bound.
    m_budget = ReadBudget::ForInput(source.Size(), m_loadBudget);
    std::unordered_set<uint32_t> seen;
    uint32_t offset = Get32(header + 4, m_bigEndian);
    while (offset != 0 && chain->size() < kMaxPagesInChain && seen.insert(offset).second) {
        BYTE count[2];
        if (!source.Read(offset, count, 2)) break;
        const uint64_t nextAt = uint64_t(offset) + 2 + 12ull * Get16(count, m_bigEndian);
        BYTE next[4];
        if (!source.Read(nextAt, next, 4)) break;
        chain->push_back(offset);
        m_budget.Visited(1);
        offset = Get32(next, m_bigEndian);
    }

    // The strips of a well-formed file lie side by side, so its pages go through its bytes once;
    // twice that and a little more is what one read may go through in all. The IFDs are sorted
    // once for the whole read (strips without byte counts end at the next one).
    m_ifdOffsets = *chain;
    std::sort(m_ifdOffsets.begin(), m_ifdOffsets.end());
    m_budget.Visited(m_ifdOffsets.size());
    m_readBudget = 2 * source.Size() + (1u << 20);
    return kOk;
}

LONG CTiff::Read(const TiffByteSource& source, DWORD page) {
    std::vector<uint32_t> chain;
    try {
        if (LONG rc = ReadChain(source, &chain)) return rc;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    const bool all = page == kAllPages;
    if (!all && page >= chain.size()) return kBadIfd;
    if (chain.empty()) return kBadIfd;
    LONG result = kOk;
    const size_t first = all ? 0 : page;
    const size_t last = all ? chain.size() : page + 1;
    for (size_t i = first; i < last && !m_overBudget; ++i) {
        Ifd ifd;
        LONG rc = ReadIfd(source, chain[i], &ifd);
        if (rc == kOk) rc = DecodePage(source, ifd);
        if (rc != kOk && result == kOk) result = rc;
    }
    if (m_overBudget) return kNoMemory;
    if (result != kOk && !all) ReleasePages();
    return result;
}

LONG CTiff::Measure(size_t size, const BYTE* bytes, uint64_t* dibBytes) {
    ResetRead();
    *dibBytes = 0;
    if (!bytes) return kNullArgument;
    const TiffMemorySource source(bytes, size);
    std::vector<uint32_t> chain;
    LONG result = kOk;
    try {
        if (LONG rc = ReadChain(source, &chain)) return rc;
        if (chain.empty()) return kBadIfd;
        for (uint32_t offset : chain) {
            const LONG rc = MeasurePage(source, offset, dibBytes);
            if (rc != kOk && result == kOk) result = rc;
            if (m_overBudget) return kNoMemory;
        }
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return result;
}

LONG CTiff::ReadIfd(const TiffByteSource& source, uint32_t offset, Ifd* ifd) {
    BYTE count[2];
    if (!source.Read(offset, count, 2)) return kBadIfd;
    const WORD n = Get16(count, m_bigEndian);
    if (n == 0 || n > kMaxEntries) return kBadIfd;
    std::vector<BYTE> raw(size_t(n) * 12 + 4);
    if (!source.Read(uint64_t(offset) + 2, raw.data(), raw.size())) return kBadIfd;
    m_budget.Visited(n);
    ifd->offset = offset;
    ifd->entries.resize(n);
    for (WORD i = 0; i < n; ++i) ifd->entries[i] = ParseEntry(&raw[size_t(i) * 12], m_bigEndian);
    ifd->next = Get32(&raw[size_t(n) * 12], m_bigEndian);
    if (ifd->next == offset) ifd->next = 0;
    if (ifd->Find(kTagTileWidth) && ifd->Find(kTagTileLength)) return kBadIfd;
    return kOk;
}

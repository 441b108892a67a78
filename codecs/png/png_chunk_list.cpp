#include "codecs/png/png_chunk_list.h"

#include <cstring>
#include <new>

#include <zlib.h>

#include "codecs/png/png_format.h"

uint8_t* PngChunkList::Reserve(size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, size ? size : 1);
    if (!block) return nullptr;
    auto* piece = new (std::nothrow) Piece{block, size, nullptr};
    if (!piece) {
        GlobalFree(block);
        return nullptr;
    }
    (m_tail ? m_tail->next : m_head) = piece;
    m_tail = piece;
    m_total += size;
    return static_cast<uint8_t*>(GlobalLock(block));
}

bool PngChunkList::AppendRaw(const uint8_t* bytes, size_t size) {
    uint8_t* p = Reserve(size);
    if (!p) return false;
    memcpy(p, bytes, size);
    GlobalUnlock(m_tail->block);
    return true;
}

bool PngChunkList::AppendChunk(uint32_t type, const uint8_t* data, size_t size) {
    if (size > png::kMaxChunkLength) return false;
    uint8_t* p = Reserve(size + 12);
    if (!p) return false;
    png::WriteU32(p, uint32_t(size));
    png::WriteU32(p + 4, type);
    if (size) memcpy(p + 8, data, size);
    uLong crc = crc32(0L, p + 4, 4);
    if (size) crc = crc32(crc, p + 8, uInt(size));
    png::WriteU32(p + 8 + size, uint32_t(crc));
    GlobalUnlock(m_tail->block);
    return true;
}

void PngChunkList::CopyTo(uint8_t* dest) const {
    for (const Piece* p = m_head; p; p = p->next) {
        memcpy(dest, GlobalLock(p->block), p->size);
        GlobalUnlock(p->block);
        dest += p->size;
    }
}

bool PngChunkList::WriteTo(FILE* file) const {
    for (const Piece* p = m_head; p; p = p->next) {
        bool ok = fwrite(GlobalLock(p->block), 1, p->size, file) == p->size;
        GlobalUnlock(p->block);
        if (!ok) return false;
    }
    return true;
}

void PngChunkList::Clear() {
    while (m_head) {
        Piece* next = m_head->next;
        GlobalFree(m_head->block);
        delete m_head;
        m_head = next;
    }
    m_tail = nullptr;
    m_total = 0;
}

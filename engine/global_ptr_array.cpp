#include "engine/global_ptr_array.h"

#include <algorithm>
#include <cstring>

bool GlobalPtrArray::Grow(int needed) {
    if (needed <= m_capacity) return true;
    // Grow by an eighth of the size, clamped to 4..1024 elements, or to the request when larger.
    int step = std::clamp(m_capacity / 8, 4, 1024);
    int capacity = std::max(needed, m_capacity + step);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(void*) * static_cast<SIZE_T>(capacity));
    if (!block) return false;
    void** items = static_cast<void**>(GlobalLock(block));
    if (!items) {
        GlobalFree(block);
        return false;
    }
    if (m_items) memcpy(items, m_items, sizeof(void*) * m_size);
    if (m_block) {
        GlobalUnlock(m_block);
        GlobalFree(m_block);
    }
    m_block = block;
    m_items = items;
    m_capacity = capacity;
    return true;
}

bool GlobalPtrArray::Add(void* item) {
    if (!Grow(m_size + 1)) return false;
    m_items[m_size++] = item;
    return true;
}

void GlobalPtrArray::RemoveAt(int index) {
    if (index < 0 || index >= m_size) return;
    memmove(m_items + index, m_items + index + 1, sizeof(void*) * (m_size - index - 1));
    m_items[--m_size] = nullptr;
}

void GlobalPtrArray::RemoveAll() {
    if (m_block) {
        GlobalUnlock(m_block);
        GlobalFree(m_block);
    }
    m_block = nullptr;
    m_items = nullptr;
    m_size = m_capacity = 0;
}

// GlobalPtrArray: a growable array of pointers kept in one global-memory block.
#pragma once

#include "lumetta_win.h"

class GlobalPtrArray {
public:
    GlobalPtrArray() = default;
    GlobalPtrArray(const GlobalPtrArray&) = delete;
    GlobalPtrArray& operator=(const GlobalPtrArray&) = delete;
    ~GlobalPtrArray() { RemoveAll(); }

    int GetSize() const { return m_size; }
    void* GetAt(int index) const { return index >= 0 && index < m_size ? m_items[index] : nullptr; }
    // Appends; false when memory runs out.
    bool Add(void* item);
    void RemoveAt(int index);
    void RemoveAll();

private:
    bool Grow(int needed);
    HGLOBAL m_block = nullptr;
    void** m_items = nullptr;
    int m_size = 0;
    int m_capacity = 0;
};

// GlobalArray: a growable array of plain elements kept in one fixed, zero-initialised
// global-memory block. GlobalPtrArray (pointers) and GlobalIndexArray (16-bit indexes) are its
// two kinds. Growth: to the requested size, else by the grow-by step, or automatically by an
// eighth of the size clamped to 4..1024 elements. A failed allocation leaves the array as it was
// and is reported by a false result.
#pragma once

#include "lumetta_win.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

template <typename T>
class GlobalArray {
    static_assert(std::is_trivially_copyable_v<T>, "elements are moved with memmove");

public:
    GlobalArray() = default;
    GlobalArray(const GlobalArray&) = delete;
    GlobalArray& operator=(const GlobalArray&) = delete;
    ~GlobalArray() { RemoveAll(); }

    int GetSize() const { return m_size; }
    int GetCapacity() const { return m_capacity; }
    int GetGrowBy() const { return m_growBy; }
    T GetAt(int i) const { return i >= 0 && i < m_size ? m_data[i] : T{}; }
    void SetAt(int i, T value) {
        if (i >= 0 && i < m_size) m_data[i] = value;
    }
    T* GetData() const { return m_data; }

    // Sets the size to n (new elements are zero); a growBy other than -1 is stored first.
    // n = 0 frees the block. False (array unchanged) for a negative n or when memory runs out.
    bool SetSize(int n, int growBy = -1) {
        if (growBy != -1) m_growBy = std::max(growBy, 0);
        if (n < 0) return false;
        if (n == 0) {
            RemoveAll();
            return true;
        }
        if (n <= m_capacity) {
            // Elements dropped by a shrink are cleared, so a later growth shows zeros.
            if (n < m_size) memset(static_cast<void*>(m_data + n), 0, sizeof(T) * size_t(m_size - n));
            m_size = n;
            return true;
        }
        // A first block holds exactly n (or the grow-by step when larger); later ones add a step.
        int64_t step = m_growBy ? m_growBy : std::clamp(m_size / 8, 4, 1024);
        int64_t capacity = m_data ? std::max<int64_t>(n, int64_t(m_capacity) + step) : std::max(n, m_growBy);
        capacity = std::min<int64_t>(capacity, kMaxElements);
        if (n > capacity) return false;
        T* data = static_cast<T*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(sizeof(T) * capacity)));
        if (!data) return false;
        if (m_data) {
            memcpy(static_cast<void*>(data), m_data, sizeof(T) * size_t(m_size));
            GlobalFree(m_data);
        }
        m_data = data;
        m_capacity = static_cast<int>(capacity);
        m_size = n;
        return true;
    }

    // Stores value at i, growing the array to i + 1 first when needed.
    bool SetAtGrow(int i, T value) {
        if (i < 0) return false;
        if (i >= m_size && !SetSize(i + 1)) return false;
        m_data[i] = value;
        return true;
    }

    bool Add(T value) { return SetAtGrow(m_size, value); }

    // Removes count elements from i on (clamped to the end); the rest move down.
    void RemoveAt(int i, int count = 1) {
        if (i < 0 || i >= m_size || count <= 0) return;
        count = std::min(count, m_size - i);
        int after = m_size - i - count;
        memmove(static_cast<void*>(m_data + i), m_data + i + count, sizeof(T) * size_t(after));
        memset(static_cast<void*>(m_data + m_size - count), 0, sizeof(T) * size_t(count));
        m_size -= count;
    }

    // Inserts count copies of value at i; i at or past the end extends the array to i + count.
    bool InsertAt(int i, T value, int count = 1) {
        if (i < 0 || count <= 0 || int64_t(std::max(i, m_size)) + count > kMaxElements) return false;
        if (i < m_size) {
            int old = m_size;
            if (!SetSize(m_size + count)) return false;
            memmove(static_cast<void*>(m_data + i + count), m_data + i, sizeof(T) * size_t(old - i));
        } else if (!SetSize(i + count)) {
            return false;
        }
        for (int k = 0; k < count; ++k) m_data[i + k] = value;
        return true;
    }

    // Inserts all elements of other at i.
    bool InsertArray(int i, const GlobalArray& other) {
        if (other.m_size == 0) return true;
        if (&other == this) return false;
        if (!InsertAt(i, other.m_data[0], other.m_size)) return false;
        memcpy(static_cast<void*>(m_data + i), other.m_data, sizeof(T) * size_t(other.m_size));
        return true;
    }

    void RemoveAll() {
        if (m_data) GlobalFree(m_data);
        m_data = nullptr;
        m_size = m_capacity = 0;
    }

private:
    // Sizes stay within a signed 32-bit count and a block well below 2 GB.
    static constexpr int64_t kMaxElements = 0x7FFF0000 / sizeof(T);

    T* m_data = nullptr;
    int m_size = 0;
    int m_capacity = 0;
    int m_growBy = 0;
};

#include "engine/multi_image_twain.h"

#include <vector>

CMultiImageTWAIN::CMultiImageTWAIN() = default;

CMultiImageTWAIN::~CMultiImageTWAIN() {
    // Free every image without calling into layers that are already gone.
    for (int i = 0; i < m_count; ++i) {
        GlobalFree(m_slots[i]);
        m_slots[i] = nullptr;
    }
    m_count = 0;
    m_current = -1;
}

void CMultiImageTWAIN::OnBitmapAcquired(HGLOBAL dib) { AddImage(dib); }

void CMultiImageTWAIN::OnBufferChanged(HGLOBAL, int) {}

void CMultiImageTWAIN::SetCurrentAndNotify(int index, int quiet) {
    m_current = static_cast<SHORT>(index);
    OnBufferChanged(ValidIndex(index) ? m_slots[index] : nullptr, quiet);
}

SHORT CMultiImageTWAIN::GetMaxImagesInBuffer() {
    SetErrorCode(0);
    return m_capacity;
}

SHORT CMultiImageTWAIN::GetImageCount() {
    SetErrorCode(0);
    return m_count;
}

SHORT CMultiImageTWAIN::GetCurrentImageIndex() {
    SetErrorCode(0);
    return m_current;
}

HGLOBAL CMultiImageTWAIN::GetImageDIB(SHORT index) {
    if (!ValidIndex(index)) {
        SetErrorCode(kErrInvalidIndex);
        return nullptr;
    }
    SetErrorCode(0);
    return m_slots[index];
}

BOOL CMultiImageTWAIN::SetCurrentImageIndex(SHORT index) {
    if (!ValidIndex(index)) {
        SetErrorCode(kErrInvalidIndex);
        return FALSE;
    }
    SetCurrentAndNotify(index, 1);
    SetErrorCode(0);
    return TRUE;
}

BOOL CMultiImageTWAIN::SetMaxImagesInBuffer(LONG capacity) {
    if (capacity < 1 || capacity > kMaxBufferSlots) {
        SetErrorCode(kErrBadValueRange);
        return FALSE;
    }
    m_capacity = static_cast<SHORT>(capacity);
    if (capacity < m_count) {
        int old = m_count;
        // The count drops before anyone hears of the change, so no view ever reads a freed slot.
        m_count = static_cast<SHORT>(capacity);
        int current = m_current >= capacity ? capacity - 1 : m_current;
        m_current = static_cast<SHORT>(current);
        OnBufferChanged(m_slots[current], 1);
        for (int i = capacity; i < old; ++i) {
            GlobalFree(m_slots[i]);
            m_slots[i] = nullptr;
        }
    }
    SetErrorCode(0);
    return TRUE;
}

BOOL CMultiImageTWAIN::AddImage(HGLOBAL dib) {
    if (!dib) {
        SetErrorCode(kErrBadValueRange);
        return FALSE;
    }
    SetErrorCode(0);
    HGLOBAL kept = NormalizeIncomingImage(dib);
    if (!kept) {
        if (GetErrorCode() == 0) SetErrorCode(kErrBadValueRange);
        return FALSE;
    }
    return m_appendMode == 1 ? AppendImage(kept) : InsertImage(kept);
}

BOOL CMultiImageTWAIN::AppendImage(HGLOBAL dib) {
    int target;
    if (m_count < m_capacity) {
        target = m_count++;
    } else {
        target = (m_current == m_count - 1) ? 0 : m_current + 1;
    }
    HGLOBAL dropped = m_slots[target];
    m_slots[target] = dib;
    SetCurrentAndNotify(target, 0);
    if (dropped) GlobalFree(dropped);
    SetErrorCode(0);
    return TRUE;
}

BOOL CMultiImageTWAIN::InsertImage(HGLOBAL dib) {
    int n = m_count;
    bool full = n >= m_capacity;
    HGLOBAL dropped = nullptr;
    if (full) {
        dropped = m_slots[n - 1];
        m_slots[n - 1] = nullptr;
    }
    int target = (m_current < 0 || n == 0) ? 0 : m_current;
    if (m_current >= 0) {
        int last = full ? n - 2 : n - 1;
        for (int i = last; i >= m_current; --i) m_slots[i + 1] = m_slots[i];
        if (last >= m_current) m_slots[m_current] = nullptr;
    }
    if (!full) ++m_count;
    // Full with the last image current: that image was dropped and the new one takes its place.
    m_slots[target] = dib;
    SetCurrentAndNotify(target, 0);
    if (dropped) GlobalFree(dropped);
    SetErrorCode(0);
    return TRUE;
}

BOOL CMultiImageTWAIN::ReplaceImage(SHORT index, HGLOBAL dib) {
    if (!ValidIndex(index)) {
        SetErrorCode(kErrInvalidIndex);
        return FALSE;
    }
    m_slots[index] = dib;  // the caller frees the old handle
    OnBufferChanged(dib, 0);
    SetErrorCode(0);
    return TRUE;
}

BOOL CMultiImageTWAIN::RemoveImage(SHORT index) {
    if (!ValidIndex(index)) {
        SetErrorCode(kErrInvalidIndex);
        return FALSE;
    }
    HGLOBAL removed = m_slots[index];
    for (int i = index; i < m_count - 1; ++i) m_slots[i] = m_slots[i + 1];
    m_slots[m_count - 1] = nullptr;
    --m_count;
    // Views hear of the change before the handle is freed: none paints it afterwards.
    if (m_current >= index) {
        if (m_current == m_count) --m_current;
        SetCurrentAndNotify(m_current, 0);
    } else {
        Notify();
    }
    GlobalFree(removed);
    SetErrorCode(0);
    return TRUE;
}

void CMultiImageTWAIN::RemoveAllImages() {
    int quiet = m_count == 0 ? 1 : 0;
    std::vector<HGLOBAL> removed(m_slots, m_slots + m_count);
    for (int i = 0; i < m_count; ++i) m_slots[i] = nullptr;
    m_count = 0;
    SetCurrentAndNotify(-1, quiet);
    for (HGLOBAL h : removed) GlobalFree(h);
    SetErrorCode(0);
}

BOOL CMultiImageTWAIN::SwitchImage(SHORT a, SHORT b) {
    if (!ValidIndex(a) || !ValidIndex(b)) {
        SetErrorCode(kErrInvalidIndex);
        return FALSE;
    }
    if (a == b) return TRUE;
    HGLOBAL t = m_slots[a];
    m_slots[a] = m_slots[b];
    m_slots[b] = t;
    bool notified = false;
    if (a == m_current) {
        SetCurrentAndNotify(a, 0);
        notified = true;
    }
    if (b == m_current) {
        SetCurrentAndNotify(b, 0);
        notified = true;
    }
    if (!notified) Notify();
    return TRUE;
}

BOOL CMultiImageTWAIN::MoveImage(SHORT from, SHORT to) {
    if (!ValidIndex(from) || !ValidIndex(to)) {
        SetErrorCode(kErrInvalidIndex);
        return FALSE;
    }
    if (from == to) return TRUE;
    int current = m_current;
    if (current == from) {
        current = to;
    } else if (from < to && from < current && current <= to) {
        --current;
    } else if (from > to && to <= current && current < from) {
        ++current;
    }
    HGLOBAL moving = m_slots[from];
    if (from < to) {
        for (int i = from; i < to; ++i) m_slots[i] = m_slots[i + 1];
    } else {
        for (int i = from; i > to; --i) m_slots[i] = m_slots[i - 1];
    }
    m_slots[to] = moving;
    SetCurrentAndNotify(current, 0);
    return TRUE;
}

BOOL CMultiImageTWAIN::MoveImages(const SHORT* list, int n, SHORT target) {
    if (target < 0 || target > m_count || n < 0 || (n > 0 && !list)) {
        SetErrorCode(kErrInvalidIndex);
        return FALSE;
    }
    for (int k = 0; k < n; ++k) {
        if (!ValidIndex(list[k])) {
            SetErrorCode(kErrInvalidIndex);
            return FALSE;
        }
    }
    // A repeated index moves its image once: one handle never lands in two slots.
    std::vector<bool> listed(m_count, false);
    std::vector<int> order;
    for (int k = 0; k < n; ++k) {
        if (!listed[list[k]]) {
            listed[list[k]] = true;
            order.push_back(list[k]);
        }
    }
    int current = m_current;
    std::vector<HGLOBAL> moved;
    for (int index : order) {
        if (index >= target && target <= current && current < index) {
            ++current;
        } else if (index < target && index < current && current <= target) {
            --current;
        }
        moved.push_back(m_slots[index]);
    }
    int t = target;
    std::vector<HGLOBAL> rest;
    for (int i = 0; i < m_count; ++i) {
        if (listed[i]) {
            if (i < target) --t;
        } else {
            rest.push_back(m_slots[i]);
        }
    }
    rest.insert(rest.begin() + t, moved.begin(), moved.end());
    for (int i = 0; i < m_count; ++i) m_slots[i] = rest[i];
    SetCurrentAndNotify(current, 0);
    return TRUE;
}

BOOL CMultiImageTWAIN::IsConsistent() const {
    if (m_count < 0 || m_count > kMaxBufferSlots || m_current >= m_count || m_current < -1) return FALSE;
    if (m_count > 0 && m_current < 0) return FALSE;
    for (int i = 0; i < kMaxBufferSlots; ++i) {
        if ((i < m_count) != (m_slots[i] != nullptr)) return FALSE;
    }
    return TRUE;
}

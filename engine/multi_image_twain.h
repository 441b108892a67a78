// CMultiImageTWAIN: the engine's image buffer. An ordered set of DIB handles with a capacity
// (1 to 4096), a count, a current index (-1 when empty) and the append-or-insert mode. The buffer
// owns the handles in its slots; GetImageDIB only lends them until the next change.
#pragma once

#include "capture/twain/twain_base.h"

constexpr int kMaxBufferSlots = 4096;

class CMultiImageTWAIN : public CTwainBase {
public:
    CMultiImageTWAIN();
    ~CMultiImageTWAIN() override;

    // Engine slot 6: an acquired image enters the buffer.
    void OnBitmapAcquired(HGLOBAL dib) override;
    // Engine slot 11: called after every change; empty here, the core and the hosts override it.
    virtual void OnBufferChanged(HGLOBAL current, int quiet);
    // Engine slot 12: takes ownership of an incoming image and returns the handle to keep, or null
    // (the image freed, the error code stored) when it cannot be kept.
    virtual HGLOBAL NormalizeIncomingImage(HGLOBAL dib) { return dib; }

    void SetIfAppendImage(DWORD mode) { m_appendMode = mode; }
    DWORD GetIfAppendImage() const { return m_appendMode; }
    SHORT GetMaxImagesInBuffer();
    SHORT GetImageCount();
    SHORT GetCurrentImageIndex();
    HGLOBAL GetImageDIB(SHORT index);
    BOOL SetCurrentImageIndex(SHORT index);
    BOOL SetMaxImagesInBuffer(LONG capacity);
    BOOL AddImage(HGLOBAL dib);
    BOOL AppendImage(HGLOBAL dib);
    BOOL InsertImage(HGLOBAL dib);
    BOOL ReplaceImage(SHORT index, HGLOBAL dib);
    BOOL RemoveImage(SHORT index);
    void RemoveAllImages();
    BOOL SwitchImage(SHORT a, SHORT b);
    BOOL MoveImage(SHORT from, SHORT to);
    BOOL MoveImages(const SHORT* list, int n, SHORT target);
    BOOL IsConsistent() const;
    // True while the buffer holds this handle at this index (views check before reading one).
    bool HoldsImage(int index, HGLOBAL dib) const { return ValidIndex(index) && dib && m_slots[index] == dib; }

protected:
    // Counts and the current index without touching the error code (for the layers above).
    int Count() const { return m_count; }
    int Current() const { return m_current; }
    HGLOBAL Slot(int index) const { return m_slots[index]; }

private:
    bool ValidIndex(int index) const { return index >= 0 && index < m_count; }
    void SetCurrentAndNotify(int index, int quiet);
    void Notify() { OnBufferChanged(nullptr, 0); }

    HGLOBAL m_slots[kMaxBufferSlots] = {};
    SHORT m_capacity = 64;
    SHORT m_count = 0;
    SHORT m_current = -1;
    DWORD m_appendMode = 1;
};

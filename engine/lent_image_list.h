// The images a view shows, by buffer index: handles lent by the image buffer, never owned here.
// A handle is read only after the buffer confirms that it still holds it, and only when its
// block passes the DIB layout check, so a view never touches an image the buffer has freed,
// even while the buffer's updates to the views are suspended.
#pragma once

#include "lumetta_win.h"

#include <functional>
#include <vector>

#include "base/dib_layout.h"

class CLentImageList {
public:
    // Answers whether the lender still holds the handle at that index; without a check every
    // handle counts as held.
    using HolderCheck = std::function<bool(int index, HGLOBAL dib)>;

    void SetHolderCheck(HolderCheck check) { m_holds = std::move(check); }

    void SetCount(int count);
    int Count() const { return static_cast<int>(m_handles.size()); }
    // False when the index lies outside 0..4095; the list grows to hold it.
    bool Set(int index, HGLOBAL dib);
    HGLOBAL At(int index) const;

    // True when the lender still holds the handle at that index.
    bool IsHeld(int index, HGLOBAL dib) const;
    const HolderCheck& Holder() const { return m_holds; }
    // The layout of an image that may be painted: held by the lender, a valid uncompressed DIB.
    bool PaintableLayout(int index, DibLayout* layout) const;
    static bool PaintableLayout(int index, HGLOBAL dib, const HolderCheck& holds, DibLayout* layout);

private:
    std::vector<HGLOBAL> m_handles;
    HolderCheck m_holds;
};

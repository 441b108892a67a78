#include "engine/lent_image_list.h"

namespace {
constexpr int kMaxLentImages = 4096;
}

void CLentImageList::SetCount(int count) {
    if (count < 0) count = 0;
    if (count > kMaxLentImages) count = kMaxLentImages;
    m_handles.resize(count, nullptr);
}

bool CLentImageList::Set(int index, HGLOBAL dib) {
    if (index < 0 || index >= kMaxLentImages) return false;
    if (index >= Count()) m_handles.resize(index + 1, nullptr);
    m_handles[index] = dib;
    return true;
}

HGLOBAL CLentImageList::At(int index) const {
    return index >= 0 && index < Count() ? m_handles[index] : nullptr;
}

bool CLentImageList::IsHeld(int index, HGLOBAL dib) const { return dib && (!m_holds || m_holds(index, dib)); }

bool CLentImageList::PaintableLayout(int index, DibLayout* layout) const {
    return PaintableLayout(index, At(index), m_holds, layout);
}

bool CLentImageList::PaintableLayout(int index, HGLOBAL dib, const HolderCheck& holds, DibLayout* layout) {
    if (!dib || (holds && !holds(index, dib))) return false;
    DibLayout l;
    if (!ComputeDibLayout(dib, &l)) return false;
    // Width and height of at least 1 come from the layout check; the zoom divides by them.
    if (l.width < 1 || l.height < 1) return false;
    if (layout) *layout = l;
    return true;
}

#include "engine/image_viewer.h"

void CImageViewer::SetImage(int index, HGLOBAL dib) {
    if (index < 0) return;
    if (static_cast<size_t>(index) >= m_images.size()) m_images.resize(index + 1, nullptr);
    m_images[index] = dib;
}

void CImageViewer::SetItemCount(int count) { m_images.resize(count < 0 ? 0 : count, nullptr); }

void CImageViewer::SelectIndex(int index) { m_selected = index; }

HGLOBAL CImageViewer::ImageAt(int index) const {
    return index >= 0 && static_cast<size_t>(index) < m_images.size() ? m_images[index] : nullptr;
}

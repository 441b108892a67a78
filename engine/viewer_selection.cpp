#include "engine/viewer_selection.h"

#include <algorithm>

void CViewerSelection::SetCount(int count) {
    m_selected.assign(std::max(count, 0), 0);
    m_list.clear();
    m_declared = 0;
    if (m_anchor >= Count()) m_anchor = -1;
}

bool CViewerSelection::IsSelected(int index) const {
    return index >= 0 && index < Count() && m_selected[index];
}

void CViewerSelection::Select(int index, bool on) {
    if (index >= 0 && index < Count()) m_selected[index] = on ? 1 : 0;
}

void CViewerSelection::Rebuild() {
    m_list.clear();
    for (int i = 0; i < Count(); ++i) {
        if (m_selected[i]) m_list.push_back(i);
    }
}

void CViewerSelection::Clear() {
    std::fill(m_selected.begin(), m_selected.end(), 0);
    m_list.clear();
}

void CViewerSelection::SetMultiSelect(bool on) {
    m_multiSelect = on;
    if (!on && !m_list.empty()) SelectOnly(m_list.front());
}

void CViewerSelection::SelectOnly(int index) {
    Clear();
    if (index < 0 || index >= Count()) return;
    Select(index, true);
    m_anchor = index;
    m_list.push_back(index);
}

void CViewerSelection::Click(int c, bool shift, bool control) {
    if (c < 0 || c >= Count()) return;
    m_declared = 0;
    if (!m_multiSelect) {
        SelectOnly(c);
        return;
    }
    Rebuild();
    if (m_list.size() == 1 && m_list.front() == c) return;
    if (m_anchor < 0 || m_anchor >= Count()) m_anchor = m_list.empty() ? c : m_list.back();
    if (shift) {
        if (!control) Clear();
        for (int i = std::min(c, m_anchor); i <= std::max(c, m_anchor); ++i) Select(i, true);
    } else {
        if (!control) {
            Clear();
            Select(c, true);
        } else {
            Select(c, !m_selected[c]);
        }
        m_anchor = c;
    }
    Rebuild();
}

bool CViewerSelection::ResetToCount(int n) {
    if (n < 1 || n > Count() || (n > 1 && !m_multiSelect)) return false;
    int keep = m_list.empty() ? 0 : m_list.front();
    Clear();
    Select(keep, true);
    Rebuild();
    m_declared = n;
    return true;
}

bool CViewerSelection::SetAt(int position, int index) {
    int limit = std::max(m_declared, SelectedCount());
    if (position < 0 || position >= limit || (position > 0 && !m_multiSelect)) return false;
    if (index < 0 || index >= Count()) return false;
    if (position < SelectedCount()) Select(m_list[position], false);
    Select(index, true);
    Rebuild();
    return true;
}

int CViewerSelection::At(int position) const {
    return position >= 0 && position < SelectedCount() ? m_list[position] : -1;
}

int CViewerSelection::TakeFocusChange() {
    int focused = Focused();
    if (focused == m_reported) return kNoFocusChange;
    m_reported = focused;
    return focused;
}

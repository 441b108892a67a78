// The viewer's selection: which buffer indices are selected, in ascending order without
// repeats, the anchor of range selection, and the focused index reported to the owner. Kept per
// index, so the selection is the same whether or not a cell is on screen.
#pragma once

#include <cstdint>
#include <vector>

class CViewerSelection {
public:
    void SetCount(int count);  // deselects everything; a new buffer brings a new selection
    int Count() const { return static_cast<int>(m_selected.size()); }

    bool IsSelected(int index) const;
    const std::vector<int>& Selected() const { return m_list; }
    int SelectedCount() const { return static_cast<int>(m_list.size()); }
    int Focused() const { return m_list.empty() ? -1 : m_list.front(); }  // the smallest selected

    bool MultiSelect() const { return m_multiSelect; }
    // Turning multi-select off keeps only the focused index selected.
    void SetMultiSelect(bool on);

    // A click on a cell with the Shift and Control keys as held.
    void Click(int index, bool shift, bool control);
    // The index becomes the only selected one and the anchor (the engine shows it).
    void SelectOnly(int index);
    void Clear();

    // Script: the selected count put. 1..count, above 1 only with multi-select; keeps the focused
    // index (index 0 when none) as the only selected one. False when refused.
    bool ResetToCount(int n);
    // Script: the selected index put at a position of the list. The position must lie below
    // the larger of the count given to ResetToCount and the selected count (above 0 only with
    // multi-select), the index inside the buffer. The index at that position is deselected and the
    // new one selected; the list stays sorted and unique. False when refused.
    bool SetAt(int position, int index);
    int At(int position) const;  // -1 outside the list

    // The focused index when it differs from the one last reported, which it then becomes;
    // kNoFocusChange when nothing is to be reported.
    static constexpr int kNoFocusChange = -2;
    int TakeFocusChange();
    void SetReported(int index) { m_reported = index; }

private:
    void Select(int index, bool on);
    void Rebuild();

    std::vector<uint8_t> m_selected;
    std::vector<int> m_list;
    bool m_multiSelect = true;
    int m_anchor = -1;
    int m_reported = -1;
    int m_declared = 0;
};

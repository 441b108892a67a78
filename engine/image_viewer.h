// CImageViewer: the thumbnail viewer of the buffer's images. The engine pushes the buffer into it
// after every change; it never changes the buffer itself.
#pragma once

#include <windows.h>

#include <vector>

class CImageViewer {
public:
    HWND Window() const { return m_window; }
    bool HasWindow() const { return m_window != nullptr; }

    // The buffer lends the handles: the viewer keeps them only until the next push.
    void SetImage(int index, HGLOBAL dib);
    void SetItemCount(int count);
    void SelectIndex(int index);

    int ItemCount() const { return static_cast<int>(m_images.size()); }
    HGLOBAL ImageAt(int index) const;
    int SelectedIndex() const { return m_selected; }

protected:
    HWND m_window = nullptr;

private:
    std::vector<HGLOBAL> m_images;
    int m_selected = -1;
};

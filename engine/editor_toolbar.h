// The image editor's toolbar: one button a command, drawn from the normal and the greyed image
// strip, with tooltips from the string table.
#pragma once

#include <windows.h>
#include <commctrl.h>

class CEditorToolbar {
public:
    CEditorToolbar() = default;
    CEditorToolbar(const CEditorToolbar&) = delete;
    CEditorToolbar& operator=(const CEditorToolbar&) = delete;
    ~CEditorToolbar() { Destroy(); }

    // A toolbar child of the dialog along its top edge; false when it could not be made.
    bool Create(HWND dialog, HINSTANCE module);
    // Destroys the window (unless its parent already did) and frees the image lists.
    void Destroy();
    HWND Window() const { return m_window; }
    // Fits the toolbar to its parent's width; the height it then takes (0 without a toolbar).
    int Layout();
    void Enable(UINT command, bool on);
    void Check(UINT command, bool on);
    // A tooltip's text request (ANSI or wide): the tooltip part of the command's string-table
    // entry, at most 79 characters. False for any other notification.
    bool OnNotify(const NMHDR* header);
    // The tooltip part of an entry "status text\ntooltip" (the whole entry when it has no line
    // break), cut to capacity.
    static void TooltipOf(const char* entry, char* out, size_t capacity);

private:
    HWND m_window = nullptr;
    HINSTANCE m_module = nullptr;
    HIMAGELIST m_normal = nullptr;
    HIMAGELIST m_disabled = nullptr;
};

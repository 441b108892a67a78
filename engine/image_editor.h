// CImageEditor: the facade through which the scripting core runs one CImage operation on one
// buffer image, and an image editor window over the buffer.
#pragma once

#include <windows.h>

#include "engine/image.h"
#include "engine/image_viewer.h"

class CMultiImageTWAIN;
class CImageEditorData;

// A rectangle as the script gives it: from the top-left corner, right and bottom exclusive, a
// right of -1 meaning the full width.
struct ScriptRect {
    LONG left, top, right, bottom;
};

class CImageEditor {
public:
    CImageEditor() = default;
    CImageEditor(const CImageEditor&) = delete;
    CImageEditor& operator=(const CImageEditor&) = delete;
    // Deletes an open editor's state (its window is destroyed first).
    virtual ~CImageEditor();
    CImageViewer& View() { return m_view; }
    // Offered every hooked window message; nonzero when the editor consumed it (its accelerators,
    // only while its window is visible and active).
    virtual int PreTranslateMessage(MSG* msg);

    // --- Editor window over the buffer: modal (the call returns when it closes) or modeless.
    // Settings are read when the window opens.
    char m_title[MAX_PATH] = "Lumetta Image Editor";
    LONG m_readOnly = 0;
    LONG m_enumerator = 1;
    LONG m_printUI = 1;
    LONG m_modal = 1;
    // False with the result code: 3 no engine, 6 no module, 2 no memory, 3 no window.
    BOOL ShowImageEditor(CMultiImageTWAIN* engine, HINSTANCE module, HWND parent);
    // True when no editor was opened or it has been closed.
    bool IsEditorClosed() const { return m_data == nullptr; }
    // After a buffer change: an unchanged editor shows the current buffer image again.
    void RefreshEditor();
    // Called by the editor's state when its window has gone.
    void OnEditorClosed();

    // --- Facade: one operation on a copy of one buffer image, which replaces the slot on
    // success. Script colours have red in the low byte; the CImage result code of a failure is
    // kept for GetErrorCode (5: no buffer or no handle).
    BOOL RotateLeft(CMultiImageTWAIN* buffer, SHORT index);
    BOOL RotateRight(CMultiImageTWAIN* buffer, SHORT index);
    BOOL Flip(CMultiImageTWAIN* buffer, SHORT index);
    BOOL Mirror(CMultiImageTWAIN* buffer, SHORT index);
    BOOL RotateEx(CMultiImageTWAIN* buffer, SHORT index, float angle, LONG scriptMethod, DWORD scriptBackground,
                  BOOL keepSize);
    BOOL Crop(CMultiImageTWAIN* buffer, SHORT index, const ScriptRect& rect);
    HGLOBAL GetCroppedImage(CMultiImageTWAIN* buffer, SHORT index, const ScriptRect& rect);
    BOOL CropToClipboard(CMultiImageTWAIN* buffer, SHORT index, const ScriptRect& rect);
    BOOL CutFrameToClipboard(CMultiImageTWAIN* buffer, SHORT index, const ScriptRect& rect, DWORD scriptColor);
    BOOL Erase(CMultiImageTWAIN* buffer, SHORT index, const ScriptRect& rect, DWORD scriptColor);
    BOOL ChangeImageSize(CMultiImageTWAIN* buffer, SHORT index, LONG width, LONG height, LONG scriptMethod);
    BOOL SetDPI(CMultiImageTWAIN* buffer, SHORT index, LONG xDpi, LONG yDpi, BOOL resample, LONG scriptMethod);
    double GetImageSize(CMultiImageTWAIN* buffer, SHORT index, LONG width, LONG height);
    BOOL GetImageResolution(CMultiImageTWAIN* buffer, SHORT index, LONG* xDpi, LONG* yDpi);
    BOOL AddText(CMultiImageTWAIN* buffer, SHORT index, LONG x, LONG y, const char* text, DWORD scriptTextColor,
                 DWORD scriptBackColor, float cornerFactor, float backWeight, const LOGFONTA* font);
    HGLOBAL OverlayRectangle(CMultiImageTWAIN* buffer, SHORT index, const ScriptRect& rect, DWORD scriptColor,
                             float opacity);
    LONG GetErrorCode() const { return m_result; }

    // The image of a slot (no buffer: result 5; a bad index: result 3, the buffer stores -1033).
    HGLOBAL GetSlotDIB(CMultiImageTWAIN* buffer, SHORT index);
    // Puts a new handle into a slot; the old handle is freed. The new one is freed on failure.
    BOOL ReplaceSlot(CMultiImageTWAIN* buffer, SHORT index, HGLOBAL dib);

    // Script colour (red in the low byte) to image colour (blue in the low byte) and back.
    static DWORD SwapRedBlue(DWORD color) {
        return (color & 0xFF00FF00u) | ((color & 0xFF) << 16) | ((color >> 16) & 0xFF);
    }
    // The script's interpolation (1 nearest, 2 bilinear, 3 bicubic) for CImage (3 becomes 4).
    static int ImageMethod(LONG scriptMethod) { return scriptMethod == 3 ? kCubic : int(scriptMethod); }
    // A script rectangle for an image of the given height (rows counted from the bottom).
    static ImageRect ToImageRect(const ScriptRect& rect, LONG height);

protected:
    friend class CImageEditorData;
    CImageEditorData* m_data = nullptr;
    HWND m_window = nullptr;
    CImageViewer m_view;
    LONG m_result = kImageOk;
    // Set while a modal editor runs: the destructor marks it so the call that waits knows.
    bool* m_goneFlag = nullptr;

private:
    // Runs an operation on a copy of the slot's image and replaces the slot on success.
    template <typename Operation>
    BOOL RunOnCopy(CMultiImageTWAIN* buffer, SHORT index, Operation operation);
    // Attaches a copy of the slot's image (false: m_result set).
    bool LoadCopy(CMultiImageTWAIN* buffer, SHORT index, CImage& image);
};

// The image editor's Image Size dialog: a new width and height in pixels or percent, with the
// proportions kept on request, and the resampling method.
#pragma once

#include <windows.h>

#include "engine/image.h"

class CImageSizeDialog {
public:
    // Largest side the dialog accepts, in pixels.
    static constexpr LONG kMaxSide = 65535;

    // Shows the dialog over the image. On OK the image's requested width, height and method (1
    // nearest, 2 bilinear, 4 bicubic) are filled and the result is true; Cancel, or the dialog
    // going away with its owner, gives false and leaves them alone.
    static bool Run(HINSTANCE module, HWND owner, CImage& image);

private:
    CImageSizeDialog(CImage& image) : m_image(image) {}
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog(HWND dialog);
    void OnSideChanged(int edit);
    void OnUnitChanged(int combo);
    bool OnOk();
    bool InPercent() const;
    LONG ReadField(int edit) const;
    void WriteField(int edit, LONG value);
    // The side in pixels from its field (percent converted).
    LONG PixelsOf(int edit) const;
    void ShowPixelDimensions();

    CImage& m_image;
    HWND m_dialog = nullptr;
    LONG m_width = 0, m_height = 0;
    bool m_writing = false;
};

// CImageEditor: the facade operations the scripting core runs on buffer images.
#include "engine/image_editor.h"

#include "engine/multi_image_twain.h"

ImageRect CImageEditor::ToImageRect(const ScriptRect& rect, LONG height) {
    return ImageRect{rect.left, LONG(int64_t(height) - rect.bottom > INT32_MAX ? INT32_MAX : height - int64_t(rect.bottom)),
                     rect.right, LONG(int64_t(height) - rect.top > INT32_MAX ? INT32_MAX : height - int64_t(rect.top))};
}

HGLOBAL CImageEditor::GetSlotDIB(CMultiImageTWAIN* buffer, SHORT index) {
    if (!buffer) {
        m_result = kImageBadValue;
        return nullptr;
    }
    HGLOBAL dib = buffer->GetImageDIB(index);
    if (!dib) m_result = kImageInvalid;
    return dib;
}

BOOL CImageEditor::ReplaceSlot(CMultiImageTWAIN* buffer, SHORT index, HGLOBAL dib) {
    if (!buffer || !dib) {
        if (dib) GlobalFree(dib);
        m_result = kImageBadValue;
        return FALSE;
    }
    if (!GlobalSize(dib)) {
        m_result = kImageInvalid;
        return FALSE;
    }
    HGLOBAL old = buffer->GetImageDIB(index);
    if (!old || !buffer->ReplaceImage(index, dib)) {
        GlobalFree(dib);
        m_result = kImageInvalid;
        return FALSE;
    }
    GlobalFree(old);
    return TRUE;
}

bool CImageEditor::LoadCopy(CMultiImageTWAIN* buffer, SHORT index, CImage& image) {
    m_result = kImageOk;
    HGLOBAL dib = GetSlotDIB(buffer, index);
    if (!dib) return false;
    if (!image.AttachHandle(dib, TRUE)) {
        m_result = image.GetResult();
        return false;
    }
    return true;
}

template <typename Operation>
BOOL CImageEditor::RunOnCopy(CMultiImageTWAIN* buffer, SHORT index, Operation operation) {
    CImage image;
    if (!LoadCopy(buffer, index, image)) return FALSE;
    if (!operation(image)) {
        m_result = image.GetResult();
        return FALSE;
    }
    HGLOBAL result = image.Detach();
    if (!result) {
        m_result = image.GetResult();
        return FALSE;
    }
    return ReplaceSlot(buffer, index, result);
}

BOOL CImageEditor::RotateLeft(CMultiImageTWAIN* buffer, SHORT index) {
    return RunOnCopy(buffer, index, [](CImage& i) { return i.RotateLeft(); });
}

BOOL CImageEditor::RotateRight(CMultiImageTWAIN* buffer, SHORT index) {
    return RunOnCopy(buffer, index, [](CImage& i) { return i.RotateRight(); });
}

BOOL CImageEditor::Flip(CMultiImageTWAIN* buffer, SHORT index) {
    return RunOnCopy(buffer, index, [](CImage& i) { return i.Flip(); });
}

BOOL CImageEditor::Mirror(CMultiImageTWAIN* buffer, SHORT index) {
    return RunOnCopy(buffer, index, [](CImage& i) { return i.Mirror(); });
}

BOOL CImageEditor::RotateEx(CMultiImageTWAIN* buffer, SHORT index, float angle, LONG scriptMethod,
                            DWORD scriptBackground, BOOL keepSize) {
    const DWORD background = SwapRedBlue(scriptBackground) & 0x00FFFFFF;
    return RunOnCopy(buffer, index, [&](CImage& i) {
        return i.RotateEx(angle, ImageMethod(scriptMethod), 2, background, keepSize != FALSE);
    });
}

BOOL CImageEditor::Crop(CMultiImageTWAIN* buffer, SHORT index, const ScriptRect& rect) {
    return RunOnCopy(buffer, index, [&](CImage& i) { return i.Crop(ToImageRect(rect, i.GetHeight())); });
}

HGLOBAL CImageEditor::GetCroppedImage(CMultiImageTWAIN* buffer, SHORT index, const ScriptRect& rect) {
    CImage image;
    if (!LoadCopy(buffer, index, image)) return nullptr;
    if (!image.Crop(ToImageRect(rect, image.GetHeight()))) {
        m_result = image.GetResult();
        return nullptr;
    }
    HGLOBAL dib = image.Detach();
    if (!dib) m_result = image.GetResult();
    return dib;
}

BOOL CImageEditor::CropToClipboard(CMultiImageTWAIN* buffer, SHORT index, const ScriptRect& rect) {
    m_result = kImageOk;
    HGLOBAL dib = GetSlotDIB(buffer, index);
    if (!dib) return FALSE;
    // The buffer's block is only read: no copy.
    CImage image;
    if (!image.AttachHandle(dib, FALSE, TRUE) || !image.CopyRectToClipboard(ToImageRect(rect, image.GetHeight()))) {
        m_result = image.GetResult();
        return FALSE;
    }
    return TRUE;
}

BOOL CImageEditor::CutFrameToClipboard(CMultiImageTWAIN* buffer, SHORT index, const ScriptRect& rect,
                                       DWORD scriptColor) {
    const DWORD color = SwapRedBlue(scriptColor) & 0x00FFFFFF;
    return RunOnCopy(buffer, index, [&](CImage& i) { return i.CutFrame(ToImageRect(rect, i.GetHeight()), color); });
}

BOOL CImageEditor::Erase(CMultiImageTWAIN* buffer, SHORT index, const ScriptRect& rect, DWORD scriptColor) {
    const DWORD color = SwapRedBlue(scriptColor) & 0x00FFFFFF;
    return RunOnCopy(buffer, index, [&](CImage& i) { return i.Erase(ToImageRect(rect, i.GetHeight()), color); });
}

BOOL CImageEditor::ChangeImageSize(CMultiImageTWAIN* buffer, SHORT index, LONG width, LONG height,
                                   LONG scriptMethod) {
    return RunOnCopy(buffer, index,
                     [&](CImage& i) { return i.Resample(width, height, ImageMethod(scriptMethod), kWrapClamp, false); });
}

BOOL CImageEditor::SetDPI(CMultiImageTWAIN* buffer, SHORT index, LONG xDpi, LONG yDpi, BOOL resample,
                          LONG scriptMethod) {
    if (resample) {
        return RunOnCopy(buffer, index,
                         [&](CImage& i) { return i.SetDPI(xDpi, yDpi, true, ImageMethod(scriptMethod)); });
    }
    // Only the header changes: in the buffer's own block.
    m_result = kImageOk;
    HGLOBAL dib = GetSlotDIB(buffer, index);
    if (!dib) return FALSE;
    CImage image;
    if (!image.AttachHandle(dib, FALSE, TRUE) || !image.SetDPI(xDpi, yDpi, false, 1)) {
        m_result = image.GetResult();
        return FALSE;
    }
    return TRUE;
}

double CImageEditor::GetImageSize(CMultiImageTWAIN* buffer, SHORT index, LONG width, LONG height) {
    m_result = kImageOk;
    HGLOBAL dib = GetSlotDIB(buffer, index);
    if (!dib) return -1;
    CImage image;
    if (!image.AttachHandle(dib, FALSE, TRUE)) {
        m_result = image.GetResult();
        return -1;
    }
    const int64_t size = image.GetSizeInBytes(width, height);
    m_result = image.GetResult();
    return size < 0 ? -1 : double(size);
}

BOOL CImageEditor::GetImageResolution(CMultiImageTWAIN* buffer, SHORT index, LONG* xDpi, LONG* yDpi) {
    m_result = kImageOk;
    HGLOBAL dib = GetSlotDIB(buffer, index);
    if (!dib) return FALSE;
    CImage image;
    image.AttachHandle(dib, FALSE, TRUE);
    if (xDpi) *xDpi = image.GetXDPI();
    if (yDpi) *yDpi = image.GetYDPI();
    m_result = image.GetResult();
    return m_result == kImageOk;
}

BOOL CImageEditor::AddText(CMultiImageTWAIN* buffer, SHORT index, LONG x, LONG y, const char* text,
                           DWORD scriptTextColor, DWORD scriptBackColor, float cornerFactor, float backWeight,
                           const LOGFONTA* font) {
    const DWORD textColor = SwapRedBlue(scriptTextColor) & 0x00FFFFFF;
    const DWORD backColor = SwapRedBlue(scriptBackColor) & 0x00FFFFFF;
    return RunOnCopy(buffer, index, [&](CImage& i) {
        return i.AddText(x, y, text, textColor, backColor, cornerFactor, backWeight, font);
    });
}

HGLOBAL CImageEditor::OverlayRectangle(CMultiImageTWAIN* buffer, SHORT index, const ScriptRect& rect,
                                       DWORD scriptColor, float opacity) {
    m_result = kImageOk;
    HGLOBAL dib = GetSlotDIB(buffer, index);
    if (!dib) return nullptr;
    CImage image;
    HGLOBAL overlay = nullptr;
    if (image.AttachHandle(dib, FALSE, TRUE)) {
        overlay = image.OverlayRectangle(ToImageRect(rect, image.GetHeight()), SwapRedBlue(scriptColor) & 0x00FFFFFF,
                                         opacity);
    }
    if (!overlay) m_result = image.GetResult();
    return overlay;
}

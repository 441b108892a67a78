// CBrowserAddOnBase: the script's per-image operations (through the image editor facade), the
// text font, the clipboard, the Base64 output of prepared data and the blank test.
#include <algorithm>
#include <cstring>
#include <new>

#include "core/base64.h"
#include "core/browser_addon_base.h"
#include "core/worker_runner.h"
#include "base/dib_layout.h"
#include "base/error_codes.h"
#include "engine/image_filter.h"
#include "engine/print_job.h"

namespace {

// One facade operation: a new editor, the call, the mapped error on failure.
template <typename Result, typename Call>
Result RunFacade(CBrowserAddOnBase* engine, Result failed, Call call) {
    engine->SetErrorCode(0);
    CImageEditor* editor = new (std::nothrow) CImageEditor();
    if (!editor) {
        engine->SetErrorCode(kErrNoMemory);
        return failed;
    }
    Result result = call(*editor);
    if (result == failed) engine->SetErrorFromImageResult(editor->GetErrorCode());
    delete editor;
    return result;
}

ScriptRect Rect(LONG left, LONG top, LONG right, LONG bottom) { return ScriptRect{left, top, right, bottom}; }

BOOL BlankAreaWork(WorkerTaskContext& task) {
    return task.engine->RunBlankImageTestOn(task.image, task.rect, task.flag);
}

}  // namespace

BOOL CBrowserAddOnBase::ShowImageEditor(HWND parent) {
    SetErrorCode(0);
    CImageEditor* editor = new (std::nothrow) CImageEditor();
    if (!editor || !m_openEditors.Add(editor)) {
        delete editor;
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    editor->m_readOnly = m_editorIfReadonly;
    editor->m_enumerator = m_editorIfEnableEnumerator;
    editor->m_printUI = m_ifShowPrintUI;
    editor->m_modal = m_editorIfModal;
    lstrcpynA(editor->m_title, m_editorTitle[0] ? m_editorTitle : "Lumetta Image Editor", MAX_PATH);
    LifetimeWatch watch{false, m_lifetimeWatches};
    m_lifetimeWatches = &watch;
    const BOOL opened = editor->ShowImageEditor(this, CoreModuleInstance(), parent);
    // The host went away inside the modal editor: the engine and the editor are gone.
    if (watch.destroyed) return opened;
    m_lifetimeWatches = watch.outer;
    const LONG result = editor->GetErrorCode();
    for (int i = m_openEditors.GetSize() - 1; i >= 0; --i) {
        auto* open = static_cast<CImageEditor*>(m_openEditors.GetAt(i));
        if (open && !open->IsEditorClosed()) continue;
        m_openEditors.RemoveAt(i);
        delete open;
    }
    if (!opened) SetErrorFromImageResult(result);
    return opened;
}

BOOL CBrowserAddOnBase::PrintBuffer(HWND owner) {
    SetErrorCode(0);
    LifetimeWatch watch{false, m_lifetimeWatches};
    m_lifetimeWatches = &watch;
    CPrint job(this, CoreModuleInstance(), m_ifShowPrintUI);
    const BOOL printed = job.PrintImages(owner, 1, GetImageCount(), 1);
    if (watch.destroyed) return printed;
    m_lifetimeWatches = watch.outer;
    if (!printed) SetErrorCode(kErrGeneralFailure);
    return printed;
}

void CBrowserAddOnBase::SetErrorFromImageResult(LONG result) {
    switch (result) {
        case kImageOk: SetErrorCode(kErrSuccess); break;
        case kImageCancelled: SetErrorCode(kErrUserCancelled); break;
        case kImageNoMemory: SetErrorCode(kErrNoMemory); break;
        case kImageInvalid: SetErrorCode(kErrInvalidIndex); break;
        case kImageClipboardFailed:
        case kImageNoModule: break;
        case kImageBadValue: SetErrorCode(kErrInvalidValue); break;
        default: SetErrorCode(result); break;
    }
}

BOOL CBrowserAddOnBase::RotateLeft(SHORT index) {
    return RunFacade(this, BOOL(FALSE), [&](CImageEditor& e) { return e.RotateLeft(this, index); });
}

BOOL CBrowserAddOnBase::RotateRight(SHORT index) {
    return RunFacade(this, BOOL(FALSE), [&](CImageEditor& e) { return e.RotateRight(this, index); });
}

BOOL CBrowserAddOnBase::Flip(SHORT index) {
    return RunFacade(this, BOOL(FALSE), [&](CImageEditor& e) { return e.Flip(this, index); });
}

BOOL CBrowserAddOnBase::Mirror(SHORT index) {
    return RunFacade(this, BOOL(FALSE), [&](CImageEditor& e) { return e.Mirror(this, index); });
}

BOOL CBrowserAddOnBase::Crop(SHORT index, LONG left, LONG top, LONG right, LONG bottom) {
    return RunFacade(this, BOOL(FALSE),
                     [&](CImageEditor& e) { return e.Crop(this, index, Rect(left, top, right, bottom)); });
}

BOOL CBrowserAddOnBase::CropToClipboard(SHORT index, LONG left, LONG top, LONG right, LONG bottom) {
    return RunFacade(this, BOOL(FALSE),
                     [&](CImageEditor& e) { return e.CropToClipboard(this, index, Rect(left, top, right, bottom)); });
}

BOOL CBrowserAddOnBase::Erase(SHORT index, LONG left, LONG top, LONG right, LONG bottom) {
    return RunFacade(this, BOOL(FALSE), [&](CImageEditor& e) {
        return e.Erase(this, index, Rect(left, top, right, bottom), m_backgroundFillColor);
    });
}

BOOL CBrowserAddOnBase::CutFrameToClipboard(SHORT index, LONG left, LONG top, LONG right, LONG bottom) {
    return RunFacade(this, BOOL(FALSE), [&](CImageEditor& e) {
        return e.CutFrameToClipboard(this, index, Rect(left, top, right, bottom), m_backgroundFillColor);
    });
}

HGLOBAL CBrowserAddOnBase::GetCroppedImage(SHORT index, LONG left, LONG top, LONG right, LONG bottom) {
    return RunFacade(this, HGLOBAL(nullptr),
                     [&](CImageEditor& e) { return e.GetCroppedImage(this, index, Rect(left, top, right, bottom)); });
}

double CBrowserAddOnBase::GetImageSize(SHORT index, LONG width, LONG height) {
    return RunFacade(this, -1.0, [&](CImageEditor& e) { return e.GetImageSize(this, index, width, height); });
}

BOOL CBrowserAddOnBase::ChangeImageSize(SHORT index, LONG width, LONG height, LONG method) {
    return RunFacade(this, BOOL(FALSE),
                     [&](CImageEditor& e) { return e.ChangeImageSize(this, index, width, height, method); });
}

LONG CBrowserAddOnBase::GetImageXResolution(SHORT index) {
    LONG x = 0, y = 0;
    RunFacade(this, BOOL(FALSE), [&](CImageEditor& e) { return e.GetImageResolution(this, index, &x, &y); });
    return x;
}

LONG CBrowserAddOnBase::GetImageYResolution(SHORT index) {
    LONG x = 0, y = 0;
    RunFacade(this, BOOL(FALSE), [&](CImageEditor& e) { return e.GetImageResolution(this, index, &x, &y); });
    return y;
}

BOOL CBrowserAddOnBase::RotateEx(SHORT index, float angle, BOOL keepSize, LONG method) {
    return RunFacade(this, BOOL(FALSE), [&](CImageEditor& e) {
        return e.RotateEx(this, index, angle, method, m_backgroundFillColor, keepSize);
    });
}

BOOL CBrowserAddOnBase::SetDPI(SHORT index, LONG xDpi, LONG yDpi, BOOL resample, LONG method) {
    return RunFacade(this, BOOL(FALSE),
                     [&](CImageEditor& e) { return e.SetDPI(this, index, xDpi, yDpi, resample, method); });
}

BOOL CBrowserAddOnBase::AddText(SHORT index, LONG x, LONG y, const char* text, DWORD textColor, DWORD backColor,
                                float roundRadius, float opacity) {
    return RunFacade(this, BOOL(FALSE), [&](CImageEditor& e) {
        return e.AddText(this, index, x, y, text, textColor, backColor, roundRadius, opacity, &m_textFont);
    });
}

BOOL CBrowserAddOnBase::ShowOverlayInViewer(SHORT index, HGLOBAL overlay, const RECT& rect, DWORD color,
                                             float opacity) {
    return m_viewer.AddOverlayRectangle(index, rect.left, rect.top, rect.right, rect.bottom, color, opacity, overlay);
}

BOOL CBrowserAddOnBase::OverlayRectangle(SHORT index, LONG left, LONG top, LONG right, LONG bottom, DWORD color,
                                         float opacity) {
    if (!(opacity > 0)) {
        SetErrorCode(0);
        return GetImageDIB(index) != nullptr;
    }
    HGLOBAL overlay = RunFacade(this, HGLOBAL(nullptr), [&](CImageEditor& e) {
        return e.OverlayRectangle(this, index, Rect(left, top, right, bottom), color, opacity);
    });
    if (!overlay) return FALSE;
    const RECT area = {left, top, right, bottom};
    if (!ShowOverlayInViewer(index, overlay, area, color, opacity)) {
        GlobalFree(overlay);
        SetErrorCode(kErrInvalidIndex);
        return FALSE;
    }
    return TRUE;
}

BOOL CBrowserAddOnBase::CreateTextFont(LONG height, LONG width, LONG escapement, LONG orientation, LONG weight,
                                       BYTE italic, BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                                       BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily, const char* faceName) {
    SetErrorCode(0);
    LOGFONTA font = {};
    font.lfHeight = height;
    font.lfWidth = width;
    font.lfEscapement = escapement;
    font.lfOrientation = orientation;
    font.lfWeight = weight;
    font.lfItalic = italic;
    font.lfUnderline = underline;
    font.lfStrikeOut = strikeOut;
    font.lfCharSet = charSet;
    font.lfOutPrecision = outPrecision;
    font.lfClipPrecision = clipPrecision;
    font.lfQuality = quality;
    font.lfPitchAndFamily = pitchAndFamily;
    if (faceName) strncpy(font.lfFaceName, faceName, LF_FACESIZE - 1);
    HFONT test = CreateFontIndirectA(&font);
    if (!test) {
        SetErrorCode(kErrSystemBase - LONG(GetLastError()));
        return FALSE;
    }
    DeleteObject(test);
    m_textFont = font;
    return TRUE;
}

BOOL CBrowserAddOnBase::CopyToClipboard(SHORT index) {
    SetErrorCode(0);
    HGLOBAL dib = GetImageDIB(index);
    if (!dib) return FALSE;
    const SIZE_T size = GlobalSize(dib);
    const void* source = size ? GlobalLock(dib) : nullptr;
    // The clipboard takes moveable blocks.
    HGLOBAL copy = source ? GlobalAlloc(GMEM_MOVEABLE, size) : nullptr;
    void* target = copy ? GlobalLock(copy) : nullptr;
    if (target) {
        memcpy(target, source, size);
        GlobalUnlock(copy);
    }
    if (source) GlobalUnlock(dib);
    if (!target) {
        if (copy) GlobalFree(copy);
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    if (!OpenClipboard(m_ownerWindowCore)) {
        GlobalFree(copy);
        SetErrorCode(kErrGeneralFailure);
        return FALSE;
    }
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_DIB, copy) != nullptr;
    CloseClipboard();
    if (!placed) {
        GlobalFree(copy);
        SetErrorCode(kErrGeneralFailure);
        return FALSE;
    }
    return TRUE;
}

BOOL CBrowserAddOnBase::CutToClipboard(SHORT index) {
    if (!CopyToClipboard(index)) return FALSE;
    return RemoveImage(index);
}

BOOL CBrowserAddOnBase::LoadDibFromClipboard() {
    SetErrorCode(0);
    if (!OpenClipboard(m_ownerWindowCore)) {
        SetErrorCode(kErrGeneralFailure);
        return FALSE;
    }
    BOOL ok = FALSE;
    // Another program's block: the layout check works in 64 bits, bounds the colour table by the
    // depth and accepts only BI_RGB and BI_BITFIELDS with their masks.
    HANDLE data = GetClipboardData(CF_DIB);
    DibLayout layout;
    if (!data || !ComputeDibLayout(static_cast<HGLOBAL>(data), &layout)) {
        SetErrorCode(kErrBmpFormat);
    } else {
        CImage model;
        HGLOBAL dib = model.CreateFromPackedDIB(static_cast<HGLOBAL>(data));
        if (!dib) {
            SetErrorCode(model.GetResult() == kImageNoMemory ? LONG(2) : LONG(kErrBmpFormat));
        } else {
            ok = AddImage(dib);  // the buffer owns the image from here, also when it refuses it
        }
    }
    CloseClipboard();
    return ok;
}

void CBrowserAddOnBase::SetSelectedImagesData(HGLOBAL data, LONG size) {
    if (m_selectedData && m_selectedData != data) GlobalFree(m_selectedData);
    m_selectedData = data;
    m_selectedDataSize = data ? size : 0;
    m_selectedDataPos = 0;
}

BOOL CBrowserAddOnBase::SaveSelectedImagesToBase64Binary(void* scriptString) {
    SetErrorCode(0);
    if (!m_selectedData || m_selectedDataSize <= 0) {
        SetErrorCode(kErrNoSelectedImagesSize);
        return FALSE;
    }
    CBase64 base64;
    const SIZE_T blockSize = GlobalSize(m_selectedData);
    const DWORD length = DWORD(std::min<SIZE_T>(blockSize, SIZE_T(m_selectedDataSize)));
    const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(m_selectedData));
    const bool encoded = bytes && base64.Encode(bytes, length);
    if (bytes) GlobalUnlock(m_selectedData);
    GlobalFree(m_selectedData);
    m_selectedData = nullptr;
    m_selectedDataSize = 0;
    m_selectedDataPos = 0;
    const char* text = encoded ? base64.GetEncodedText() : nullptr;
    if (!text) {
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    return SetScriptString(scriptString, text, TRUE);
}

BOOL CBrowserAddOnBase::RunBlankImageTest(SHORT index, const RECT& rect, BOOL fuzzy) {
    SetErrorCode(0);
    HGLOBAL dib = GetImageDIB(index);
    if (!dib) return FALSE;
    return RunBlankImageTestOn(dib, rect, fuzzy);
}

BOOL CBrowserAddOnBase::RunBlankImageTestOn(HGLOBAL dib, const RECT& rect, BOOL fuzzy) {
    SetErrorCode(0);
    // The page's rectangle goes through as it is: CImage counts its rows from the bottom.
    CImageFilter filter;
    double current = 0;
    const bool blank = filter.IsBlankImage(dib, m_blankThreshold, m_blankMaxStdDev,
                                           ImageRect{rect.left, rect.top, rect.right, rect.bottom}, fuzzy, &current);
    m_blankCurrentStdDev = current;
    SetErrorFromImageResult(filter.GetErrorCode());
    return blank;
}

BOOL CBrowserAddOnBase::IsBlankImageEx(SHORT index, LONG left, LONG top, LONG right, LONG bottom, BOOL fuzzy) {
    const RECT rect = {left, top, right, bottom};
    switch (RouteLongOperation(this)) {
        case LongOperationRoute::Busy: return FALSE;
        case LongOperationRoute::Worker: {
            WorkerTaskContext task(this, kWorkerBlankArea, &BlankAreaWork);
            // The worker reads its own copy: page script may free the buffer image meanwhile.
            HGLOBAL dib = GetImageDIB(index);
            if (!dib) return FALSE;
            if (!task.TakeImageCopy(dib)) {
                SetErrorCode(kErrNoMemory);
                return FALSE;
            }
            task.index = index;
            task.rect = rect;
            task.flag = fuzzy;
            const LONG showProgress = m_ifShowProgressBar;
            m_ifShowProgressBar = 0;
            RunInWorkerThread(this, WorkerThreadProc, &task);
            m_ifShowProgressBar = showProgress;
            return task.result;
        }
        case LongOperationRoute::Direct: break;
    }
    return RunBlankImageTest(index, rect, fuzzy);
}

BOOL CBrowserAddOnBase::IsBlankImage(SHORT index) { return IsBlankImageEx(index, 0, 0, -1, -1, FALSE); }

std::vector<SHORT> CBrowserAddOnBase::SelectedIndexList() const {
    std::vector<SHORT> list;
    for (int index : m_viewer.SelectedIndices()) list.push_back(static_cast<SHORT>(index));
    return list;
}

BOOL CBrowserAddOnBase::RemoveAllSelectedImages(const std::function<void(bool)>& holdViews) {
    holdViews(true);
    SetErrorCode(0);
    const std::vector<SHORT> selected = SelectedIndexList();
    BOOL ok = TRUE;
    for (auto it = selected.rbegin(); it != selected.rend() && ok; ++it) ok = RemoveImage(*it);
    holdViews(false);
    if (!selected.empty()) OnBufferChanged(nullptr, 0);
    return ok;
}

BOOL CBrowserAddOnBase::LoadImageFromMemory(const BYTE* bytes, DWORD size, LONG type) {
    return LoadEncodedImage(type, size, bytes, &m_pdfSettings) == 1;
}

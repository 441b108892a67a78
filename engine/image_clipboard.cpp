// CImage: rectangles of the image put on the clipboard as CF_DIB.
#include <cstring>

#include "engine/image.h"

bool CImage::CopyRectToClipboard(const ImageRect& rect) {
    CImage part;
    if (!CropInto(rect, part)) return false;
    // The clipboard takes moveable blocks.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, part.GetBlockSize());
    void* target = block ? GlobalLock(block) : nullptr;
    if (!target) {
        if (block) GlobalFree(block);
        m_result = kImageNoMemory;
        return false;
    }
    memcpy(target, part.GetDIB(), part.GetBlockSize());
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(block);
        m_result = kImageClipboardFailed;
        return false;
    }
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_DIB, block) != nullptr;
    CloseClipboard();
    if (!placed) {
        GlobalFree(block);
        m_result = kImageClipboardFailed;
        return false;
    }
    m_result = kImageOk;
    return true;
}

bool CImage::CutFrame(const ImageRect& rect, DWORD color) {
    return CopyRectToClipboard(rect) && Erase(rect, color);
}

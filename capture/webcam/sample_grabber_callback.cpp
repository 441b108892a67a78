#include "capture/webcam/sample_grabber_callback.h"

#include <cstring>

namespace {
// Far beyond any camera frame; a larger connected size is refused rather than allocated.
constexpr unsigned long long kMaxImageBytes = 1ull << 30;
}

CSampleGrabberCB::CSampleGrabberCB() { m_grabEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr); }

CSampleGrabberCB::~CSampleGrabberCB() {
    FreeSpareDib();
    if (m_frameBuffer) GlobalFree(m_frameBuffer);
    if (m_resultDib) GlobalFree(static_cast<HGLOBAL>(m_resultDib));
    if (m_grabEvent) CloseHandle(m_grabEvent);
}

STDMETHODIMP CSampleGrabberCB::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_ISampleGrabberCB || iid == IID_IUnknown) {
        *out = static_cast<ISampleGrabberCB*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

void CSampleGrabberCB::SetFormat(WebCam* owner, LONG width, LONG height, LONG frameRate) {
    m_owner = owner;
    m_width = width;
    m_height = height;
    m_frameRate = frameRate;
    memset(&m_header, 0, sizeof(m_header));
    m_header.biSize = sizeof(BITMAPINFOHEADER);
    m_header.biWidth = width;
    m_header.biHeight = height;
    m_header.biPlanes = 1;
    m_header.biBitCount = 24;
    // The graph is not running yet: ready the first grab's block now, of the new size (a spare
    // of the old size is freed).
    PrepareSpareDib();
}

void CSampleGrabberCB::FreeSpareDib() {
    if (m_spareDib) GlobalFree(m_spareDib);
    m_spareDib = nullptr;
    m_spareDibBytes = 0;
}

void CSampleGrabberCB::PrepareSpareDib() {
    unsigned long long imageBytes = ImageBytes();
    SIZE_T dibBytes = imageBytes ? static_cast<SIZE_T>(sizeof(BITMAPINFOHEADER) + imageBytes) : 0;
    if (m_spareDib && m_spareDibBytes == dibBytes) return;
    FreeSpareDib();
    if (!dibBytes) return;
    HGLOBAL spare = GlobalAlloc(GMEM_MOVEABLE, dibBytes);
    auto* bytes = spare ? static_cast<BYTE*>(GlobalLock(spare)) : nullptr;
    if (!bytes) {
        if (spare) GlobalFree(spare);
        return;  // the grab allocates its block itself
    }
    // Writing every byte maps every page; the header and the rows are written again by the grab.
    memcpy(bytes, &m_header, sizeof(m_header));
    memset(bytes + sizeof(m_header), 0, static_cast<size_t>(imageBytes));
    GlobalUnlock(spare);
    m_spareDib = spare;
    m_spareDibBytes = dibBytes;
}

unsigned long long CSampleGrabberCB::ImageBytes() const {
    if (m_width < 1 || m_height == 0 || m_height == LONG_MIN) return 0;
    unsigned long long stride = (static_cast<unsigned long long>(m_width) * 24 + 31) / 32 * 4;
    unsigned long long rows = static_cast<unsigned long long>(m_height < 0 ? -static_cast<long long>(m_height) : m_height);
    unsigned long long bytes = stride * rows;
    return bytes > kMaxImageBytes ? 0 : bytes;
}

STDMETHODIMP CSampleGrabberCB::BufferCB(double, BYTE* buffer, long length) {
    if (m_grabFlag == 0) return S_OK;  // no grab requested: the frame is dropped
    if (!buffer) return E_POINTER;
    // The DIB promises 24-bit rows of the connected size: a shorter frame (another format, a
    // truncated sample) would be over-read. Wait for a complete one.
    unsigned long long imageBytes = ImageBytes();
    if (length <= 0 || imageBytes == 0 || static_cast<unsigned long long>(length) < imageBytes) return S_OK;
    if (m_frameBufferSize < static_cast<SIZE_T>(length)) {
        if (m_frameBuffer) GlobalFree(m_frameBuffer);
        m_frameBuffer = static_cast<BYTE*>(GlobalAlloc(GPTR, length));
        m_frameBufferSize = m_frameBuffer ? length : 0;
        if (!m_frameBuffer) return E_OUTOFMEMORY;
    }
    memcpy(m_frameBuffer, buffer, length);
    // Claim the request: a grabber that gave up meanwhile has cleared the flag.
    if (InterlockedCompareExchange(&m_grabFlag, 0, 1) != 1) return S_OK;
    HGLOBAL dib = m_owner ? BuildDib(m_frameBuffer, static_cast<size_t>(imageBytes)) : nullptr;
    InterlockedExchangePointer(&m_resultDib, dib);
    SetEvent(m_grabEvent);
    // The caller is on its way with its DIB: ready the next grab's block on this thread now,
    // while no one waits for it.
    PrepareSpareDib();
    return S_OK;
}

HGLOBAL CSampleGrabberCB::BuildDib(const BYTE* pixels, size_t imageBytes) {
    // The header and the rows fill the block to its last byte: a zero fill would be one more
    // pass over the frame on the streaming thread, overwritten at once. The spare block, when it
    // has this size, is taken over and becomes the caller's; otherwise a block is allocated here.
    const SIZE_T dibBytes = sizeof(BITMAPINFOHEADER) + imageBytes;
    HGLOBAL dib = nullptr;
    if (m_spareDib && m_spareDibBytes == dibBytes) {
        dib = m_spareDib;
        m_spareDib = nullptr;
        m_spareDibBytes = 0;
    } else {
        dib = GlobalAlloc(GMEM_MOVEABLE, dibBytes);
    }
    auto* bytes = dib ? static_cast<BYTE*>(GlobalLock(dib)) : nullptr;
    if (!bytes) {
        if (dib) GlobalFree(dib);
        return nullptr;
    }
    memcpy(bytes, &m_header, sizeof(m_header));
    memcpy(bytes + sizeof(m_header), pixels, imageBytes);
    GlobalUnlock(dib);
    return dib;
}

bool CSampleGrabberCB::Grab(DWORD timeoutMs, HGLOBAL& dib) {
    dib = nullptr;
    if (!m_grabEvent) return false;
    // Reset before requesting, so a frame that answers at once is never missed.
    ResetEvent(m_grabEvent);
    if (void* stale = InterlockedExchangePointer(&m_resultDib, nullptr)) {
        GlobalFree(stale);
    }
    InterlockedExchange(&m_grabFlag, 1);
    DWORD wait = WaitForSingleObject(m_grabEvent, timeoutMs);
    if (wait != WAIT_OBJECT_0) {
        // Withdraw the request. When a frame claimed it meanwhile, let its copy finish and free
        // the DIB it built: nobody takes it.
        if (InterlockedCompareExchange(&m_grabFlag, 0, 1) == 1) return false;
        WaitForSingleObject(m_grabEvent, INFINITE);
        if (void* late = InterlockedExchangePointer(&m_resultDib, nullptr)) {
            GlobalFree(late);
        }
        return false;
    }
    dib = static_cast<HGLOBAL>(InterlockedExchangePointer(&m_resultDib, nullptr));
    return dib != nullptr;
}

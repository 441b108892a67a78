// CSampleGrabberCB: the sample grabber's buffer callback. While a grab is requested it copies
// the next frame of the connected video and builds a packed 24-bit DIB of it.
#pragma once

#include "platform/directshow/directshow.h"

class WebCam;

class CSampleGrabberCB : public ISampleGrabberCB {
public:
    CSampleGrabberCB();
    virtual ~CSampleGrabberCB();
    CSampleGrabberCB(const CSampleGrabberCB&) = delete;
    CSampleGrabberCB& operator=(const CSampleGrabberCB&) = delete;

    // IUnknown: the owning WebCam keeps the callback alive; nothing is counted.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SampleCB(double, IMediaSample*) override { return 0; }
    // Runs on DirectShow's streaming thread.
    STDMETHODIMP BufferCB(double sampleTime, BYTE* buffer, long length) override;

    // The connected video: taken from the grabber's media type once the graph is built.
    void SetFormat(WebCam* owner, LONG width, LONG height, LONG frameRate);

    // Requests the next frame and waits for it at most timeoutMs. True with a new DIB that
    // belongs to the caller; false when no complete frame came in time. A frame that arrives
    // after the time-out builds nothing.
    bool Grab(DWORD timeoutMs, HGLOBAL& dib);

    LONG Width() const { return m_width; }
    LONG Height() const { return m_height; }
    LONG FrameRate() const { return m_frameRate; }

    // Bytes of the DIB rows of the connected size: ((width x 24 + 31) / 32) x 4 x |height|, or 0
    // when the size is not a valid one.
    unsigned long long ImageBytes() const;

    // The block the next grab's DIB will be built in, or null when none is ready. For
    // inspection while no frame is being delivered: the streaming thread replaces it.
    HGLOBAL SpareDib() const { return m_spareDib; }

private:
    HGLOBAL BuildDib(const BYTE* pixels, size_t imageBytes);
    // Makes sure a spare block of the connected size is ready, its pages already touched.
    void PrepareSpareDib();
    void FreeSpareDib();

    LONG m_width = 640;
    LONG m_height = 480;
    LONG m_frameRate = 30;
    WebCam* m_owner = nullptr;
    void* m_resultDib = nullptr;  // HGLOBAL, exchanged between the two threads
    BYTE* m_frameBuffer = nullptr;  // fixed global-memory block, reused and only grown
    SIZE_T m_frameBufferSize = 0;
    BITMAPINFOHEADER m_header{};
    // A DIB block of the connected size (header and rows), allocated and written once ahead of
    // the grab that will fill it, so that the copy the waiting caller depends on goes into memory
    // that is already mapped rather than taking a page fault every 4 KB. It costs one more block
    // of a frame's size while a camera is open. Only the streaming thread (BufferCB) and
    // SetFormat / the destructor, which run while no frame can be delivered, touch it.
    HGLOBAL m_spareDib = nullptr;
    SIZE_T m_spareDibBytes = 0;
    volatile LONG m_grabFlag = 0;
    HANDLE m_grabEvent = nullptr;  // manual reset
};

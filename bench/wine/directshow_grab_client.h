// The smallest plain DirectShow client that grabs single frames of a camera, written the way a
// programmer without the engine would: the first device of the video input category, a filter
// graph built by the capture graph builder through a sample grabber held to RGB24, and a grab
// that raises a request flag, waits for the next buffer callback and takes the frame as a new
// packed 24-bit DIB in global memory. The webcam benchmark measures the engine against it.
#pragma once

#include "platform/directshow/directshow.h"

class DirectShowGrabClient {
public:
    DirectShowGrabClient();
    ~DirectShowGrabClient();
    DirectShowGrabClient(const DirectShowGrabClient&) = delete;
    DirectShowGrabClient& operator=(const DirectShowGrabClient&) = delete;

    // Builds and runs the graph of the first video input device with its first RGB24 capability
    // of width x height. False (with a line on stderr) when any step fails.
    bool Open(LONG width, LONG height);
    // The next frame as a new moveable global-memory DIB (BITMAPINFOHEADER, then the rows) that
    // the caller frees; false when none came within timeoutMs.
    bool Grab(HGLOBAL& dib, DWORD timeoutMs);

    const wchar_t* DeviceName() const { return m_deviceName; }
    // 100 ns units, from the grabber's connected media type.
    REFERENCE_TIME FramePeriod() const { return m_framePeriod; }

private:
    // The buffer callback, on DirectShow's streaming thread. It lives inside the client, which
    // outlives the graph: nothing is counted.
    class Callback : public ISampleGrabberCB {
    public:
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
        STDMETHODIMP_(ULONG) AddRef() override { return 2; }
        STDMETHODIMP_(ULONG) Release() override { return 1; }
        STDMETHODIMP SampleCB(double, IMediaSample*) override { return E_NOTIMPL; }
        STDMETHODIMP BufferCB(double sampleTime, BYTE* buffer, long length) override;

        BITMAPINFOHEADER header{};
        SIZE_T imageBytes = 0;
        volatile LONG wanted = 0;
        HGLOBAL result = nullptr;
        HANDLE done = nullptr;  // manual reset
    };

    bool Fail(const char* step, HRESULT hr);
    bool FindDevice();
    bool SelectFormat(LONG width, LONG height);
    bool BuildGraph();

    Callback m_callback;
    IMoniker* m_moniker = nullptr;
    wchar_t m_deviceName[128] = {};
    IGraphBuilder* m_graph = nullptr;
    ICaptureGraphBuilder2* m_builder = nullptr;
    IBaseFilter* m_source = nullptr;
    IAMStreamConfig* m_streamConfig = nullptr;
    ISampleGrabber* m_grabber = nullptr;
    IMediaControl* m_control = nullptr;
    REFERENCE_TIME m_framePeriod = 0;
};

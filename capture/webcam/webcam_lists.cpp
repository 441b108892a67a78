// The device's lists of media subtypes, sizes and frame rates, and the switches between them.
#include <algorithm>

#include "capture/webcam/webcam.h"

namespace {

template <typename T>
void AppendOnce(std::vector<T>& list, const T& value) {
    if (std::find(list.begin(), list.end(), value) == list.end()) list.push_back(value);
}

}  // namespace

void WebCam::BuildLists() {
    m_subtypes.clear();
    m_sizes.clear();
    m_frameRates.clear();
    int count = 0, size = 0;
    if (!m_streamConfig || FAILED(m_streamConfig->GetNumberOfCapabilities(&count, &size)) ||
        size != sizeof(VIDEO_STREAM_CONFIG_CAPS)) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* type = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps;
        if (FAILED(m_streamConfig->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&caps))) || !type) continue;
        AppendOnce(m_subtypes, type->subtype);
        if (const VIDEOINFOHEADER* info = VideoInfoOf(*type)) {
            CamResolution resolution{info->bmiHeader.biWidth, info->bmiHeader.biHeight};
            if (resolution.IsListable()) AppendOnce(m_sizes, resolution);
            LONG rate = FrameRateOf(info->AvgTimePerFrame);
            if (rate > 0) AppendOnce(m_frameRates, rate);
        }
        DeleteMediaType(type);
    }
}

int WebCam::GetMediaTypeListCount() { return EnsureOpen() ? static_cast<int>(m_subtypes.size()) : 0; }

const char* WebCam::GetMediaTypeByIndex(int index) {
    if (!EnsureOpen()) return nullptr;
    if (index < 0 || index >= static_cast<int>(m_subtypes.size())) return Fail(L"Invalid index."), nullptr;
    return m_dictionary->NameOf(m_subtypes[index]);
}

const char* WebCam::GetMediaType() {
    if (!EnsureOpen()) return nullptr;
    return m_dictionary->NameOf(m_currentSubtype);
}

int WebCam::GetResolutionForCamListCount() { return EnsureOpen() ? static_cast<int>(m_sizes.size()) : 0; }

char* WebCam::GetResolutionForCamByIndex(int index) {
    if (!EnsureOpen()) return nullptr;
    if (index < 0 || index >= static_cast<int>(m_sizes.size())) return Fail(L"Invalid index."), nullptr;
    return m_sizes[index].ToText();
}

char* WebCam::GetResolutionForCam() {
    if (!EnsureOpen()) return nullptr;
    return m_currentSize.ToText();
}

int WebCam::GetFrameRateListCount() { return EnsureOpen() ? static_cast<int>(m_frameRates.size()) : 0; }

LONG WebCam::GetFrameRateByIndex(int index) {
    if (!EnsureOpen()) return 0;
    if (index < 0 || index >= static_cast<int>(m_frameRates.size())) return Fail(L"Invalid index."), 0;
    return m_frameRates[index];
}

LONG WebCam::GetFrameRate() { return EnsureOpen() ? m_currentFrameRate : 0; }

template <typename Match>
bool WebCam::ReconnectWithCapability(Match matches, const CamResolution* resizeTo) {
    int count = 0, size = 0;
    HRESULT hr = m_streamConfig->GetNumberOfCapabilities(&count, &size);
    if (FAILED(hr)) return Fail(hr);
    StopGraph();
    if (size != sizeof(VIDEO_STREAM_CONFIG_CAPS)) {
        TearDownGraph();
        return Fail(L"The camera's video format is not supported.");
    }
    bool matched = false;
    for (int i = 0; i < count && m_streamConfig; ++i) {
        AM_MEDIA_TYPE* type = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps;
        if (FAILED(m_streamConfig->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&caps))) || !type) continue;
        bool connected = false;
        if (matches(*type)) {
            matched = true;
            if (resizeTo && m_resizeContainer && m_container) ResizeContainer(m_container, resizeTo->Width, resizeTo->Height);
            connected = BuildGraph() && Connect(*type);
        }
        DeleteMediaType(type);
        if (connected) return true;
    }
    // The stopped graph is dropped; the next use opens the device afresh.
    TearDownGraph();
    return matched ? false : Fail(L"The camera offers no such format.");
}

bool WebCam::SelectMediaTypeByIndex(int index) {
    if (!EnsureOpen()) return false;
    if (index < 0 || index >= static_cast<int>(m_subtypes.size())) return Fail(L"Invalid index.");
    GUID wanted = m_subtypes[index];
    // The device's subtype decides, not the grabber's: the grabber always takes RGB24.
    if (IsEqualGUID(wanted, m_currentSubtype)) return true;
    return ReconnectWithCapability([&](const AM_MEDIA_TYPE& type) { return IsEqualGUID(type.subtype, wanted); }, nullptr);
}

bool WebCam::SelectResolutionForCamByIndex(int index) {
    if (!EnsureOpen()) return false;
    if (index < 0 || index >= static_cast<int>(m_sizes.size())) return Fail(L"Invalid index.");
    CamResolution wanted = m_sizes[index];
    if (wanted.Width == m_callback->Width() && wanted.Height == m_callback->Height()) return true;
    GUID subtype = m_currentSubtype;
    return ReconnectWithCapability(
        [&](const AM_MEDIA_TYPE& type) {
            const VIDEOINFOHEADER* info = VideoInfoOf(type);
            return info && IsEqualGUID(type.subtype, subtype) && info->bmiHeader.biWidth == wanted.Width &&
                   info->bmiHeader.biHeight == wanted.Height;
        },
        &wanted);
}

bool WebCam::SelectFrameRateByIndex(int index) {
    if (!EnsureOpen()) return false;
    if (index < 0 || index >= static_cast<int>(m_frameRates.size())) return Fail(L"Invalid index.");
    LONG wanted = m_frameRates[index];
    if (wanted == m_callback->FrameRate()) return true;
    GUID subtype = m_currentSubtype;
    return ReconnectWithCapability(
        [&](const AM_MEDIA_TYPE& type) {
            const VIDEOINFOHEADER* info = VideoInfoOf(type);
            return info && IsEqualGUID(type.subtype, subtype) && FrameRateOf(info->AvgTimePerFrame) == wanted;
        },
        nullptr);
}

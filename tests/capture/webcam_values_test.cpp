// The webcam's value classes and its frame callback, without a device: the subtype dictionary,
// sizes, property value checks and the grab hand-over between the streaming thread and the
// grabbing one.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

#include "capture/webcam/cam_resolution.h"
#include "capture/webcam/camera_property.h"
#include "capture/webcam/media_type_dictionary.h"
#include "capture/webcam/sample_grabber_callback.h"
#include "base/dib_layout.h"

namespace {

TEST(MediaTypeDictionary, EntriesNamesAndUnknown) {
    WebCamDicMediaType dictionary;
    ASSERT_EQ(dictionary.GetSize(), 98);
    EXPECT_STREQ(dictionary.NameAt(0), "unknown");
    EXPECT_STREQ(dictionary.NameAt(1), "MJPG");
    EXPECT_STREQ(dictionary.NameAt(97), "CLPL");
    EXPECT_STREQ(dictionary.NameOf(MEDIASUBTYPE_YUY2), "YUY2");
    EXPECT_STREQ(dictionary.NameOf(MEDIASUBTYPE_RGB24), "RGB24");
    EXPECT_STREQ(dictionary.NameOf(MEDIASUBTYPE_WSS), "WSS");
    EXPECT_STREQ(dictionary.NameOf(MEDIASUBTYPE_VPS), "VPS");
    // FOURCC subtypes: {FOURCC-0000-0010-8000-00AA00389B71}.
    GUID i420 = {0x30323449, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    EXPECT_STREQ(dictionary.NameOf(i420), "I420");
    GUID other = {0x12345678, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    EXPECT_STREQ(dictionary.NameOf(other), "unknown");
    EXPECT_STREQ(dictionary.NameOf(GUID_NULL), "unknown");
    // Names are cut to 31 characters; the array keeps growing.
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(dictionary.Add("a name of much more than thirty-two characters", other));
    EXPECT_EQ(strlen(dictionary.NameAt(150)), 31u);
    EXPECT_EQ(dictionary.GetSize(), 298);
}

TEST(CamResolution, TextFormAndEquality) {
    char* text = CamResolution{640, 480}.ToText();
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "640 x 480");
    GlobalFree(text);
    EXPECT_EQ(CamResolution({0, 480}).ToText(), nullptr);
    EXPECT_EQ(CamResolution({320, -240}).ToText(), nullptr);
    EXPECT_TRUE((CamResolution{1, 2} == CamResolution{1, 2}));
    EXPECT_FALSE((CamResolution{1, 2} == CamResolution{2, 1}));
}

TEST(CameraValues, StepCountsFromTheMinimum) {
    // Gain of the test camera: 1 ... 31 in steps of 2, so the odd values are the valid ones.
    EXPECT_TRUE(IsValidCameraValue(3, 1, 31, 2));
    EXPECT_FALSE(IsValidCameraValue(4, 1, 31, 2));
    EXPECT_FALSE(IsValidCameraValue(33, 1, 31, 2));
    EXPECT_FALSE(IsValidCameraValue(-1, 1, 31, 2));
    EXPECT_TRUE(IsValidCameraValue(-64, -64, 64, 2));
    EXPECT_FALSE(IsValidCameraValue(-63, -64, 64, 2));
    // A device without a step: only the range is checked, never a division by 0.
    EXPECT_TRUE(IsValidCameraValue(17, -180, 180, 0));
    EXPECT_FALSE(IsValidCameraValue(181, -180, 180, 0));
    EXPECT_TRUE(IsValidCameraValue(5, 0, 10, -1));
    EXPECT_TRUE(IsValidCameraValue(LONG_MAX, LONG_MIN, LONG_MAX, 1));
    EXPECT_TRUE(IsValidCameraValue(LONG_MAX, LONG_MIN, LONG_MAX, 3) ==
                ((static_cast<long long>(LONG_MAX) - LONG_MIN) % 3 == 0));
}

TEST(CameraValues, ScriptNumbersAreClamped) {
    EXPECT_EQ(CameraValueFromScript(std::nan("")), 0);
    EXPECT_EQ(CameraValueFromScript(std::numeric_limits<double>::infinity()), LONG_MAX);
    EXPECT_EQ(CameraValueFromScript(-std::numeric_limits<double>::infinity()), LONG_MIN);
    EXPECT_EQ(CameraValueFromScript(1e300), LONG_MAX);
    EXPECT_EQ(CameraValueFromScript(-1e300), LONG_MIN);
    EXPECT_EQ(CameraValueFromScript(-3.9), -3);
    EXPECT_EQ(CameraValueFromScript(12.5), 12);
}

TEST(CameraValues, PropertyNames) {
    EXPECT_STREQ(CameraPropertyInfoOf(CameraProperty::Brightness).autoFlagName, "IfAutoBright");
    EXPECT_STREQ(CameraPropertyInfoOf(CameraProperty::ZoomForCam).autoFlagName, "IfAutoZoomForCam");
    EXPECT_TRUE(CameraPropertyInfoOf(CameraProperty::Focus).cameraControl);
    EXPECT_EQ(CameraPropertyInfoOf(CameraProperty::Focus).number, CameraControl_Focus);
    EXPECT_EQ(CameraPropertyInfoOf(CameraProperty::Gain).number, VideoProcAmp_Gain);
    EXPECT_EQ(CameraPropertyInfoOf(CameraProperty::BklightComp).number, VideoProcAmp_BacklightCompensation);
}

// A frame delivered on another thread once the grab has been requested.
class GrabberCallback : public ::testing::Test {
protected:
    void SetUp() override {
        // Any non-null owner marks the callback as connected.
        callback.SetFormat(reinterpret_cast<WebCam*>(this), 6, 4, 30);
        frame.assign(24 * 4, 0);
        for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<BYTE>(i);
    }
    // Delivers frames of the given length every 5 ms while running.
    void DeliverWhileRunning(long length) {
        deliverer = std::thread([this, length] {
            while (running) {
                callback.BufferCB(0.0, frame.data(), length);
                Sleep(5);
            }
        });
    }
    void TearDown() override {
        running = false;
        if (deliverer.joinable()) deliverer.join();
    }
    // Grabs on another thread while this one delivers frames whose bytes start at `first`; when
    // it returns no frame is being delivered any more, so the callback's spare can be looked at.
    HGLOBAL GrabWhileDelivering(BYTE first) {
        for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<BYTE>(first + i);
        HGLOBAL dib = nullptr;
        std::atomic<bool> done{false};
        std::thread grabber([&] {
            callback.Grab(2000, dib);
            done = true;
        });
        while (!done) {
            callback.BufferCB(0.0, frame.data(), static_cast<long>(frame.size()));
            Sleep(1);
        }
        grabber.join();
        return dib;
    }
    // The DIB of the connected 24-bit size: the header, then the first imageBytes frame bytes.
    void ExpectDib(HGLOBAL dib, LONG width, LONG height, size_t imageBytes) {
        ASSERT_NE(dib, nullptr);
        ASSERT_EQ(GlobalSize(dib), 40 + imageBytes);
        BITMAPINFOHEADER header{};
        header.biSize = 40;
        header.biWidth = width;
        header.biHeight = height;
        header.biPlanes = 1;
        header.biBitCount = 24;
        auto* bytes = static_cast<const BYTE*>(GlobalLock(dib));
        ASSERT_NE(bytes, nullptr);
        EXPECT_EQ(memcmp(bytes, &header, 40), 0);
        EXPECT_EQ(memcmp(bytes + 40, frame.data(), imageBytes), 0);
        GlobalUnlock(dib);
    }
    CSampleGrabberCB callback;
    std::vector<BYTE> frame;
    std::thread deliverer;
    volatile bool running = true;
};

TEST_F(GrabberCallback, FramesWithoutRequestAreDropped) {
    EXPECT_EQ(callback.BufferCB(0.0, frame.data(), static_cast<long>(frame.size())), S_OK);
    EXPECT_EQ(callback.BufferCB(0.0, nullptr, 10), S_OK);  // no request: not even looked at
    HGLOBAL dib = nullptr;
    EXPECT_FALSE(callback.Grab(30, dib));
    EXPECT_EQ(dib, nullptr);
}

TEST_F(GrabberCallback, DibCarriesTheFrame) {
    DeliverWhileRunning(static_cast<long>(frame.size()));
    HGLOBAL first = nullptr, second = nullptr;
    ASSERT_TRUE(callback.Grab(2000, first));
    ASSERT_TRUE(callback.Grab(2000, second));
    EXPECT_NE(first, second);
    DibLayout layout;
    ASSERT_TRUE(ComputeDibLayout(first, &layout));
    EXPECT_EQ(layout.width, 6);
    EXPECT_EQ(layout.height, 4);
    EXPECT_EQ(layout.bitCount, 24);
    auto* bytes = static_cast<BYTE*>(GlobalLock(first));
    // Rows of 6 pixels are padded to 20 bytes: 80 bytes of the 96 delivered.
    ASSERT_EQ(callback.ImageBytes(), 80u);
    EXPECT_EQ(memcmp(bytes + 40, frame.data(), 80), 0);
    GlobalUnlock(first);
    GlobalFree(first);
    GlobalFree(second);
}

TEST_F(GrabberCallback, DibIsTheHeaderAndTheRowsToItsLastByte) {
    const SIZE_T dibBytes = 40 + 80;
    // Blocks of the DIB's size, filled and freed: a new block in their place shows every byte
    // that the callback leaves as it found it.
    for (int i = 0; i < 4; ++i) {
        HGLOBAL dirty = GlobalAlloc(GMEM_MOVEABLE, dibBytes);
        ASSERT_NE(dirty, nullptr);
        memset(GlobalLock(dirty), 0xCD, dibBytes);
        GlobalUnlock(dirty);
        GlobalFree(dirty);
    }
    DeliverWhileRunning(static_cast<long>(frame.size()));
    HGLOBAL dib = nullptr;
    ASSERT_TRUE(callback.Grab(2000, dib));
    ASSERT_EQ(GlobalSize(dib), dibBytes);
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = 6;
    header.biHeight = 4;
    header.biPlanes = 1;
    header.biBitCount = 24;
    std::vector<BYTE> expected(dibBytes);
    memcpy(expected.data(), &header, sizeof(header));
    memcpy(expected.data() + 40, frame.data(), 80);
    auto* bytes = static_cast<const BYTE*>(GlobalLock(dib));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::vector<BYTE>(bytes, bytes + dibBytes), expected);
    GlobalUnlock(dib);
    GlobalFree(dib);
}

TEST_F(GrabberCallback, ShortFrameIsNeverOverRead) {
    // 16-bit frames where the header promises 24 bits: 48 bytes for 6 x 4 instead of 96.
    DeliverWhileRunning(48);
    HGLOBAL dib = nullptr;
    EXPECT_FALSE(callback.Grab(100, dib));
    EXPECT_EQ(dib, nullptr);
}

TEST_F(GrabberCallback, LateFrameAfterTimeOutBuildsNothing) {
    HGLOBAL dib = nullptr;
    ASSERT_FALSE(callback.Grab(10, dib));
    // The withdrawn request takes no frame: nothing is built for nobody.
    EXPECT_EQ(callback.BufferCB(0.0, frame.data(), static_cast<long>(frame.size())), S_OK);
    EXPECT_FALSE(callback.Grab(10, dib));
    // A later grab still gets a fresh frame.
    DeliverWhileRunning(static_cast<long>(frame.size()));
    ASSERT_TRUE(callback.Grab(2000, dib));
    GlobalFree(dib);
}

TEST_F(GrabberCallback, SpareBlockBecomesTheNextDibAndAnotherIsReadied) {
    // Setting the format readied a block of the DIB's size for the first grab.
    HGLOBAL spare = callback.SpareDib();
    ASSERT_NE(spare, nullptr);
    EXPECT_EQ(GlobalSize(spare), 120u);
    std::vector<HGLOBAL> dibs;
    std::vector<std::vector<BYTE>> frames;
    for (BYTE first : {0, 100, 200}) {
        HGLOBAL dib = GrabWhileDelivering(first);
        ExpectDib(dib, 6, 4, 80);
        // The grab took the spare, and the frame's thread readied another: never the block
        // just handed out, nor one the caller still holds.
        EXPECT_EQ(dib, spare);
        HGLOBAL next = callback.SpareDib();
        ASSERT_NE(next, nullptr);
        EXPECT_EQ(GlobalSize(next), 120u);
        EXPECT_NE(next, dib);
        for (HGLOBAL held : dibs) EXPECT_NE(dib, held);
        for (HGLOBAL held : dibs) EXPECT_NE(next, held);
        dibs.push_back(dib);
        frames.push_back(frame);
        spare = next;
    }
    // Each held DIB still has its own frame: none was written through another block.
    auto* spareBytes = static_cast<BYTE*>(GlobalLock(spare));
    ASSERT_NE(spareBytes, nullptr);
    for (size_t i = 0; i < dibs.size(); ++i) {
        auto* bytes = static_cast<const BYTE*>(GlobalLock(dibs[i]));
        ASSERT_NE(bytes, nullptr);
        EXPECT_TRUE(bytes + 120 <= spareBytes || spareBytes + 120 <= bytes);
        EXPECT_EQ(memcmp(bytes + 40, frames[i].data(), 80), 0) << "grab " << i;
        GlobalUnlock(dibs[i]);
        GlobalFree(dibs[i]);
    }
    GlobalUnlock(spare);
}

TEST_F(GrabberCallback, FormatChangeBetweenGrabsGivesTheNewSize) {
    HGLOBAL dib = GrabWhileDelivering(1);
    ExpectDib(dib, 6, 4, 80);
    GlobalFree(dib);
    // 5 x 3: rows of 15 bytes padded to 16. The spare of the old size is not the one used.
    callback.SetFormat(reinterpret_cast<WebCam*>(this), 5, 3, 30);
    ASSERT_NE(callback.SpareDib(), nullptr);
    EXPECT_EQ(GlobalSize(callback.SpareDib()), 88u);
    dib = GrabWhileDelivering(2);
    ExpectDib(dib, 5, 3, 48);
    GlobalFree(dib);
    // The same block size with another header: the spare's bytes are the old header's, the
    // DIB must carry the new one.
    callback.SetFormat(reinterpret_cast<WebCam*>(this), 5, -3, 30);
    dib = GrabWhileDelivering(3);
    ExpectDib(dib, 5, -3, 48);
    GlobalFree(dib);
    // A size no block is made for leaves no spare; a valid one readies one again.
    callback.SetFormat(reinterpret_cast<WebCam*>(this), 0x7fffffff, 0x7fffffff, 30);
    EXPECT_EQ(callback.SpareDib(), nullptr);
    callback.SetFormat(reinterpret_cast<WebCam*>(this), 6, 4, 30);
    ASSERT_NE(callback.SpareDib(), nullptr);
    EXPECT_EQ(GlobalSize(callback.SpareDib()), 120u);
    dib = GrabWhileDelivering(4);
    ExpectDib(dib, 6, 4, 80);
    GlobalFree(dib);
}

TEST_F(GrabberCallback, TimedOutGrabLeavesTheSpareForTheNextOne) {
    HGLOBAL spare = callback.SpareDib();
    ASSERT_NE(spare, nullptr);
    HGLOBAL dib = nullptr;
    ASSERT_FALSE(callback.Grab(10, dib));
    // A frame after the withdrawal takes nothing, the spare included.
    EXPECT_EQ(callback.BufferCB(0.0, frame.data(), static_cast<long>(frame.size())), S_OK);
    EXPECT_EQ(callback.SpareDib(), spare);
    EXPECT_EQ(GlobalSize(spare), 120u);
    // A short frame does not claim the grab either.
    std::atomic<bool> done{false};
    std::thread grabber([&] {
        EXPECT_FALSE(callback.Grab(50, dib));
        done = true;
    });
    while (!done) {
        callback.BufferCB(0.0, frame.data(), 48);
        Sleep(1);
    }
    grabber.join();
    EXPECT_EQ(callback.SpareDib(), spare);
    dib = GrabWhileDelivering(9);
    ExpectDib(dib, 6, 4, 80);
    EXPECT_EQ(dib, spare);
    GlobalFree(dib);
}

TEST_F(GrabberCallback, AbsurdConnectedSizeBuildsNothing) {
    callback.SetFormat(reinterpret_cast<WebCam*>(this), 0x7fffffff, 0x7fffffff, 30);
    EXPECT_EQ(callback.ImageBytes(), 0u);
    DeliverWhileRunning(static_cast<long>(frame.size()));
    HGLOBAL dib = nullptr;
    EXPECT_FALSE(callback.Grab(50, dib));
}

}  // namespace

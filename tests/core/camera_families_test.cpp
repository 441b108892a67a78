// Every camera property family on the test camera and on a test scanner: values, limits and
// automatic switches, the float families' conversions and the members a scanner refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "device_session.h"

namespace {

// What the test camera reports for each family, in interface order.
struct Expected {
    CameraFamily family;
    LONG minimum, maximum, step, defaultValue, value;
    bool automaticPossible, automatic;
};

const Expected kCamera[kCameraFamilyCount] = {
    {CameraFamily::Brightness, -64, 64, 2, 0, 0, true, false},
    {CameraFamily::Contrast, 0, 100, 1, 50, 50, false, false},
    {CameraFamily::Hue, -180, 180, 0, 0, 0, false, false},
    {CameraFamily::Saturation, 0, 200, 1, 100, 100, false, false},
    {CameraFamily::Sharpness, 0, 15, 1, 3, 3, false, false},
    {CameraFamily::Gamma, 72, 500, 1, 100, 100, false, false},
    {CameraFamily::WhiteBalance, 2800, 6500, 10, 4600, 4600, true, true},
    {CameraFamily::BklightComp, 0, 2, 1, 1, 1, false, false},
    {CameraFamily::Gain, 1, 31, 2, 1, 1, true, false},
    {CameraFamily::ColorEnable, 0, 1, 1, 1, 1, false, false},
    {CameraFamily::ZoomForCam, 100, 400, 10, 100, 100, false, false},
    {CameraFamily::Focus, 0, 250, 5, 0, 0, false, false},
    {CameraFamily::Exposure, -13, -1, 1, -6, -4, true, true},
    {CameraFamily::Iris, 0, 10, 1, 5, 5, false, false},
    {CameraFamily::Pan, -180, 180, 1, 0, 0, false, false},
    {CameraFamily::Tilt, -180, 180, 1, 0, 0, false, false},
    {CameraFamily::Roll, -180, 180, 1, 0, 0, false, false},
};

std::string CustomText(TestEngine& engine) {
    const char* text = engine.ErrorTexts().GetCustomText();
    return text ? text : "";
}

TEST(CameraFamilies, EveryFamilyOnAWebcam) {
    DeviceSession s;
    TestEngine& e = s.engine;
    ASSERT_EQ(e.GetCurrentDeviceType(), 1);
    for (const Expected& x : kCamera) {
        int family = static_cast<int>(x.family);
        LONG limit = -99;
        ASSERT_TRUE(e.GetCameraFamilyLimit(x.family, CameraLimit::Minimum, &limit)) << family;
        EXPECT_EQ(limit, x.minimum) << family;
        ASSERT_TRUE(e.GetCameraFamilyLimit(x.family, CameraLimit::Maximum, &limit));
        EXPECT_EQ(limit, x.maximum) << family;
        ASSERT_TRUE(e.GetCameraFamilyLimit(x.family, CameraLimit::Step, &limit));
        EXPECT_EQ(limit, x.step) << family;
        ASSERT_TRUE(e.GetCameraFamilyLimit(x.family, CameraLimit::Default, &limit));
        EXPECT_EQ(limit, x.defaultValue) << family;

        double value = -99;
        ASSERT_TRUE(e.GetCameraFamilyValue(x.family, &value));
        EXPECT_EQ(value, x.value) << family;
        LONG next = x.minimum + (x.step > 0 ? x.step : 1);
        EXPECT_TRUE(e.SetCameraFamilyValue(x.family, next)) << family << " " << CustomText(e);
        EXPECT_TRUE(e.GetCameraFamilyValue(x.family, &value));
        EXPECT_EQ(value, next) << family;
        // Beyond the range: the camera's refusal.
        EXPECT_FALSE(e.SetCameraFamilyValue(x.family, x.maximum + 1));
        EXPECT_EQ(e.GetErrorCode(), -2121);
        EXPECT_EQ(CustomText(e), "Invalid value.");

        BOOL automatic = TRUE;
        if (x.automaticPossible) {
            // Setting a value switched the camera to manual.
            EXPECT_TRUE(e.GetCameraFamilyAuto(x.family, &automatic)) << family;
            EXPECT_FALSE(automatic) << family;
            EXPECT_TRUE(e.SetCameraFamilyAuto(x.family, 5)) << family;
            EXPECT_TRUE(e.GetCameraFamilyAuto(x.family, &automatic));
            EXPECT_TRUE(automatic) << family;
            EXPECT_TRUE(e.SetCameraFamilyAuto(x.family, 0));
            EXPECT_TRUE(e.GetCameraFamilyAuto(x.family, &automatic));
            EXPECT_FALSE(automatic) << family;
        } else {
            EXPECT_FALSE(e.GetCameraFamilyAuto(x.family, &automatic)) << family;
            EXPECT_FALSE(automatic);
            EXPECT_EQ(e.GetErrorCode(), -2121);
            EXPECT_EQ(CustomText(e), "The property doesn't support auto capability.");
            EXPECT_FALSE(e.SetCameraFamilyAuto(x.family, 1));
            EXPECT_EQ(e.GetErrorCode(), -2121);
        }
    }
}

TEST(CameraFamilies, TheFloatFamiliesCutTowardZeroAndRefuseNaN) {
    DeviceSession s;
    TestEngine& e = s.engine;
    double value = 0;
    // Brightness moves in steps of 2: rounding (13) or flooring (-5) would be refused.
    ASSERT_TRUE(e.SetCameraFamilyValue(CameraFamily::Brightness, 12.9)) << CustomText(e);
    EXPECT_TRUE(e.GetCameraFamilyValue(CameraFamily::Brightness, &value));
    EXPECT_EQ(value, 12);
    ASSERT_TRUE(e.SetCameraFamilyValue(CameraFamily::Brightness, -4.9)) << CustomText(e);
    EXPECT_TRUE(e.GetCameraFamilyValue(CameraFamily::Brightness, &value));
    EXPECT_EQ(value, -4);
    EXPECT_FALSE(e.SetCameraFamilyValue(CameraFamily::Brightness, -3.7));
    EXPECT_EQ(e.GetErrorCode(), -2121);

    EXPECT_FALSE(e.SetCameraFamilyValue(CameraFamily::Contrast, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(e.GetErrorCode(), -1034);
    EXPECT_TRUE(e.GetCameraFamilyValue(CameraFamily::Contrast, &value));
    EXPECT_EQ(value, 50);
    // Huge numbers reach the camera clamped, and it refuses them.
    for (double huge : {1e300, -1e300, std::numeric_limits<double>::infinity(), 3e9}) {
        EXPECT_FALSE(e.SetCameraFamilyValue(CameraFamily::Contrast, huge)) << huge;
        EXPECT_EQ(e.GetErrorCode(), -2121);
        EXPECT_EQ(CustomText(e), "Invalid value.");
    }
    // Any non-zero switch value means automatic on a webcam.
    BOOL automatic = FALSE;
    EXPECT_TRUE(e.SetCameraFamilyAuto(CameraFamily::Brightness, 2));
    EXPECT_TRUE(e.GetCameraFamilyAuto(CameraFamily::Brightness, &automatic));
    EXPECT_TRUE(automatic);
    // No such family.
    EXPECT_FALSE(e.GetCameraFamilyValue(static_cast<CameraFamily>(17), &value));
    EXPECT_EQ(e.GetErrorCode(), -1034);
    EXPECT_EQ(value, 0);
}

TEST(CameraFamilies, EveryFamilyOnAScanner) {
    DeviceSession s;
    TestEngine& e = s.engine;
    ASSERT_TRUE(e.SetSupportedDeviceType(0));
    ASSERT_TRUE(e.RoutedSelectSourceByIndex(0));
    ASSERT_TRUE(e.RoutedOpenSource()) << e.GetErrorCode();

    double value = -99;
    ASSERT_TRUE(e.GetCameraFamilyValue(CameraFamily::Contrast, &value)) << e.GetErrorCode();
    EXPECT_EQ(value, -12.5);
    ASSERT_TRUE(e.SetCameraFamilyValue(CameraFamily::Brightness, 12.5)) << e.GetErrorCode();
    ASSERT_TRUE(e.GetCameraFamilyValue(CameraFamily::Brightness, &value));
    EXPECT_EQ(value, 12.5);
    EXPECT_FALSE(e.SetCameraFamilyValue(CameraFamily::Brightness, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(e.GetErrorCode(), -1034);
    ASSERT_TRUE(e.GetCameraFamilyValue(CameraFamily::Brightness, &value));
    EXPECT_EQ(value, 12.5);

    // Automatic brightness: on only for exactly 1.
    BOOL automatic = FALSE;
    ASSERT_TRUE(e.SetCameraFamilyAuto(CameraFamily::Brightness, 1));
    ASSERT_TRUE(e.GetCameraFamilyAuto(CameraFamily::Brightness, &automatic));
    EXPECT_TRUE(automatic);
    ASSERT_TRUE(e.SetCameraFamilyAuto(CameraFamily::Brightness, 2));
    ASSERT_TRUE(e.GetCameraFamilyAuto(CameraFamily::Brightness, &automatic));
    EXPECT_FALSE(automatic);

    for (int f = 0; f < kCameraFamilyCount; ++f) {
        auto family = static_cast<CameraFamily>(f);
        bool scannerValue = family == CameraFamily::Brightness || family == CameraFamily::Contrast;
        for (CameraLimit limit : {CameraLimit::Minimum, CameraLimit::Maximum, CameraLimit::Step, CameraLimit::Default}) {
            LONG out = -99;
            EXPECT_FALSE(e.GetCameraFamilyLimit(family, limit, &out)) << f;
            EXPECT_EQ(out, 0);
            EXPECT_EQ(e.GetErrorCode(), -2122);
        }
        if (family != CameraFamily::Brightness) {
            automatic = TRUE;
            EXPECT_FALSE(e.GetCameraFamilyAuto(family, &automatic)) << f;
            EXPECT_FALSE(automatic);
            EXPECT_EQ(e.GetErrorCode(), -2122);
            EXPECT_FALSE(e.SetCameraFamilyAuto(family, 1));
            EXPECT_EQ(e.GetErrorCode(), -2122);
        }
        if (!scannerValue) {
            value = -99;
            EXPECT_FALSE(e.GetCameraFamilyValue(family, &value)) << f;
            EXPECT_EQ(value, 0);
            EXPECT_EQ(e.GetErrorCode(), -2122);
            EXPECT_FALSE(e.SetCameraFamilyValue(family, 3));
            EXPECT_EQ(e.GetErrorCode(), -2122);
        }
    }
    // Still the scanner's values: nothing refused changed them.
    ASSERT_TRUE(e.GetCameraFamilyValue(CameraFamily::Contrast, &value));
    EXPECT_EQ(value, -12.5);
}

}  // namespace

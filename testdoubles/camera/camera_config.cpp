#include "testdoubles/camera/camera_config.h"

#include <cstdlib>
#include <cstring>

CameraConfig CameraConfig::FromEnvironment() {
    CameraConfig config;
    char value[512] = {};
    if (!GetEnvironmentVariableA("LUMETTA_TEST_CAMERA", value, sizeof(value))) return config;
    char* context = nullptr;
    for (char* word = strtok_s(value, ", ", &context); word; word = strtok_s(nullptr, ", ", &context)) {
        if (!strcmp(word, "yuy2")) config.yuy2 = true;
        else if (!strcmp(word, "rgbpin")) config.rgbPin = true;
        else if (!strcmp(word, "videoinfo2")) config.videoInfo2 = true;
        else if (!strcmp(word, "shortformat")) config.shortFormat = true;
        else if (!strcmp(word, "zerorate")) config.zeroRate = true;
        else if (!strcmp(word, "zerosize")) config.zeroSize = true;
        else if (!strcmp(word, "unknownsubtype")) config.unknownSubtype = true;
        else if (!strncmp(word, "capsize=", 8)) config.capsSize = atoi(word + 8);
        else if (!strcmp(word, "videoport")) config.videoPort = true;
        else if (!strcmp(word, "noframes")) config.noFrames = true;
        else if (!strcmp(word, "timestamp")) config.timestamp = true;
        else if (!strcmp(word, "failsetformat")) config.failSetFormat = true;
        else if (!strcmp(word, "noprocamp")) config.noProcAmp = true;
        else if (!strcmp(word, "nocameracontrol")) config.noCameraControl = true;
        else if (!strcmp(word, "nopages")) config.noPages = true;
    }
    return config;
}

int RegisteredDeviceCount() {
    char value[16] = {};
    if (!GetEnvironmentVariableA("LUMETTA_TEST_CAMERA_DEVICES", value, sizeof(value))) return 2;
    int n = atoi(value);
    return n < 0 ? 0 : n > kMaxTestCameras ? kMaxTestCameras : n;
}

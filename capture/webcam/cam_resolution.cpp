#include "capture/webcam/cam_resolution.h"

#include <cstdio>

char* CamResolution::ToText() const {
    if (!IsListable()) return nullptr;
    char text[32];
    int n = snprintf(text, sizeof(text), "%ld x %ld", static_cast<long>(Width), static_cast<long>(Height));
    auto* block = static_cast<char*>(GlobalAlloc(GPTR, n + 1));
    if (block) memcpy(block, text, n + 1);
    return block;
}

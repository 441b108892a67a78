// A capture size of a camera.
#pragma once

#include <windows.h>

struct CamResolution {
    LONG Width = 0;
    LONG Height = 0;

    bool operator==(const CamResolution& other) const { return Width == other.Width && Height == other.Height; }
    bool IsListable() const { return Width >= 1 && Height >= 1; }
    // "640 x 480" in a new fixed global-memory block that the caller frees; null for a size with a
    // member below 1.
    char* ToText() const;
};

// GlobalIndexArray: a growable array of 16-bit indexes in one global-memory block (the viewer's
// selected images).
#pragma once

#include "engine/global_array.h"

using GlobalIndexArray = GlobalArray<WORD>;

// GlobalPtrArray: a growable array of pointers in one global-memory block (the scripting core's
// list of open image editors, among others).
#pragma once

#include "engine/global_array.h"

using GlobalPtrArray = GlobalArray<void*>;

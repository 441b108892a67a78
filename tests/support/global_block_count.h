// The number of global-memory blocks alive, where the platform can tell (the native build's
// global memory counts them); -1 under Windows, where leak checks rest on the native run.
#pragma once

long LiveGlobalBlocks();

// True when a count is available for leak checks.
inline bool CanCountGlobalBlocks() { return LiveGlobalBlocks() >= 0; }

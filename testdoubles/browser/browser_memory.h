// The browser's memory as the plug-in sees it (NPN_MemAlloc / NPN_MemFree): every block is
// tracked, so a test learns of leaks, double frees and frees of memory the browser never gave.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace browser {

class BrowserMemory {
public:
    static void* Allocate(uint32_t size);
    static void Free(void* block);

    // One line per problem (blocks not freed, blocks freed twice, frees of a pointer the browser
    // never handed out), empty when the memory is clean.
    static std::string Report();
    // Forgets every block (between tests; the blocks are freed).
    static void Reset();
};

}  // namespace browser

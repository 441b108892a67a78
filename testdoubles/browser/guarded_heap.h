// The plug-in's own heap under watch. The harness points the plug-in module's imports of the C
// runtime's malloc, calloc, realloc and free at an allocator of its own that never hands out
// freed memory again:
// - a block of a page or more lives on pages of its own, followed by a page that is never
//   committed; when it is freed its pages are decommitted, so any later read or write of it (and
//   any overrun of a live one) faults at once, and the harness names the block and ends the run;
// - a smaller block is filled with a pattern when freed and kept aside; the pattern is checked
//   when the block is finally given back and by Report.
// So a plug-in that goes on in memory it freed (an instance deleted under a call into it) is
// caught whatever the platform's own heap does with freed blocks.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace browser {

class GuardedHeap {
public:
    // Patches the module's import table; false when it imports none of the four functions.
    static bool Watch(HMODULE module);
    static bool Watching();
    // One line for each freed block found written since, empty when none.
    static std::string Report();
    // Blocks handed out through the guarded heap, and those of them on pages of their own.
    static size_t Blocks();
    static size_t PageBlocks();
};

}  // namespace browser

#include "support/global_block_count.h"

#include "lumetta_win.h"

long LiveGlobalBlocks() { return LumettaLiveGlobalBlocks(); }

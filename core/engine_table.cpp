#include "core/engine_table.h"

namespace {
CBrowserAddOnBase* volatile g_engines[kEngineTableSlots];
}

bool EnterEngine(CBrowserAddOnBase* engine) {
    if (!engine) return false;
    for (int i = 0; i < kEngineTableSlots; ++i) {
        if (g_engines[i] == engine) return false;
    }
    for (int i = 0; i < kEngineTableSlots; ++i) {
        if (!g_engines[i]) {
            g_engines[i] = engine;
            return true;
        }
    }
    return false;
}

void LeaveEngine(CBrowserAddOnBase* engine) {
    for (int i = 0; i < kEngineTableSlots; ++i) {
        if (g_engines[i] == engine) g_engines[i] = nullptr;
    }
}

CBrowserAddOnBase* EngineAt(int slot) {
    return slot >= 0 && slot < kEngineTableSlots ? g_engines[slot] : nullptr;
}

void SetEngineSlot(int slot, CBrowserAddOnBase* engine) {
    if (slot >= 0 && slot < kEngineTableSlots) g_engines[slot] = engine;
}

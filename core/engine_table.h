// The process-wide table of engines: each host enters its engine when its window is created, the
// engine's destructor clears it, and the message hook walks it.
#pragma once

#include <windows.h>

class CBrowserAddOnBase;

constexpr int kEngineTableSlots = 1024;

// Enters an engine once (first free slot); false when it is already there or every slot is taken.
bool EnterEngine(CBrowserAddOnBase* engine);
// Clears every slot that holds the engine.
void LeaveEngine(CBrowserAddOnBase* engine);
// The engine of a slot, or null.
CBrowserAddOnBase* EngineAt(int slot);
// Puts an engine into a given slot (tests use it to place one engine in several slots).
void SetEngineSlot(int slot, CBrowserAddOnBase* engine);

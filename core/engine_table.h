// The process-wide table of engines: each host enters its engine when its window is created, the
// engine's destructor clears it, and the message hook walks it. Every slot also keeps the thread
// that entered its engine, so that a thread's hook finds its own engines without touching those of
// other threads (which those threads may be destroying at that moment). All calls take one lock.
#pragma once

#include <windows.h>

class CBrowserAddOnBase;

constexpr int kEngineTableSlots = 1024;

// Enters an engine once (first free slot) for the calling thread; false when it is already there
// or every slot is taken.
bool EnterEngine(CBrowserAddOnBase* engine);
// Clears every slot that holds the engine.
void LeaveEngine(CBrowserAddOnBase* engine);
// The engine of a slot, or null.
CBrowserAddOnBase* EngineAt(int slot);
// Puts an engine into a given slot for the calling thread (tests use it to place one engine in
// several slots).
void SetEngineSlot(int slot, CBrowserAddOnBase* engine);
// Copies the engines that the thread entered, in slot order, into out (at most max of them);
// returns how many were copied.
int EnginesOfThread(DWORD threadId, CBrowserAddOnBase** out, int max);
// True while the engine is in the table for that thread.
bool IsEngineEnteredBy(CBrowserAddOnBase* engine, DWORD threadId);

#include "core/engine_table.h"

namespace {

struct EngineSlot {
    CBrowserAddOnBase* engine;
    DWORD threadId;
};

SRWLOCK g_lock = SRWLOCK_INIT;
EngineSlot g_engines[kEngineTableSlots];

class TableLock {
public:
    explicit TableLock(bool exclusive) : m_exclusive(exclusive) {
        if (m_exclusive) AcquireSRWLockExclusive(&g_lock);
        else AcquireSRWLockShared(&g_lock);
    }
    ~TableLock() {
        if (m_exclusive) ReleaseSRWLockExclusive(&g_lock);
        else ReleaseSRWLockShared(&g_lock);
    }
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

private:
    bool m_exclusive;
};

}  // namespace

bool EnterEngine(CBrowserAddOnBase* engine) {
    if (!engine) return false;
    TableLock lock(true);
    for (const EngineSlot& slot : g_engines) {
        if (slot.engine == engine) return false;
    }
    for (EngineSlot& slot : g_engines) {
        if (!slot.engine) {
            slot = EngineSlot{engine, GetCurrentThreadId()};
            return true;
        }
    }
    return false;
}

void LeaveEngine(CBrowserAddOnBase* engine) {
    TableLock lock(true);
    for (EngineSlot& slot : g_engines) {
        if (slot.engine == engine) slot = EngineSlot{nullptr, 0};
    }
}

CBrowserAddOnBase* EngineAt(int slot) {
    if (slot < 0 || slot >= kEngineTableSlots) return nullptr;
    TableLock lock(false);
    return g_engines[slot].engine;
}

void SetEngineSlot(int slot, CBrowserAddOnBase* engine) {
    if (slot < 0 || slot >= kEngineTableSlots) return;
    TableLock lock(true);
    g_engines[slot] = EngineSlot{engine, engine ? GetCurrentThreadId() : 0};
}

int EnginesOfThread(DWORD threadId, CBrowserAddOnBase** out, int max) {
    TableLock lock(false);
    int n = 0;
    for (const EngineSlot& slot : g_engines) {
        if (n >= max) break;
        if (slot.engine && slot.threadId == threadId) out[n++] = slot.engine;
    }
    return n;
}

bool IsEngineEnteredBy(CBrowserAddOnBase* engine, DWORD threadId) {
    TableLock lock(false);
    for (const EngineSlot& slot : g_engines) {
        if (slot.engine == engine && slot.threadId == threadId) return true;
    }
    return false;
}

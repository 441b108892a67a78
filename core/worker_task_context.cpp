#include "core/worker_task_context.h"

#include <cstring>

#include "core/browser_addon_base.h"

WorkerTaskContext::WorkerTaskContext(CBrowserAddOnBase* owner, LONG taskKind, WorkerOperation work)
    : engine(owner), kind(taskKind), operation(work) {
    if (engine) {
        engine->SetInsideWorker(1);
        engine->SetRunningTask(this);
    }
}

WorkerTaskContext::~WorkerTaskContext() {
    if (image) GlobalFree(image);
    // An abandoned task outlived its engine: there is nothing left to reset.
    if (engine && !abandoned && engine->RunningTask() == this) {
        engine->SetInsideWorker(0);
        engine->SetRunningTask(nullptr);
    }
}

bool WorkerTaskContext::TakeImageCopy(HGLOBAL dib) {
    const SIZE_T size = dib ? GlobalSize(dib) : 0;
    const void* source = size ? GlobalLock(dib) : nullptr;
    if (!source) return false;
    HGLOBAL copy = GlobalAlloc(GMEM_FIXED, size);
    if (copy) memcpy(copy, source, size);
    GlobalUnlock(dib);
    if (!copy) return false;
    if (image) GlobalFree(image);
    image = copy;
    return true;
}

#include "core/worker_task_context.h"

#include "core/browser_addon_base.h"

WorkerTaskContext::WorkerTaskContext(CBrowserAddOnBase* owner, LONG taskKind, WorkerOperation work)
    : engine(owner), kind(taskKind), operation(work) {
    if (engine) {
        engine->SetInsideWorker(1);
        engine->SetRunningTask(this);
    }
}

WorkerTaskContext::~WorkerTaskContext() {
    // An abandoned task outlived its engine: there is nothing left to reset.
    if (engine && !abandoned && engine->RunningTask() == this) {
        engine->SetInsideWorker(0);
        engine->SetRunningTask(nullptr);
    }
}

// The worker-thread runner of long operations and their operation events.
//
// A long operation follows one pattern:
//
//   switch (RouteLongOperation(engine)) {
//   case LongOperationRoute::Busy: return FALSE;                       // error already stored
//   case LongOperationRoute::Worker: {
//       WorkerTaskContext task(engine, kind, &WorkOfTheKind);          // + its arguments
//       RunInWorkerThread(engine, WorkerThreadProc, &task);
//       return task.result;
//   }
//   case LongOperationRoute::Direct: break;                            // do the work here
//   }
//
// The runner raises OnBeforeOperate and OnAfterOperate around the work (named by the engine's
// current operation id); ReportOperationStatus raises OnOperateStatus for each step.
#pragma once

#include <windows.h>

#include "core/worker_task_context.h"

constexpr UINT WM_END_PROGRESS_DIALOG = WM_USER + 421;

enum class LongOperationRoute {
    Direct,  // run on this thread: the worker option is off, or this is the worker itself
    Worker,  // start a worker
    Busy,    // refused: another long operation of this engine runs on its worker
};

// Chooses the road of a long operation that is about to start. Busy stores error -2121 with a
// text saying so: a long operation started from an event handler while this engine's worker works
// would otherwise work on the same engine state at the same time. From OnBeforeOperate and
// OnAfterOperate handlers (no worker at work) it runs directly.
LongOperationRoute RouteLongOperation(CBrowserAddOnBase* engine);

// Runs one long operation on a new thread with the routine, behind the progress dialog when
// IfShowProgressBar is 1, and waits for it while pumping messages. True when a thread was
// started; the operation's result is in the task. A thread that cannot be created fails the
// operation at once with the system error (-3000 - n).
BOOL RunInWorkerThread(CBrowserAddOnBase* engine, LPTHREAD_START_ROUTINE routine, WorkerTaskContext* task);

// The worker's routine: waits for the dialog (at most 3000 ms), then FinishWorkerTask.
DWORD WINAPI WorkerThreadProc(LPVOID task);
// Runs the task's operation, stores its result, marks the task done and ends its dialog.
void FinishWorkerTask(WorkerTaskContext& task);

// One progress step of the operation: the open dialog shows the text and the percent, and the
// host is told through OnOperateStatus. Callable from the worker and from direct work.
void ReportOperationStatus(CBrowserAddOnBase* engine, const char* text, LONG percent);

// Waits for the worker of the engine's running task to end (handling messages sent to this
// thread, so that a worker blocked in sending an event can finish) and detaches the task from
// the engine. Hosts call it first in their destructors; the engine's destructor calls it too.
void WaitForWorkerOfEngine(CBrowserAddOnBase* engine);

// Pumps this thread's messages until the thread ends. Unlike WaitWithMessagePump it does not stop
// at a WM_QUIT (the worker still uses the task on this thread's stack): the quit is posted again
// once the thread has ended.
void PumpedWaitForThread(HANDLE thread);

// The seam through which the runner makes its threads, suspended (the runner resumes them); tests
// replace it to make creation fail.
using CreateWorkerThreadFn = HANDLE (*)(LPTHREAD_START_ROUTINE routine, LPVOID parameter, DWORD* threadId);
extern CreateWorkerThreadFn g_createWorkerThread;

// WorkerTaskContext: the record of one long operation (text recognition, barcode reading, the
// blank test) that runs on a worker thread while the host window's thread shows the progress
// dialog and pumps messages. Made on the caller's stack; while it exists it is the engine's
// running task and the engine's inside-worker flag is 1.
//
// Ownership rule of every worker and transfer thread: the thread never reads the image buffer.
// Page script runs during the wait and may remove, replace or free any buffer image, so what the
// thread reads is copied on the calling thread before it starts and belongs to the task (or, for
// transfers, is the body encoded beforehand).
#pragma once

#include <windows.h>

class CBrowserAddOnBase;
struct WorkerTaskContext;

// Which long operation a task runs.
enum WorkerTaskKind : LONG {
    kWorkerOcrFiles = 1,         // recognition of local image files
    kWorkerOcrBufferImages = 2,  // recognition of buffer images
    kWorkerOcrArea = 3,          // recognition of an area of one image (OCREx1)
    kWorkerBarcodeRegion = 4,    // barcodes in a region of a buffer image
    kWorkerBarcodeHandle = 5,    // barcodes of an image handle
    kWorkerBlankArea = 6,        // blank test of an area (IsBlankImageEx)
};

// The work of a task, run on the worker thread with the task's arguments; its result is the
// operation's boolean result. The operation's failures are the engine's error code.
using WorkerOperation = BOOL (*)(WorkerTaskContext& task);

struct WorkerTaskContext {
    WorkerTaskContext(CBrowserAddOnBase* engine, LONG kind, WorkerOperation operation);
    ~WorkerTaskContext();
    WorkerTaskContext(const WorkerTaskContext&) = delete;
    WorkerTaskContext& operator=(const WorkerTaskContext&) = delete;

    // Copies a buffer image into the task's own block; false without memory.
    bool TakeImageCopy(HGLOBAL dib);

    CBrowserAddOnBase* engine;
    HWND volatile dialog = nullptr;  // the progress dialog, stored by the dialog when it opens
    char name[MAX_PATH] = {};        // the operation's member name
    HANDLE startEvent = nullptr;     // lets the worker start once the dialog is up; null without one
    LONG kind;

    // The operation's arguments, as its kind needs them.
    LONG index = 0;
    RECT rect = {};
    LONG value = 0;
    LONG flag = 0;
    LONG count = 0;
    void* indexList = nullptr;
    void* fileNameList = nullptr;
    const char* outputFileName = nullptr;
    void* scriptString = nullptr;
    // The worker's own copy of the buffer image it reads; freed with the task.
    HGLOBAL image = nullptr;

    BOOL result = FALSE;

    WorkerOperation operation;
    HANDLE thread = nullptr;
    DWORD threadId = 0;
    volatile LONG done = 0;       // the worker has finished the operation
    volatile LONG abandoned = 0;  // the engine is being destroyed: the task no longer reaches it
};

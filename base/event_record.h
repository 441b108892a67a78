// The record that carries every event from the engine, its worker threads and the capture
// devices to the host window: sent with SendMessageA(owner, WM_LUMETTA_EVENT, 0, &record), so
// the sender blocks until the host has handled it and the record can live on the sender's stack.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr UINT WM_LUMETTA_EVENT = WM_USER + 410;

// Messages that the viewer sends to its owner window.
constexpr UINT WM_VIEWER_SET_CURRENT = WM_USER + 401;
constexpr UINT WM_VIEWER_FIRST_MOUSE = WM_USER + 403;
constexpr UINT WM_VIEWER_LAST_MOUSE = WM_USER + 409;

enum EventKind : int32_t {
    kEventPreTransfer = 0,
    kEventPostTransfer = 1,
    kEventPreAllTransfers = 2,
    kEventPostAllTransfers = 3,
    kEventTransferCancelled = 4,
    kEventTransferError = 5,
    kEventTransferPercentage = 11,
    kEventTransferPercentageAlias = 14,  // never sent; the control reads it as 11
    kEventPostLoad = 15,
    kEventGetFilePath = 16,
    kEventBitmap = 17,
    kEventBeforeOperate = 18,
    kEventAfterOperate = 19,
    kEventOperateStatus = 20,
    kEventSourceUIClose = 21,
};

// Value of a kind-17 record that carries no image: the buffer changed.
constexpr INT_PTR kBufferChangedValue = 17;

struct EventRecord {
    INT_PTR Value;    // percent (kind 11), 17 in the buffer-changed notice, else 0
    void* Payload;    // DIB handle (kind 17), pointer to the sender's 32-bit cancel flag (kind 11)
    int32_t Kind;
    union {
        struct {  // kinds 18 to 20
            const char* Message;
            const char* IdentifierDescription;
            int32_t Percent;
            int32_t Identifier;
            int32_t Succeed;
        } Operation;
        struct {  // kinds 15 and 16
            char Path[MAX_PATH];
            char Name[MAX_PATH];
            int32_t Type;
        } File;
    };
    int32_t Save;  // kind 16
    int32_t Count;
    int32_t Index;
};

// A zero-filled record of the given kind.
EventRecord MakeEventRecord(int32_t kind);

// Copies a text into one of the record's 260-character fields, cut and always terminated.
void CopyEventText(char (&field)[MAX_PATH], const char* text);

// The records of the engine's notices, built the same way for both hosts. Texts of the
// operation records are pointers the sender keeps alive while the record is handled; file
// texts are copied, cut to 259 characters.
EventRecord BufferChangedRecord();
EventRecord PostLoadRecord(const char* path, const char* name, int32_t type);
EventRecord GetFilePathRecord(int32_t save, int32_t count, int32_t index, const char* path, const char* name);
// cancel: the sender's flag the receiver sets to stop the transfer, or null when the receiver
// is not to write it.
EventRecord TransferPercentageRecord(int32_t percent, LONG* cancel);
EventRecord BeforeOperateRecord(int32_t id, const char* name);
EventRecord OperateStatusRecord(const char* status, int32_t percent);
EventRecord AfterOperateRecord(int32_t id, const char* name, int32_t succeeded, const char* errorText);

// Sends a record to the owner window and tells whether the window handled it. A receiver answers
// nonzero for a record it handled; for a kind-17 record with an image an answer of 0 means the
// image was not taken, and this function frees it, so no acquired image is ever lost in a leak.
bool SendEventRecord(HWND owner, EventRecord& record);

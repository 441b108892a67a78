#include "base/event_record.h"

#include <cstring>

EventRecord MakeEventRecord(int32_t kind) {
    EventRecord record;
    memset(&record, 0, sizeof(record));
    record.Kind = kind;
    return record;
}

void CopyEventText(char (&field)[MAX_PATH], const char* text) {
    if (!text) {
        field[0] = '\0';
        return;
    }
    size_t n = strnlen(text, MAX_PATH - 1);
    memcpy(field, text, n);
    field[n] = '\0';
}

bool SendEventRecord(HWND owner, EventRecord& record) {
    bool handled = owner && IsWindow(owner) &&
                   SendMessageA(owner, WM_LUMETTA_EVENT, 0, reinterpret_cast<LPARAM>(&record)) != 0;
    if (!handled && record.Kind == kEventBitmap && record.Payload) {
        GlobalFree(static_cast<HGLOBAL>(record.Payload));
        record.Payload = nullptr;
    }
    return handled;
}

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

EventRecord BufferChangedRecord() {
    EventRecord record = MakeEventRecord(kEventBitmap);
    record.Value = kBufferChangedValue;
    return record;
}

EventRecord PostLoadRecord(const char* path, const char* name, int32_t type) {
    EventRecord record = MakeEventRecord(kEventPostLoad);
    CopyEventText(record.File.Path, path);
    CopyEventText(record.File.Name, name);
    record.File.Type = type;
    return record;
}

EventRecord GetFilePathRecord(int32_t save, int32_t count, int32_t index, const char* path, const char* name) {
    EventRecord record = MakeEventRecord(kEventGetFilePath);
    record.Save = save;
    record.Count = count;
    record.Index = index;
    CopyEventText(record.File.Path, path);
    CopyEventText(record.File.Name, name);
    return record;
}

EventRecord TransferPercentageRecord(int32_t percent, LONG* cancel) {
    EventRecord record = MakeEventRecord(kEventTransferPercentage);
    record.Value = percent;
    record.Payload = cancel;
    return record;
}

EventRecord BeforeOperateRecord(int32_t id, const char* name) {
    EventRecord record = MakeEventRecord(kEventBeforeOperate);
    record.Operation.Identifier = id;
    record.Operation.IdentifierDescription = name;
    return record;
}

EventRecord OperateStatusRecord(const char* status, int32_t percent) {
    EventRecord record = MakeEventRecord(kEventOperateStatus);
    record.Operation.Message = status;
    record.Operation.Percent = percent;
    return record;
}

EventRecord AfterOperateRecord(int32_t id, const char* name, int32_t succeeded, const char* errorText) {
    EventRecord record = MakeEventRecord(kEventAfterOperate);
    record.Operation.Identifier = id;
    record.Operation.IdentifierDescription = name;
    record.Operation.Succeed = succeeded;
    record.Operation.Message = errorText;
    return record;
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

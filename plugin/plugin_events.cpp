// Events of the plug-in: engine reports and event records become calls of the page functions
// that the embed tag names. Records from other threads reach the plug-in window first.
#include <cstring>

#include "base/event_record.h"
#include "plugin/browser_functions.h"
#include "plugin/plugin_instance.h"

namespace {

NPVariant TextArgument(const char* text) {
    NPVariant v;
    if (!text) text = "";
    STRINGN_TO_NPVARIANT(text, static_cast<uint32_t>(std::strlen(text)), v);
    return v;
}

NPVariant NumberArgument(int32_t number) {
    NPVariant v;
    INT32_TO_NPVARIANT(number, v);
    return v;
}

}  // namespace

void PluginInstance::CallPageFunction(PluginEvent event, const NPVariant* args, uint32_t count) {
    const char* name = m_handlers[event];
    if (!m_record || !name) return;
    NPObject* page = nullptr;
    if (NPN_GetValue(m_record, NPNVWindowNPObject, &page) != NPERR_NO_ERROR || !page) return;
    NPVariant function;
    VOID_TO_NPVARIANT(function);
    NPIdentifier id = NPN_GetStringIdentifier(name);
    bool found = id && NPN_GetProperty(m_record, page, id, &function);
    NPN_ReleaseObject(page);
    if (!found) return;
    // Only an object can be called: a page variable holding a number or a text is left alone.
    if (function.type == NPVariantType_Object && function.value.objectValue) {
        NPVariant result;
        VOID_TO_NPVARIANT(result);
        if (NPN_InvokeDefault(m_record, function.value.objectValue, args, count, &result))
            NPN_ReleaseVariantValue(&result);
    }
    NPN_ReleaseVariantValue(&function);
}

void PluginInstance::CallIndexEvent(PluginEvent event, SHORT index) {
    NPVariant arg = NumberArgument(index);
    CallPageFunction(event, &arg, 1);
}

void PluginInstance::SendRecord(EventRecord& record) { SendEventRecord(PluginWindow(), record); }

LRESULT PluginInstance::DispatchEventRecord(EventRecord* record) {
    if (!record || record->Kind < 0 || record->Kind > 21) return 0;
    switch (record->Kind) {
        case kEventPreTransfer: OnPreTransfer(); break;
        case kEventPostTransfer: OnPostTransfer(); break;
        case kEventPreAllTransfers: OnPreAllTransfers(); break;
        case kEventPostAllTransfers: OnPostAllTransfers(); break;
        case kEventTransferCancelled: OnTransferCancelled(); break;
        case kEventTransferError: OnTransferError(); break;
        case kEventTransferPercentage:
        case kEventTransferPercentageAlias: {
            NPVariant arg = NumberArgument(static_cast<SHORT>(record->Value));
            CallPageFunction(kOnInternetTransferPercentage, &arg, 1);
            break;
        }
        case kEventPostLoad: {
            NPVariant args[3] = {TextArgument(record->File.Path), TextArgument(record->File.Name),
                                 NumberArgument(record->File.Type)};
            CallPageFunction(kOnPostLoad, args, 3);
            break;
        }
        case kEventBitmap:
            if (!record->Payload && record->Value == kBufferChangedValue) {
                CallSimpleEvent(kOnBitmapChanged);
            } else {
                // The buffer takes the image (or frees what it cannot keep).
                OnBitmapAcquired(static_cast<HGLOBAL>(record->Payload));
            }
            break;
        case kEventBeforeOperate: {
            NPVariant args[2] = {NumberArgument(record->Operation.Identifier),
                                 TextArgument(record->Operation.IdentifierDescription)};
            CallPageFunction(kOnBeforeOperate, args, 2);
            break;
        }
        case kEventAfterOperate: {
            NPVariant args[4] = {NumberArgument(record->Operation.Identifier),
                                 TextArgument(record->Operation.IdentifierDescription),
                                 NumberArgument(record->Operation.Succeed), TextArgument(record->Operation.Message)};
            CallPageFunction(kOnAfterOperate, args, 4);
            break;
        }
        case kEventOperateStatus: {
            NPVariant args[2] = {TextArgument(record->Operation.Message), NumberArgument(record->Operation.Percent)};
            CallPageFunction(kOnOperateStatus, args, 2);
            break;
        }
        case kEventSourceUIClose: OnSourceUIClose(); break;
        default: break;
    }
    return 1;
}

void PluginInstance::OnTransferError() { CallSimpleEvent(kOnTransferError); }
void PluginInstance::OnTransferCancelled() { CallSimpleEvent(kOnTransferCancelled); }
void PluginInstance::OnPostAllTransfers() { CallSimpleEvent(kOnPostAllTransfers); }
void PluginInstance::OnPreAllTransfers() { CallSimpleEvent(kOnPreAllTransfers); }
void PluginInstance::OnPostTransfer() { CallSimpleEvent(kOnPostTransfer); }
void PluginInstance::OnPreTransfer() { CallSimpleEvent(kOnPreTransfer); }
void PluginInstance::OnSourceUIClose() { CallSimpleEvent(kOnSourceUIClose); }

void PluginInstance::OnBufferChanged(HGLOBAL current, int quiet) {
    CBrowserAddOnBase::OnBufferChanged(current, quiet);
    // While the engine holds view updates back (a download adding pages) no per-change event follows.
    if (Busy() || quiet || GetSuspendViewUpdates()) return;
    EventRecord record = MakeEventRecord(kEventBitmap);
    record.Value = kBufferChangedValue;
    SendRecord(record);
}

void PluginInstance::OnPostLoad(const char* path, const char* name, SHORT type) {
    EventRecord record = MakeEventRecord(kEventPostLoad);
    CopyEventText(record.File.Path, path);
    CopyEventText(record.File.Name, name);
    record.File.Type = type;
    SendRecord(record);
}

void PluginInstance::OnGetFilePath(BOOL save, LONG count, LONG index, const char* path, const char* name) {
    NPVariant args[5] = {NumberArgument(save), NumberArgument(count), NumberArgument(index), TextArgument(path),
                         TextArgument(name)};
    CallPageFunction(kOnGetFilePath, args, 5);
}

void PluginInstance::OnTransferPercentage(SHORT percent, LONG* cancel) {
    if (cancel) *cancel = GetIfCancelTransfer();
    EventRecord record = MakeEventRecord(kEventTransferPercentage);
    record.Value = percent;
    SendRecord(record);
    if (cancel) *cancel = GetIfCancelTransfer();
}

void PluginInstance::OnBeforeOperate(LONG id, const char* name) {
    EventRecord record = MakeEventRecord(kEventBeforeOperate);
    record.Operation.Identifier = id;
    record.Operation.IdentifierDescription = name;
    SendRecord(record);
}

void PluginInstance::OnOperateStatus(const char* status, LONG percent) {
    EventRecord record = MakeEventRecord(kEventOperateStatus);
    record.Operation.Message = status;
    record.Operation.Percent = percent;
    SendRecord(record);
}

void PluginInstance::OnAfterOperate(LONG id, const char* name, BOOL succeeded, const char* errorText) {
    EventRecord record = MakeEventRecord(kEventAfterOperate);
    record.Operation.Identifier = id;
    record.Operation.IdentifierDescription = name;
    record.Operation.Succeed = succeeded;
    record.Operation.Message = errorText;
    SendRecord(record);
}

// Events of the plug-in: engine reports and event records become calls of the page functions
// that the embed tag names. Records from other threads reach the plug-in window first.
#include <deque>
#include <string>
#include <vector>

#include "base/event_record.h"
#include "plugin/browser_functions.h"
#include "plugin/plugin_instance.h"
#include "plugin/script_text.h"

// The arguments of one page call: numbers, and texts turned from the engine's code page into
// the browser's UTF-8; the copies live until the call returns.
class PageArguments {
public:
    PageArguments& Number(int32_t number) {
        NPVariant v;
        INT32_TO_NPVARIANT(number, v);
        m_values.push_back(v);
        return *this;
    }
    PageArguments& Text(const char* ansi) {
        const std::string& utf8 = m_texts.emplace_back(AnsiToUtf8(ansi));
        NPVariant v;
        STRINGN_TO_NPVARIANT(utf8.c_str(), static_cast<uint32_t>(utf8.size()), v);
        m_values.push_back(v);
        return *this;
    }
    const NPVariant* Values() const { return m_values.data(); }
    uint32_t Count() const { return static_cast<uint32_t>(m_values.size()); }

private:
    std::deque<std::string> m_texts;  // elements never move, so the variants keep pointing at them
    std::vector<NPVariant> m_values;
};

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

void PluginInstance::CallPageFunction(PluginEvent event, const PageArguments& args) {
    CallPageFunction(event, args.Values(), args.Count());
}

void PluginInstance::CallIndexEvent(PluginEvent event, SHORT index) {
    CallPageFunction(event, PageArguments().Number(index));
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
        case kEventTransferPercentageAlias:
            CallPageFunction(kOnInternetTransferPercentage, PageArguments().Number(static_cast<SHORT>(record->Value)));
            break;
        case kEventPostLoad:
            CallPageFunction(kOnPostLoad,
                             PageArguments().Text(record->File.Path).Text(record->File.Name).Number(record->File.Type));
            break;
        case kEventBitmap:
            if (!record->Payload && record->Value == kBufferChangedValue) {
                CallSimpleEvent(kOnBitmapChanged);
            } else {
                // The buffer takes the image (or frees what it cannot keep).
                OnBitmapAcquired(static_cast<HGLOBAL>(record->Payload));
            }
            break;
        case kEventBeforeOperate:
            CallPageFunction(kOnBeforeOperate, PageArguments()
                                                   .Number(record->Operation.Identifier)
                                                   .Text(record->Operation.IdentifierDescription));
            break;
        case kEventAfterOperate:
            CallPageFunction(kOnAfterOperate, PageArguments()
                                                  .Number(record->Operation.Identifier)
                                                  .Text(record->Operation.IdentifierDescription)
                                                  .Number(record->Operation.Succeed)
                                                  .Text(record->Operation.Message));
            break;
        case kEventOperateStatus:
            CallPageFunction(kOnOperateStatus,
                             PageArguments().Text(record->Operation.Message).Number(record->Operation.Percent));
            break;
        case kEventSourceUIClose: OnSourceUIClose(); break;
        default: break;
    }
    return 1;
}

void PluginInstance::FirePlainEvent(EventKind kind) {
    switch (kind) {
        case kEventPreTransfer: CallSimpleEvent(kOnPreTransfer); break;
        case kEventPostTransfer: CallSimpleEvent(kOnPostTransfer); break;
        case kEventPreAllTransfers: CallSimpleEvent(kOnPreAllTransfers); break;
        case kEventPostAllTransfers: CallSimpleEvent(kOnPostAllTransfers); break;
        case kEventTransferCancelled: CallSimpleEvent(kOnTransferCancelled); break;
        case kEventTransferError: CallSimpleEvent(kOnTransferError); break;
        case kEventSourceUIClose: CallSimpleEvent(kOnSourceUIClose); break;
        default: break;
    }
}

void PluginInstance::OnBufferChanged(HGLOBAL current, int quiet) {
    CBrowserAddOnBase::OnBufferChanged(current, quiet);
    // While the engine holds view updates back (a download adding pages) no per-change event follows.
    if (Busy() || quiet || GetSuspendViewUpdates()) return;
    EventRecord record = BufferChangedRecord();
    SendRecord(record);
}

void PluginInstance::OnPostLoad(const char* path, const char* name, SHORT type) {
    EventRecord record = PostLoadRecord(path, name, type);
    SendRecord(record);
}

void PluginInstance::OnGetFilePath(BOOL save, LONG count, LONG index, const char* path, const char* name) {
    CallPageFunction(kOnGetFilePath,
                     PageArguments().Number(save).Number(count).Number(index).Text(path).Text(name));
}

void PluginInstance::OnTransferPercentage(SHORT percent, LONG* cancel) {
    if (cancel) *cancel = GetIfCancelTransfer();
    // The page's handler reads the flag through IfCancelTransfer; the record carries none.
    EventRecord record = TransferPercentageRecord(percent, nullptr);
    SendRecord(record);
    if (cancel) *cancel = GetIfCancelTransfer();
}

void PluginInstance::OnBeforeOperate(LONG id, const char* name) {
    EventRecord record = BeforeOperateRecord(id, name);
    SendRecord(record);
}

void PluginInstance::OnOperateStatus(const char* status, LONG percent) {
    EventRecord record = OperateStatusRecord(status, percent);
    SendRecord(record);
}

void PluginInstance::OnAfterOperate(LONG id, const char* name, BOOL succeeded, const char* errorText) {
    EventRecord record = AfterOperateRecord(id, name, succeeded, errorText);
    SendRecord(record);
}

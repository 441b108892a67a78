// CPallastra's event dispatcher: an EventRecord sent to the control window becomes an event of
// _ILumettaEvents (or an image for the buffer).
#include "activex/cancel.h"
#include "activex/pallastra.h"

namespace {

class EventText {
public:
    EventText(CPallastra& control, const char* text) : m_text(control.MakeEventString(text)) {}
    ~EventText() { SysFreeString(m_text); }
    EventText(const EventText&) = delete;
    EventText& operator=(const EventText&) = delete;
    operator BSTR() const { return m_text; }

private:
    BSTR m_text;
};

}  // namespace

void CPallastra::FirePercentagePair(SHORT percent, LONG* cancel) {
    LONG ignored = 0;
    if (!cancel) cancel = &ignored;
    VARIANT_BOOL asked = *cancel == 1 ? VARIANT_TRUE : VARIANT_FALSE;
    m_proxy.Fire_OnInternetTransferPercentage(percent, &asked);
    *cancel = asked != 0 ? 1 : 0;

    CCancel* own = CCancel::Create();
    if (!own) return;
    own->put_Cancelled(*cancel ? VARIANT_TRUE : VARIANT_FALSE);
    IDispatch* given = own;
    given->AddRef();
    m_proxy.Fire_OnInternetTransferPercentageEx(percent, &given);
    // A handler may have put another object in the by-reference slot: the answer is read from
    // the object the control made.
    if (given) given->Release();
    VARIANT_BOOL answer = VARIANT_FALSE;
    own->get_Cancelled(&answer);
    *cancel = answer != 0 ? 1 : 0;
    own->Release();
}

LRESULT CPallastra::DispatchEventRecord(EventRecord* record) {
    if (!record) return 0;
    AddRef();
    LRESULT handled = 1;
    switch (record->Kind) {
        case kEventPreTransfer:
        case kEventPostTransfer:
        case kEventPreAllTransfers:
        case kEventPostAllTransfers:
        case kEventTransferCancelled:
        case kEventTransferError:
            m_proxy.Fire_Simple(PlainEventDispId(static_cast<EventKind>(record->Kind)));
            break;
        case kEventTransferPercentage:
        case kEventTransferPercentageAlias:
            FirePercentagePair(static_cast<SHORT>(record->Value), static_cast<LONG*>(record->Payload));
            break;
        case kEventPostLoad: {
            EventText path(*this, record->File.Path), name(*this, record->File.Name);
            m_proxy.Fire_OnPostLoad(path, name, record->File.Type);
            break;
        }
        case kEventGetFilePath: {
            EventText path(*this, record->File.Path), name(*this, record->File.Name);
            m_proxy.Fire_OnGetFilePath(record->Save ? -1 : 0, record->Count, record->Index, path, name);
            break;
        }
        case kEventBitmap:
            if (!record->Payload && record->Value == kBufferChangedValue) {
                m_proxy.Fire_Simple(kDispIdOnBitmapChanged);
            } else {
                // The buffer takes the image (or frees what it cannot keep).
                OnBitmapAcquired(static_cast<HGLOBAL>(record->Payload));
            }
            break;
        case kEventBeforeOperate: {
            EventText name(*this, record->Operation.IdentifierDescription);
            m_proxy.Fire_OnBeforeOperate(record->Operation.Identifier, name);
            break;
        }
        case kEventAfterOperate: {
            EventText name(*this, record->Operation.IdentifierDescription), message(*this, record->Operation.Message);
            m_proxy.Fire_OnAfterOperate(record->Operation.Identifier, name, record->Operation.Succeed ? -1 : 0, message);
            break;
        }
        case kEventOperateStatus: {
            EventText message(*this, record->Operation.Message);
            m_proxy.Fire_OnOperateStatus(message, record->Operation.Percent);
            break;
        }
        case kEventSourceUIClose: OnSourceUIClose(); break;
        default: handled = 0; break;
    }
    Release();
    return handled;
}

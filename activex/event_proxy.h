// CProxy_ILumettaEvents: fires the events of _ILumettaEvents to every sink of the control's
// connection point, in the order the sinks connected. Arguments are built once; a by-reference
// argument that one sink changes is what the next sink sees. Sink failures are ignored.
#pragma once

#include "activex/ilumetta.h"
#include "comcontrol/connection_point.h"

class CProxy_ILumettaEvents {
public:
    explicit CProxy_ILumettaEvents(const comcontrol::ConnectionPoint& point) : m_point(point) {}

    // Arguments in declaration order; they are handed to the sinks reversed, as DISPPARAMS wants.
    HRESULT Fire(DISPID id, VARIANT* args, UINT count) const;

    HRESULT Fire_Simple(DISPID id) const { return Fire(id, nullptr, 0); }
    HRESULT Fire_ImageIndex(DISPID id, SHORT index) const;
    HRESULT Fire_OnImageAreaSelected(SHORT index, LONG left, LONG top, LONG right, LONG bottom) const;
    HRESULT Fire_OnInternetTransferPercentage(SHORT percent, VARIANT_BOOL* cancel) const;
    HRESULT Fire_OnInternetTransferPercentageEx(SHORT percent, IDispatch** cancel) const;
    HRESULT Fire_OnPostLoad(BSTR path, BSTR name, LONG type) const;
    HRESULT Fire_OnGetFilePath(SHORT save, LONG count, LONG index, BSTR path, BSTR name) const;
    HRESULT Fire_OnBeforeOperate(LONG id, BSTR description) const;
    HRESULT Fire_OnOperateStatus(BSTR message, LONG percent) const;
    HRESULT Fire_OnAfterOperate(LONG id, BSTR description, SHORT succeed, BSTR message) const;

private:
    const comcontrol::ConnectionPoint& m_point;
};

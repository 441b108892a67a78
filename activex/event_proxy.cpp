#include "activex/event_proxy.h"

#include <algorithm>
#include <vector>

namespace {

VARIANT Short(SHORT v) {
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_I2;
    r.iVal = v;
    return r;
}

VARIANT Long(LONG v) {
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_I4;
    r.lVal = v;
    return r;
}

// The text is lent: the caller keeps and frees it.
VARIANT Text(BSTR v) {
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_BSTR;
    r.bstrVal = v;
    return r;
}

}  // namespace

HRESULT CProxy_ILumettaEvents::Fire(DISPID id, VARIANT* args, UINT count) const {
    std::reverse(args, args + count);
    DISPPARAMS params{count ? args : nullptr, nullptr, count, 0};
    HRESULT result = S_OK;
    // A handler may connect or disconnect sinks: walk a referenced copy of the slots.
    std::vector<IDispatch*> sinks = m_point.Sinks();
    for (IDispatch* sink : sinks)
        if (sink) sink->AddRef();
    for (IDispatch* sink : sinks) {
        if (!sink) continue;
        VARIANT answer;
        VariantInit(&answer);
        result = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &answer, nullptr, nullptr);
        VariantClear(&answer);
        sink->Release();
    }
    std::reverse(args, args + count);
    return result;
}

HRESULT CProxy_ILumettaEvents::Fire_ImageIndex(DISPID id, SHORT index) const {
    VARIANT args[] = {Short(index)};
    return Fire(id, args, 1);
}

HRESULT CProxy_ILumettaEvents::Fire_OnImageAreaSelected(SHORT index, LONG left, LONG top, LONG right, LONG bottom) const {
    VARIANT args[] = {Short(index), Long(left), Long(top), Long(right), Long(bottom)};
    return Fire(kDispIdOnImageAreaSelected, args, 5);
}

HRESULT CProxy_ILumettaEvents::Fire_OnInternetTransferPercentage(SHORT percent, VARIANT_BOOL* cancel) const {
    VARIANT args[2] = {Short(percent)};
    VariantInit(&args[1]);
    args[1].vt = VT_BOOL | VT_BYREF;
    args[1].pboolVal = cancel;
    return Fire(kDispIdOnInternetTransferPercentage, args, 2);
}

HRESULT CProxy_ILumettaEvents::Fire_OnInternetTransferPercentageEx(SHORT percent, IDispatch** cancel) const {
    VARIANT args[2] = {Short(percent)};
    VariantInit(&args[1]);
    args[1].vt = VT_DISPATCH | VT_BYREF;
    args[1].ppdispVal = cancel;
    return Fire(kDispIdOnInternetTransferPercentageEx, args, 2);
}

HRESULT CProxy_ILumettaEvents::Fire_OnPostLoad(BSTR path, BSTR name, LONG type) const {
    VARIANT args[] = {Text(path), Text(name), Long(type)};
    return Fire(kDispIdOnPostLoad, args, 3);
}

HRESULT CProxy_ILumettaEvents::Fire_OnGetFilePath(SHORT save, LONG count, LONG index, BSTR path, BSTR name) const {
    VARIANT args[] = {Short(save), Long(count), Long(index), Text(path), Text(name)};
    return Fire(kDispIdOnGetFilePath, args, 5);
}

HRESULT CProxy_ILumettaEvents::Fire_OnBeforeOperate(LONG id, BSTR description) const {
    VARIANT args[] = {Long(id), Text(description)};
    return Fire(kDispIdOnBeforeOperate, args, 2);
}

HRESULT CProxy_ILumettaEvents::Fire_OnOperateStatus(BSTR message, LONG percent) const {
    VARIANT args[] = {Text(message), Long(percent)};
    return Fire(kDispIdOnOperateStatus, args, 2);
}

HRESULT CProxy_ILumettaEvents::Fire_OnAfterOperate(LONG id, BSTR description, SHORT succeed, BSTR message) const {
    VARIANT args[] = {Long(id), Text(description), Short(succeed), Text(message)};
    return Fire(kDispIdOnAfterOperate, args, 4);
}

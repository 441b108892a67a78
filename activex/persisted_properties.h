// The control's persisted properties: one table (bag name, member id, stored variant type) used by
// the property bag, the stream (version word 0x0900) and the storage stream "Contents". Values
// travel through the control's own dispatch interface, so loading is a script put and saving a
// script get.
#pragma once

#include <ocidl.h>

#include <cstddef>

#include "activex/persisted_stream_format.h"

struct PersistedProperty {
    const wchar_t* name;
    DISPID id;
    VARTYPE type;  // written as is; VT_INT entries also accept VT_I4 (Wine's answer) on load
};

extern const PersistedProperty kPersistedProperties[];
extern const size_t kPersistedPropertyCount;

HRESULT LoadPropertiesFromBag(IDispatch* control, SIZEL& extent, IPropertyBag* bag, IErrorLog* log);
HRESULT SavePropertiesToBag(IDispatch* control, const SIZEL& extent, IPropertyBag* bag);
HRESULT LoadPropertiesFromStream(IDispatch* control, SIZEL& extent, IStream* stream);
HRESULT SavePropertiesToStream(IDispatch* control, const SIZEL& extent, IStream* stream);
HRESULT PersistedStreamSize(IDispatch* control, ULONGLONG* size);

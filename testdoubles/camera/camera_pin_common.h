// What the test camera's two output pins answer alike: pin information, id and category.
#pragma once

#include "platform/directshow/directshow.h"

HRESULT DescribeOutputPin(IBaseFilter* filter, const wchar_t* name, PIN_INFO* info);
HRESULT CopyPinId(const wchar_t* name, LPWSTR* id);
// IKsPropertySet::Get of a pin of the given category.
HRESULT GetPinCategory(const GUID& category, REFGUID set, DWORD id, void* data, DWORD size, DWORD* returned);
HRESULT QueryPinCategorySupport(REFGUID set, DWORD id, DWORD* support);

#include "activex/persisted_properties.h"

#include <cstring>

const PersistedProperty kPersistedProperties[] = {
    {L"JpgQuality", 83, VT_I2},
    {L"Manufacturer", 2, VT_BSTR},
    {L"ProductFamily", 3, VT_BSTR},
    {L"ProductName", 4, VT_BSTR},
    {L"VersionInfo", 5, VT_BSTR},
    {L"BorderStyle", 91, VT_I4},
    {L"FTPUserName", 73, VT_BSTR},
    {L"FTPPassword", 74, VT_BSTR},
    {L"FTPPort", 75, VT_INT},
    {L"HTTPUserName", 78, VT_BSTR},
    {L"HTTPPassword", 79, VT_BSTR},
    {L"HTTPPort", 80, VT_INT},
    {L"ProxyServer", 76, VT_BSTR},
    {L"IfShowUI", 121, VT_BOOL},
    {L"IfTiffMultiPage", 124, VT_BOOL},
    {L"IfThrowException", 127, VT_BOOL},
    {L"MaxImagesInBuffer", 134, VT_I2},
    {L"TIFFCompressionType", 144, VT_I4},
    {L"IfFitWindow", 316, VT_BOOL},
    {L"ImageEditorWindowTitle", 320, VT_BSTR},
    {L"ImageEditorIfReadonly", 321, VT_BOOL},
    {L"ImageEditorIfEnableEnumerator", 322, VT_BOOL},
    {L"IfSSL", 333, VT_BOOL},
    {L"IfShowCancelDialogWhenImageTransfer", 342, VT_BOOL},
    {L"ImageMargin", 344, VT_I2},
    {L"MouseShape", 345, VT_BOOL},
    {L"PDFTitle", 346, VT_BSTR},
    {L"PDFAuthor", 347, VT_BSTR},
    {L"PDFSubject", 348, VT_BSTR},
    {L"PDFKeywords", 349, VT_BSTR},
    {L"PDFCreator", 352, VT_BSTR},
    {L"PDFProducer", 353, VT_BSTR},
    {L"MaxUploadImageSize", 360, VT_I4},
    {L"PDFCompressionType", 361, VT_I4},
    {L"IfAppendImage", 362, VT_BOOL},
    {L"BlankImageThreshold", 365, VT_INT},
    {L"BlankImageMaxStdDev", 366, VT_R4},
    {L"EnableInteractiveZoom", 369, VT_BOOL},
    {L"HttpFieldNameOfUploadedImage", 370, VT_BSTR},
    {L"IfPASVMode", 371, VT_BOOL},
    {L"VScrollBar", 375, VT_BOOL},
    {L"SelectionImageBorderColor", 376, VT_I4},
    {L"AllowMultiSelect", 377, VT_BOOL},
    {L"BackgroundColor", 394, VT_I4},
    {L"BackgroundFillColor", 395, VT_I4},
    {L"IfShowPrintUI", 410, VT_BOOL},
    {L"IfShowFileDialog", 411, VT_BOOL},
    {L"FitWindowType", 412, VT_I2},
};
const size_t kPersistedPropertyCount = sizeof(kPersistedProperties) / sizeof(kPersistedProperties[0]);

namespace {

HRESULT GetProperty(IDispatch* control, DISPID id, VARIANT* value) {
    DISPPARAMS none{};
    VariantInit(value);
    return control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value, nullptr, nullptr);
}

HRESULT PutProperty(IDispatch* control, DISPID id, VARIANT* value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{value, &named, 1, 1};
    return control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

// The current value of an entry in the entry's own variant type.
HRESULT GetTyped(IDispatch* control, const PersistedProperty& p, VARIANT* value) {
    HRESULT hr = GetProperty(control, p.id, value);
    if (FAILED(hr)) return E_FAIL;
    if (value->vt != p.type && FAILED(VariantChangeType(value, value, 0, p.type))) {
        VariantClear(value);
        return E_FAIL;
    }
    return S_OK;
}

HRESULT ReadExact(IStream* stream, void* data, ULONG size) {
    ULONG got = 0;
    HRESULT hr = stream->Read(data, size, &got);
    if (FAILED(hr)) return hr;
    return got == size ? S_OK : E_FAIL;
}

HRESULT WriteExact(IStream* stream, const void* data, ULONG size) {
    ULONG put = 0;
    HRESULT hr = stream->Write(data, size, &put);
    if (FAILED(hr)) return hr;
    return put == size ? S_OK : STG_E_MEDIUMFULL;
}

// The stream format's reader over an IStream.
class StreamReader : public PersistedStreamReader {
public:
    explicit StreamReader(IStream* stream) : m_stream(stream) {}
    LONG ReadExact(void* data, uint32_t size) override { return ::ReadExact(m_stream, data, size); }

private:
    IStream* m_stream;
};

// One serialised value as a variant of the entry's type (the reader has checked it).
HRESULT ReadValue(StreamReader& reader, const PersistedProperty& p, VARIANT* value) {
    VariantInit(value);
    PersistedValue stored;
    HRESULT hr = reader.ReadValue(static_cast<uint16_t>(p.type), &stored);
    if (FAILED(hr)) return hr;
    if (stored.type != VT_BSTR) {
        value->vt = p.type;
        memcpy(&value->lVal, stored.bytes, sizeof(stored.bytes));
        return S_OK;
    }
    value->vt = VT_BSTR;
    value->bstrVal = nullptr;
    if (stored.nullText) return S_OK;
    value->bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(stored.text.data()),
                                       static_cast<UINT>(stored.text.size()));
    return value->bstrVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT WriteValue(IStream* stream, const VARIANT& value) {
    HRESULT hr = WriteExact(stream, &value.vt, sizeof(value.vt));
    if (FAILED(hr)) return hr;
    if (value.vt != VT_BSTR) return WriteExact(stream, &value.lVal, PersistedValueBytes(value.vt));
    DWORD bytes = value.bstrVal ? (SysStringLen(value.bstrVal) + 1) * 2 : 0;
    hr = WriteExact(stream, &bytes, sizeof(bytes));
    if (FAILED(hr) || bytes == 0) return hr;
    return WriteExact(stream, value.bstrVal, bytes);
}

}  // namespace

HRESULT LoadPropertiesFromBag(IDispatch* control, SIZEL& extent, IPropertyBag* bag, IErrorLog* log) {
    LONG* sides[] = {&extent.cx, &extent.cy};
    const wchar_t* sideNames[] = {L"_cx", L"_cy"};
    for (int i = 0; i < 2; ++i) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_UI4;
        if (SUCCEEDED(bag->Read(sideNames[i], &v, log)) && v.vt == VT_UI4) *sides[i] = static_cast<LONG>(v.ulVal);
        VariantClear(&v);
    }
    for (size_t i = 0; i < kPersistedPropertyCount; ++i) {
        const PersistedProperty& p = kPersistedProperties[i];
        VARIANT v;
        if (FAILED(GetTyped(control, p, &v))) return E_FAIL;
        VariantClear(&v);
        v.vt = p.type == VT_INT ? VARTYPE(VT_I4) : p.type;
        HRESULT hr = bag->Read(p.name, &v, log);
        if (FAILED(hr)) continue;  // not given, or not convertible: skipped
        if (v.vt != p.type && FAILED(VariantChangeType(&v, &v, 0, p.type))) {
            VariantClear(&v);
            continue;
        }
        hr = PutProperty(control, p.id, &v);
        VariantClear(&v);
        if (FAILED(hr)) return E_FAIL;
    }
    return S_OK;
}

HRESULT SavePropertiesToBag(IDispatch* control, const SIZEL& extent, IPropertyBag* bag) {
    const LONG sides[] = {extent.cx, extent.cy};
    const wchar_t* sideNames[] = {L"_cx", L"_cy"};
    for (int i = 0; i < 2; ++i) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_UI4;
        v.ulVal = static_cast<ULONG>(sides[i]);
        HRESULT hr = bag->Write(sideNames[i], &v);
        if (FAILED(hr)) return hr;
    }
    for (size_t i = 0; i < kPersistedPropertyCount; ++i) {
        const PersistedProperty& p = kPersistedProperties[i];
        VARIANT v;
        if (FAILED(GetTyped(control, p, &v))) return E_FAIL;
        HRESULT hr = bag->Write(p.name, &v);
        VariantClear(&v);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT LoadPropertiesFromStream(IDispatch* control, SIZEL& extent, IStream* stream) {
    StreamReader reader(stream);
    PersistedStreamHead head;
    HRESULT hr = reader.ReadHead(&head);
    if (FAILED(hr)) return hr;
    extent.cx = static_cast<LONG>(head.cx);
    extent.cy = static_cast<LONG>(head.cy);
    for (size_t i = 0; i < kPersistedPropertyCount; ++i) {
        const PersistedProperty& p = kPersistedProperties[i];
        VARIANT v;
        hr = ReadValue(reader, p, &v);
        if (FAILED(hr)) {
            VariantClear(&v);
            return hr;
        }
        hr = PutProperty(control, p.id, &v);
        VariantClear(&v);
        if (FAILED(hr)) return E_FAIL;
    }
    return S_OK;
}

HRESULT SavePropertiesToStream(IDispatch* control, const SIZEL& extent, IStream* stream) {
    const DWORD head[3] = {kPersistedStreamVersion, static_cast<DWORD>(extent.cx), static_cast<DWORD>(extent.cy)};
    HRESULT hr = WriteExact(stream, head, sizeof(head));
    if (FAILED(hr)) return hr;
    for (size_t i = 0; i < kPersistedPropertyCount; ++i) {
        VARIANT v;
        if (FAILED(GetTyped(control, kPersistedProperties[i], &v))) return E_FAIL;
        hr = WriteValue(stream, v);
        VariantClear(&v);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT PersistedStreamSize(IDispatch* control, ULONGLONG* size) {
    ULONGLONG total = 4 + 4 + 4;
    for (size_t i = 0; i < kPersistedPropertyCount; ++i) {
        VARIANT v;
        if (FAILED(GetTyped(control, kPersistedProperties[i], &v))) return E_FAIL;
        total += 2;
        if (v.vt == VT_BSTR) total += 4 + (v.bstrVal ? (SysStringLen(v.bstrVal) + 1ull) * 2 : 0);
        else total += PersistedValueBytes(v.vt);
        VariantClear(&v);
    }
    *size = total;
    return S_OK;
}

// The add-on page host: the control's class linked into this program (its type library is a
// resource of the program), so that the page can also reach, through "AddOns", the control's C++
// members for barcodes and text recognition that page script cannot call by name:
//   AddOns.SetDllFolder(folder)   AddOns.SetDataFolder(folder)   AddOns.SetLanguage(name)
//   AddOns.SetResultFormat(n)     AddOns.Language()
//   AddOns.ReadBarcode(index, format)            AddOns.ReadBarcodeEx(index, l, t, r, b, format)
//   AddOns.ReadBarcodeDirectly(file, format)     AddOns.BarcodeCount()
//   AddOns.GetBarcodeText(index)                 AddOns.GetBarcodeInfo(kind, index)
//   AddOns.GetBarcodePoints(index)  "x,y x,y ..." of every point the library reported
//   AddOns.OCREx(index)  AddOns.OCRDirectlyEx(files)  AddOns.HTTPDownloadOCRLangData(server, path, onlyIfMissing)
#include <windows.h>
#include <objsafe.h>

#include <cstdio>
#include <string>

#include "activex/cancel.h"
#include "activex/lumetta_guids.h"
#include "activex/lumetta_registration.h"
#include "activex/pallastra.h"
#include "codecs/image_operator.h"
#include "comcontrol/com_module.h"
#include "pagehost/page_control.h"
#include "pagescript/script_engine.h"
#include "pagescript/simple_dispatch.h"

namespace {

comcontrol::ClassEntry g_objectMap[] = {
    {&lumetta::CLSID_Lumetta, CPallastra::CreateInstance, &kLumettaRegistry, nullptr, 0, nullptr},
    {&lumetta::CLSID_Cancel, CCancel::CreateInstance, &kCancelRegistry, nullptr, 0, nullptr},
};

LONG AsLong(VARIANT* v) {
    VARIANT n;
    VariantInit(&n);
    return v && SUCCEEDED(VariantChangeType(&n, v, 0, VT_I4)) ? n.lVal : 0;
}

// A new BSTR of the argument's text (the caller frees it).
BSTR AsText(VARIANT* v) {
    VARIANT text;
    VariantInit(&text);
    if (!v || FAILED(VariantChangeType(&text, v, 0, VT_BSTR))) return SysAllocString(L"");
    return text.bstrVal;
}

void ReturnBool(VARIANT* result, VARIANT_BOOL value) {
    if (!result) return;
    result->vt = VT_BOOL;
    result->boolVal = value;
}
void ReturnLong(VARIANT* result, LONG value) {
    if (!result) return;
    result->vt = VT_I4;
    result->lVal = value;
}
// Hands a BSTR to the script (or frees it when the caller takes no result).
void ReturnText(VARIANT* result, BSTR text) {
    if (!result) {
        SysFreeString(text);
        return;
    }
    result->vt = VT_BSTR;
    result->bstrVal = text ? text : SysAllocString(L"");
}

class AddOnBridge final : public SimpleDispatch {
public:
    explicit AddOnBridge(CPallastra& control)
        : SimpleDispatch({L"SetDllFolder", L"SetDataFolder", L"SetLanguage", L"SetResultFormat", L"Language",
                          L"ReadBarcode", L"ReadBarcodeEx", L"ReadBarcodeDirectly", L"BarcodeCount", L"GetBarcodeText",
                          L"GetBarcodeInfo", L"GetBarcodePoints", L"OCREx", L"OCRDirectlyEx",
                          L"HTTPDownloadOCRLangData"}),
          m_control(control) {}

protected:
    HRESULT Call(DISPID id, const std::vector<VARIANT*>& a, VARIANT* result) override {
        static const size_t kArguments[] = {1, 1, 1, 1, 0, 2, 6, 2, 0, 1, 2, 1, 1, 1, 3};
        if (id < 1 || id > 15) return DISP_E_MEMBERNOTFOUND;
        if (a.size() < kArguments[id - 1]) return DISP_E_BADPARAMCOUNT;
        CPallastra& c = m_control;
        VARIANT_BOOL ok = VARIANT_FALSE;
        switch (id) {
            case 1: return WithText(a[0], &CPallastra::put_OCRDllPath);
            case 2: return WithText(a[0], &CPallastra::put_OCRTessDataPath);
            case 3: return WithText(a[0], &CPallastra::put_OCRLanguage);
            case 4: return c.put_OCRResultFormat(AsLong(a[0]));
            case 5: {
                BSTR text = nullptr;
                HRESULT hr = c.get_OCRLanguage(&text);
                ReturnText(result, text);
                return hr;
            }
            case 6: {
                HRESULT hr = c.ReadBarcode(static_cast<short>(AsLong(a[0])), AsLong(a[1]), &ok);
                ReturnBool(result, ok);
                return hr;
            }
            case 7: {
                HRESULT hr = c.ReadBarcodeEx(static_cast<short>(AsLong(a[0])), AsLong(a[1]), AsLong(a[2]), AsLong(a[3]),
                                             AsLong(a[4]), AsLong(a[5]), &ok);
                ReturnBool(result, ok);
                return hr;
            }
            case 8: {
                BSTR file = AsText(a[0]);
                HRESULT hr = c.ReadBarcodeDirectly(file, AsLong(a[1]), &ok);
                SysFreeString(file);
                ReturnBool(result, ok);
                return hr;
            }
            case 9: {
                long count = 0;
                HRESULT hr = c.get_BarcodeCount(&count);
                ReturnLong(result, count);
                return hr;
            }
            case 10: return TextOfImage(&CPallastra::GetBarcodeText, a[0], result);
            case 11:
                // The engine's operation behind the plug-in's GetBarcodeInfo (the control has no member).
                ReturnLong(result, c.BarcodeInfoForScript(AsLong(a[1]), AsLong(a[0])));
                return S_OK;
            case 12: {
                const LONG index = AsLong(a[0]);
                std::wstring points;
                for (LONG k = 0; k < c.Barcode().GetResultPointCount(index); ++k) {
                    float x = 0, y = 0;
                    c.Barcode().GetResultPoint(index, k, &x, &y);
                    wchar_t one[64];
                    swprintf(one, 64, L"%s%g,%g", k ? L" " : L"", x, y);
                    points += one;
                }
                ReturnText(result, SysAllocString(points.c_str()));
                return S_OK;
            }
            case 13: return TextOfImage(&CPallastra::OCREx, a[0], result);
            case 14: {
                BSTR files = AsText(a[0]);
                BSTR text = nullptr;
                HRESULT hr = c.OCRDirectlyEx(files, &text);
                SysFreeString(files);
                ReturnText(result, text);
                return hr;
            }
            case 15: {
                BSTR server = AsText(a[0]);
                BSTR path = AsText(a[1]);
                long done = 0;
                HRESULT hr = c.HTTPDownloadOCRLangData(server, path, AsLong(a[2]) ? VARIANT_TRUE : VARIANT_FALSE, &done);
                SysFreeString(server);
                SysFreeString(path);
                ReturnLong(result, done);
                return hr;
            }
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    // A member that gives a text for an index.
    HRESULT TextOfImage(HRESULT (CPallastra::*member)(short, BSTR*), VARIANT* index, VARIANT* result) {
        BSTR text = nullptr;
        HRESULT hr = (m_control.*member)(static_cast<short>(AsLong(index)), &text);
        ReturnText(result, text);
        return hr;
    }
    HRESULT WithText(VARIANT* value, HRESULT (CPallastra::*put)(BSTR)) {
        BSTR text = AsText(value);
        HRESULT hr = (m_control.*put)(text);
        SysFreeString(text);
        return hr;
    }
    CPallastra& m_control;
};

// Lives as long as the program: the script engine releases its items only after main ends.
AddOnBridge* g_bridge = nullptr;

}  // namespace

HRESULT CreatePageControl(IUnknown** control) {
    // What the control's DLL does when it loads, with this program as the module.
    comcontrol::Module().Init(GetModuleHandleW(nullptr), g_objectMap, 2, lumetta::LIBID_LUMETTACTRLLib);
    PlatformImageLibrary library;
    library.table = &LinkedGdiplusApi();
    library.saveThroughLibrary = true;
    CImageOperator::SetPlatformImageLibrary(library);
    return CPallastra::CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(control));
}

void AddPageItems(ScriptEngine& script, IUnknown* control) {
    ILumetta* lumetta = nullptr;
    if (FAILED(control->QueryInterface(lumetta::IID_ILumetta, reinterpret_cast<void**>(&lumetta)))) return;
    g_bridge = new AddOnBridge(*static_cast<CPallastra*>(lumetta));
    lumetta->Release();  // the page keeps the control alive
    script.AddItem(L"AddOns", static_cast<IDispatch*>(g_bridge));
}

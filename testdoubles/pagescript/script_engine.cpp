#include "pagescript/script_engine.h"

#include <cstdio>

ScriptEngine::~ScriptEngine() {
    if (m_parse) m_parse->Release();
    if (m_script) {
        m_script->Close();
        m_script->Release();
    }
}

bool ScriptEngine::Start() {
    CLSID jscript{};
    if (FAILED(CLSIDFromProgID(L"JScript", &jscript))) return false;
    if (FAILED(CoCreateInstance(jscript, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IActiveScript),
                                reinterpret_cast<void**>(&m_script))))
        return false;
    if (FAILED(m_script->QueryInterface(__uuidof(IActiveScriptParse), reinterpret_cast<void**>(&m_parse)))) return false;
    if (FAILED(m_script->SetScriptSite(this)) || FAILED(m_parse->InitNew())) return false;
    return true;
}

void ScriptEngine::AddItem(const std::wstring& name, IUnknown* object) {
    m_items[name] = object;
    m_script->AddNamedItem(name.c_str(), SCRIPTITEM_ISVISIBLE);
}

bool ScriptEngine::Run(const std::wstring& text) {
    EXCEPINFO error{};
    int before = m_errors;
    HRESULT hr = m_parse->ParseScriptText(text.c_str(), nullptr, nullptr, nullptr, 0, 0, SCRIPTTEXT_ISVISIBLE,
                                          nullptr, &error);
    if (SUCCEEDED(hr)) hr = m_script->SetScriptState(SCRIPTSTATE_CONNECTED);
    return SUCCEEDED(hr) && m_errors == before;
}

IDispatch* ScriptEngine::GlobalDispatch() {
    IDispatch* global = nullptr;
    if (!m_script || FAILED(m_script->GetScriptDispatch(nullptr, &global))) return nullptr;
    return global;
}

bool ScriptEngine::CallFunction(const std::wstring& name, VARIANT* args, UINT count, VARIANT* result) {
    IDispatch* global = nullptr;
    if (FAILED(m_script->GetScriptDispatch(nullptr, &global))) return false;
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
    bool called = false;
    if (SUCCEEDED(global->GetIDsOfNames(IID_NULL, names, 1, 0, &id))) {
        DISPPARAMS params{args, nullptr, count, 0};
        EXCEPINFO error{};
        HRESULT hr = global->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result, &error, nullptr);
        called = SUCCEEDED(hr);
        if (!called) {
            ++m_errors;
            wprintf(L"page script: %ls failed: 0x%08lx %ls\n", name.c_str(), static_cast<unsigned long>(hr),
                    error.bstrDescription ? error.bstrDescription : L"");
        }
        SysFreeString(error.bstrSource);
        SysFreeString(error.bstrDescription);
        SysFreeString(error.bstrHelpFile);
    }
    global->Release();
    return called;
}

HRESULT ScriptEngine::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == __uuidof(IActiveScriptSite)) *out = static_cast<IActiveScriptSite*>(this);
    else if (iid == __uuidof(IActiveScriptSiteWindow)) *out = static_cast<IActiveScriptSiteWindow*>(this);
    else return E_NOINTERFACE;
    return S_OK;
}

HRESULT ScriptEngine::GetLCID(LCID* lcid) {
    if (lcid) *lcid = LOCALE_USER_DEFAULT;
    return S_OK;
}

HRESULT ScriptEngine::GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) {
    if (item) *item = nullptr;
    if (info) *info = nullptr;
    auto it = m_items.find(name);
    if (it == m_items.end()) return TYPE_E_ELEMENTNOTFOUND;
    if ((mask & SCRIPTINFO_IUNKNOWN) && item) {
        *item = it->second;
        it->second->AddRef();
    }
    return S_OK;
}

HRESULT ScriptEngine::GetDocVersionString(BSTR* version) {
    if (version) *version = nullptr;
    return E_NOTIMPL;
}

HRESULT ScriptEngine::OnScriptError(IActiveScriptError* error) {
    ++m_errors;
    EXCEPINFO info{};
    error->GetExceptionInfo(&info);
    DWORD context = 0;
    ULONG line = 0;
    LONG column = 0;
    error->GetSourcePosition(&context, &line, &column);
    wprintf(L"page script: error at line %lu: %ls\n", line + 1, info.bstrDescription ? info.bstrDescription : L"");
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    return S_OK;
}

HRESULT ScriptEngine::GetWindow(HWND* window) {
    if (window) *window = m_window;
    return S_OK;
}

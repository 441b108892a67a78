// The page's script: the system JScript engine (IActiveScript) with named items, run on the
// thread of the page host or browser harness that embeds the component.
#pragma once

#include <activscp.h>

#include <map>
#include <string>

class ScriptEngine final : public IActiveScriptSite, public IActiveScriptSiteWindow {
public:
    explicit ScriptEngine(HWND window) : m_window(window) {}
    ~ScriptEngine();

    // Starts JScript; false when it is not installed.
    bool Start();
    // Makes an object visible to the script under a name.
    void AddItem(const std::wstring& name, IUnknown* object);
    // Runs the page's script text; false when it did not compile or threw.
    bool Run(const std::wstring& text);
    // Calls a global function of the script when it exists; the result is left in *result.
    bool CallFunction(const std::wstring& name, VARIANT* args, UINT count, VARIANT* result);
    // The script's global object (its functions and variables as properties): a new reference.
    IDispatch* GlobalDispatch();
    int ScriptErrors() const { return m_errors; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetLCID(LCID* lcid) override;
    HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR* version) override;
    HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError* error) override;
    HRESULT STDMETHODCALLTYPE OnEnterScript() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnLeaveScript() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }

private:
    HWND m_window;
    IActiveScript* m_script = nullptr;
    IActiveScriptParse* m_parse = nullptr;
    std::map<std::wstring, IUnknown*> m_items;
    int m_errors = 0;
};

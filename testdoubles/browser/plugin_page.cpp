#include "browser/plugin_page.h"

#include <windows.h>

#include "base/event_record.h"
#include "browser/dispatch_npobject.h"
#include "browser/npobject_dispatch.h"
#include "browser/script_runtime.h"
#include "pagescript/host_functions.h"
#include "pagescript/script_engine.h"
#include "pagescript/simple_dispatch.h"

namespace browser {

const char* const kPageEvents[21] = {
    "OnPreTransfer",       "OnPostTransfer",      "OnPreAllTransfers",          "OnPostAllTransfers",
    "OnTransferCancelled", "OnTransferError",     "OnMouseClick",               "OnMouseMove",
    "OnMouseRightClick",   "OnMouseDoubleClick",  "OnTopImageInTheViewChanged", "OnImageAreaSelected",
    "OnImageAreaDeselected", "OnInternetTransferPercentage", "OnPostLoad",      "OnGetFilePath",
    "OnBeforeOperate",     "OnOperateStatus",     "OnAfterOperate",             "OnSourceUIClose",
    "OnBitmapChanged",
};

namespace {

using pagescript::AsNumber;
using pagescript::SetText;

// "Host" of the page: the page host's members, over the browser and the element.
class PluginHost final : public SimpleDispatch {
public:
    PluginHost(Browser& browser, Embed* embed)
        : SimpleDispatch({L"Echo", L"Check", L"SendEvent", L"ViewerSize", L"Resize", L"Wait", L"Name", L"Destroy",
                          L"Click", L"EditorOpen", L"EditorCommand", L"DestroyWhenEditorShows", L"FrameEnabled",
                          L"DialogCommand", L"EditorPlacement", L"EditorAboutPlacement"}),
          m_browser(browser),
          m_embed(embed) {}
    int failures = 0;

protected:
    HRESULT Call(DISPID id, const std::vector<VARIANT*>& args, VARIANT* result) override {
        switch (id) {
            case 1: return pagescript::Echo(args);
            case 2:
                if (!pagescript::Check(args)) ++failures;
                return S_OK;
            case 3: {  // SendEvent(kind, value): an event record as the engine sends it
                if (args.empty()) return DISP_E_BADPARAMCOUNT;
                if (!m_embed) return E_FAIL;
                EventRecord record{};
                record.Kind = AsNumber(args[0]);
                if (args.size() > 1) record.Value = AsNumber(args[1]);
                if (record.Kind == kEventPostLoad) {
                    lstrcpynA(record.File.Path, "C:\\pages", MAX_PATH);
                    lstrcpynA(record.File.Name, "scan.png", MAX_PATH);
                    record.File.Type = 3;
                }
                if (record.Kind == kEventBitmap) record.Value = kBufferChangedValue;
                SendMessageA(m_embed->window, WM_LUMETTA_EVENT, 0, reinterpret_cast<LPARAM>(&record));
                if (result) {
                    result->vt = VT_I4;
                    result->lVal = 0;
                }
                return S_OK;
            }
            case 4:
                if (!m_embed) return E_FAIL;
                return pagescript::ViewerSize(FindWindowExA(m_embed->window, nullptr, nullptr, nullptr), result);
            case 5:
                if (args.size() < 2) return DISP_E_BADPARAMCOUNT;
                if (!m_embed) return E_FAIL;
                return m_browser.SetWindow(m_embed, AsNumber(args[0]), AsNumber(args[1])) == NPERR_NO_ERROR
                           ? S_OK
                           : E_FAIL;
            case 6: return pagescript::Wait(args);
            case 7: SetText(result, L"plug-in"); return S_OK;
            case 8: {  // Destroy(): the page removes the element; NPP_Destroy runs inside the page
                       // function, as in a browser that does not defer it, and the record goes.
                bool destroyed = Remove();
                if (result) {
                    result->vt = VT_BOOL;
                    result->boolVal = destroyed ? VARIANT_TRUE : VARIANT_FALSE;
                }
                return S_OK;
            }
            case 9: {  // Click(x, y): a left click the user makes in the viewer at a client point
                if (args.size() < 2) return DISP_E_BADPARAMCOUNT;
                if (!m_embed) return E_FAIL;
                return pagescript::ClickViewer(FindWindowExA(m_embed->window, nullptr, nullptr, nullptr),
                                               AsNumber(args[0]), AsNumber(args[1]))
                           ? S_OK
                           : E_FAIL;
            }
            case 10: {  // EditorOpen(title): whether an image editor window of that title exists
                if (args.empty()) return DISP_E_BADPARAMCOUNT;
                if (result) {
                    result->vt = VT_BOOL;
                    result->boolVal = pagescript::EditorByTitle(args[0]) ? VARIANT_TRUE : VARIANT_FALSE;
                }
                return S_OK;
            }
            case 11: {  // EditorCommand(title, id): sends that editor a menu command
                if (args.size() < 2) return DISP_E_BADPARAMCOUNT;
                HWND editor = pagescript::EditorByTitle(args[0]);
                if (!editor) return E_FAIL;
                SendMessageW(editor, WM_COMMAND, static_cast<WPARAM>(AsNumber(args[1])), 0);
                return S_OK;
            }
            case 12:  // DestroyWhenEditorShows(title, command): Destroy() from a timer once that
                      // editor shows, then the user gives it the menu command
                if (args.empty()) return DISP_E_BADPARAMCOUNT;
                return pagescript::WhenEditorShows(args[0], args.size() > 1 ? args[1] : nullptr, [this] { Remove(); })
                           ? S_OK
                           : E_FAIL;
            case 13:  // FrameEnabled(): whether the browser's frame window takes input
                if (result) {
                    result->vt = VT_BOOL;
                    result->boolVal = IsWindowEnabled(m_browser.Frame()) ? VARIANT_TRUE : VARIANT_FALSE;
                }
                return S_OK;
            case 14:  // DialogCommand(title, id): the user picks a menu command of that dialog
                if (args.size() < 2) return DISP_E_BADPARAMCOUNT;
                return pagescript::DialogCommand(args[0], args[1]) ? S_OK : E_FAIL;
            case 15:  // EditorPlacement(title): "dx,dy" of that editor's centre against its owner's
            case 16:  // EditorAboutPlacement(title): the same of its About box against the editor
                if (args.empty()) return DISP_E_BADPARAMCOUNT;
                return id == 15 ? pagescript::EditorPlacement(args[0], result)
                                : pagescript::EditorAboutPlacement(args[0], result);
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    bool Remove() {
        bool destroyed = m_embed && m_browser.Destroy(m_embed) == NPERR_NO_ERROR;
        m_embed = nullptr;
        return destroyed;
    }
    Browser& m_browser;
    Embed* m_embed;
};

}  // namespace

Attributes PageEventAttributes(const Attributes& extra) {
    Attributes attributes;
    for (const char* event : kPageEvents) {
        bool replaced = false;
        for (const auto& [name, value] : extra) replaced = replaced || lstrcmpiA(name.c_str(), event) == 0;
        if (!replaced) attributes.emplace_back(event, std::string("Lumetta_") + event);
    }
    attributes.insert(attributes.end(), extra.begin(), extra.end());
    return attributes;
}

int RunPluginPage(Browser& browser, Embed* embed, const std::wstring& text) {
    NPObject* element = browser.ScriptObject(embed);
    if (!element) return -1;
    int failures = -1;
    // The script releases its named items when it closes: they outlive it.
    PluginHost host(browser, embed);
    IDispatch* lumetta = NPObjectDispatch::Wrap(element);
    {
        ScriptEngine script(browser.Frame());
        if (script.Start()) {
            script.AddItem(L"Lumetta", lumetta);
            script.AddItem(L"Host", static_cast<IDispatch*>(&host));
            // The page's globals are the window's properties.
            if (IDispatch* global = script.GlobalDispatch()) {
                NPObject* window = DispatchNPObject::Wrap(global);
                browser.SetWindowObject(window);
                ReleaseObject(window);
                global->Release();
            }
            script.Run(text);
            script.CallFunction(L"main", nullptr, 0, nullptr);
            browser.Pump(0);
            pagescript::StopWatchingEditor();
            failures = host.failures + script.ScriptErrors();
            browser.SetWindowObject(nullptr);
        }
    }
    lumetta->Release();
    ReleaseObject(element);
    return failures;
}

}  // namespace browser

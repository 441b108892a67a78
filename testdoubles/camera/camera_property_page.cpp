#include "testdoubles/camera/camera_property_page.h"

#include "testdoubles/camera/camera_filter.h"

const CLSID CLSID_LumettaTestCameraPage = {0x8e3a1c40, 0x5b7d, 0x4c1e, {0x9f, 0x20, 0x6c, 0x75, 0x6d, 0x65, 0x74, 0x10}};

CameraPropertyPage::CameraPropertyPage() { InterlockedIncrement(&g_cameraObjects); }

CameraPropertyPage::~CameraPropertyPage() {
    Deactivate();
    if (m_site) m_site->Release();
    InterlockedDecrement(&g_cameraObjects);
}

STDMETHODIMP CameraPropertyPage::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPropertyPage) {
        *out = static_cast<IPropertyPage*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CameraPropertyPage::Release() {
    LONG refs = InterlockedDecrement(&m_refs);
    if (!refs) delete this;
    return refs;
}

STDMETHODIMP CameraPropertyPage::SetPageSite(IPropertyPageSite* site) {
    if (site) site->AddRef();
    if (m_site) m_site->Release();
    m_site = site;
    return S_OK;
}

STDMETHODIMP CameraPropertyPage::Activate(HWND parent, LPCRECT rect, BOOL) {
    if (!rect) return E_POINTER;
    Deactivate();
    m_window = CreateWindowExW(0, L"STATIC", L"Lumetta Test Camera", WS_CHILD | SS_CENTER, rect->left, rect->top,
                               rect->right - rect->left, rect->bottom - rect->top, parent, nullptr, nullptr, nullptr);
    return m_window ? S_OK : E_FAIL;
}

STDMETHODIMP CameraPropertyPage::Deactivate() {
    if (m_window) DestroyWindow(m_window);
    m_window = nullptr;
    return S_OK;
}

STDMETHODIMP CameraPropertyPage::GetPageInfo(PROPPAGEINFO* info) {
    if (!info) return E_POINTER;
    static const wchar_t kTitle[] = L"Camera";
    auto* title = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof(kTitle)));
    if (!title) return E_OUTOFMEMORY;
    memcpy(title, kTitle, sizeof(kTitle));
    info->cb = sizeof(*info);
    info->pszTitle = title;
    info->size = {240, 120};
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    return S_OK;
}

STDMETHODIMP CameraPropertyPage::SetObjects(ULONG count, IUnknown** objects) {
    return count == 0 || objects ? S_OK : E_POINTER;
}

STDMETHODIMP CameraPropertyPage::Show(UINT command) {
    if (m_window) ShowWindow(m_window, command);
    return S_OK;
}

STDMETHODIMP CameraPropertyPage::Move(LPCRECT rect) {
    if (!rect) return E_POINTER;
    if (m_window) MoveWindow(m_window, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    return S_OK;
}

// The test camera's one property page: a window naming the camera, so that the property frame
// of the webcam side has something to show.
#pragma once

#include "platform/directshow/directshow.h"

// Class id of the page (served and registered by the camera DLL).
extern const CLSID CLSID_LumettaTestCameraPage;

class CameraPropertyPage : public IPropertyPage {
public:
    CameraPropertyPage();
    virtual ~CameraPropertyPage();

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
    STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    STDMETHODIMP Deactivate() override;
    STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
    STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
    STDMETHODIMP Show(UINT command) override;
    STDMETHODIMP Move(LPCRECT rect) override;
    STDMETHODIMP IsPageDirty() override { return S_FALSE; }
    STDMETHODIMP Apply() override { return S_OK; }
    STDMETHODIMP Help(LPCOLESTR) override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }

private:
    LONG m_refs = 1;
    IPropertyPageSite* m_site = nullptr;
    HWND m_window = nullptr;
};

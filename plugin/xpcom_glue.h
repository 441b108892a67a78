// The browser's XPCOM runtime, bound at run time: the plug-in never loads it, it only finds a
// runtime module the browser has already loaded (xpcom.dll, else xul.dll) and the functions it
// exports by name.
#pragma once

#include <string>

#include "xpcom/xpcom_functions.h"

struct XpcomRuntime {
    NS_GetServiceManagerFn getServiceManager = nullptr;
    NS_CStringContainerInitFn containerInit = nullptr;
    NS_CStringContainerFinishFn containerFinish = nullptr;
    NS_CStringGetDataFn getData = nullptr;
    NS_CStringSetDataFn setData = nullptr;
};

// True with every function bound; false when no runtime module is loaded or one lacks a function.
bool BindXpcomRuntime(XpcomRuntime* runtime);

// A narrow string of the runtime for one getter call: initialised empty, read back, finished.
class XpcomString {
public:
    explicit XpcomString(const XpcomRuntime& runtime);
    ~XpcomString();
    XpcomString(const XpcomString&) = delete;
    XpcomString& operator=(const XpcomString&) = delete;

    bool Ready() const { return m_ready; }
    nsACString& Target() { return AsACString(m_container); }
    // The text as the runtime holds it (by its length, not by a terminator).
    std::string Text() const;

private:
    const XpcomRuntime& m_runtime;
    nsCStringContainer m_container = {};
    bool m_ready = false;
};

// Holds one interface reference and releases it on every path.
template <typename T>
class XpcomRef {
public:
    XpcomRef() = default;
    ~XpcomRef() { Reset(); }
    XpcomRef(const XpcomRef&) = delete;
    XpcomRef& operator=(const XpcomRef&) = delete;
    void Reset() {
        if (m_p) m_p->Release();
        m_p = nullptr;
    }
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // The out-argument of a call that hands out a reference.
    T** Out() {
        Reset();
        return &m_p;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }

private:
    T* m_p = nullptr;
};

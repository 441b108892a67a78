// The stand-in runtime's objects: a service manager that knows one contract (the cookie
// manager), the manager's enumerator over the scripted cookies, the cookies, and one element of
// another kind. Every object counts itself so a test can see that the plug-in released it.
#include <windows.h>

#include <string>
#include <vector>

#include "standin_cookie_store.h"
#include "xpcom/xpcom_functions.h"

using xpcom_standin::ScenarioHas;
using xpcom_standin::StoredCookie;

namespace {

LONG g_liveObjects = 0;
LONG g_liveStrings = 0;

// The string container: a magic word and the text it owns.
struct StandInString {
    uint32_t magic;
    std::string* text;
};
constexpr uint32_t kStringMagic = 0x53747221;
static_assert(sizeof(StandInString) <= sizeof(nsCStringContainer), "the container must hold the string");

std::string* TextOf(const nsACString& s) {
    auto* container = reinterpret_cast<const StandInString*>(&s);
    return container->magic == kStringMagic ? container->text : nullptr;
}

nsresult Assign(nsACString& s, const std::string& value) {
    std::string* text = TextOf(s);
    if (!text) return NS_ERROR_FAILURE;
    *text = value;
    return NS_OK;
}

PRBool Bool(bool value) {
    // Some runtimes fill one byte only: the rest may hold anything.
    if (ScenarioHas("wide-bool")) return static_cast<PRBool>(value ? 0x5A5A5A01u : 0x5A5A5A00u);
    return value ? 1 : 0;
}

template <typename Base>
class Counted : public Base {
public:
    Counted() { InterlockedIncrement(&g_liveObjects); }
    virtual ~Counted() { InterlockedDecrement(&g_liveObjects); }
    uint32_t XPCOM_METHOD_CALL AddRef() override { return static_cast<uint32_t>(InterlockedIncrement(&m_refs)); }
    uint32_t XPCOM_METHOD_CALL Release() override {
        LONG left = InterlockedDecrement(&m_refs);
        if (left == 0) delete this;
        return static_cast<uint32_t>(left);
    }

protected:
    nsresult Answer(const nsIID& iid, const nsIID& own, void** result) {
        if (!result) return NS_ERROR_NULL_POINTER;
        *result = nullptr;
        if (!iid.Equals(own) && !iid.Equals(kIID_nsISupports)) return NS_NOINTERFACE;
        *result = static_cast<Base*>(this);
        AddRef();
        return NS_OK;
    }

private:
    LONG m_refs = 1;
};

class Cookie final : public Counted<nsICookie> {
public:
    explicit Cookie(StoredCookie c) : m_c(std::move(c)) {}
    nsresult XPCOM_METHOD_CALL QueryInterface(const nsIID& iid, void** result) override {
        return Answer(iid, kIID_nsICookie, result);
    }
    nsresult XPCOM_METHOD_CALL GetName(nsACString& s) override { return Assign(s, m_c.name); }
    nsresult XPCOM_METHOD_CALL GetValue(nsACString& s) override { return Assign(s, m_c.value); }
    nsresult XPCOM_METHOD_CALL GetIsDomain(PRBool* out) override {
        if (!out) return NS_ERROR_NULL_POINTER;
        *out = Bool(!m_c.host.empty() && m_c.host[0] == '.');
        return NS_OK;
    }
    nsresult XPCOM_METHOD_CALL GetHost(nsACString& s) override { return Assign(s, m_c.host); }
    nsresult XPCOM_METHOD_CALL GetPath(nsACString& s) override { return Assign(s, m_c.path); }
    nsresult XPCOM_METHOD_CALL GetIsSecure(PRBool* out) override {
        if (!out) return NS_ERROR_NULL_POINTER;
        if (ScenarioHas("failing-secure")) return NS_ERROR_FAILURE;
        *out = Bool(m_c.secure);
        return NS_OK;
    }
    nsresult XPCOM_METHOD_CALL GetExpires(uint64_t* out) override {
        if (!out) return NS_ERROR_NULL_POINTER;
        *out = 0;
        return NS_OK;
    }
    nsresult XPCOM_METHOD_CALL GetStatus(int32_t* out) override {
        if (!out) return NS_ERROR_NULL_POINTER;
        *out = 0;
        return NS_OK;
    }
    nsresult XPCOM_METHOD_CALL GetPolicy(int32_t* out) override { return GetStatus(out); }

private:
    StoredCookie m_c;
};

// An element that is no cookie.
class Foreign final : public Counted<nsISupports> {
public:
    nsresult XPCOM_METHOD_CALL QueryInterface(const nsIID& iid, void** result) override {
        return Answer(iid, kIID_nsISupports, result);
    }
};

class Enumerator final : public Counted<nsISimpleEnumerator> {
public:
    Enumerator() : m_cookies(xpcom_standin::ScriptedCookies()), m_foreign(ScenarioHas("foreign-element")) {}
    nsresult XPCOM_METHOD_CALL QueryInterface(const nsIID& iid, void** result) override {
        return Answer(iid, kIID_nsISimpleEnumerator, result);
    }
    nsresult XPCOM_METHOD_CALL HasMoreElements(PRBool* out) override {
        if (!out) return NS_ERROR_NULL_POINTER;
        *out = Bool(m_foreign || m_next < m_cookies.size());
        return NS_OK;
    }
    nsresult XPCOM_METHOD_CALL GetNext(nsISupports** out) override {
        if (!out) return NS_ERROR_NULL_POINTER;
        *out = nullptr;
        if (m_foreign) {
            m_foreign = false;
            *out = new Foreign();
            return NS_OK;
        }
        if (m_next >= m_cookies.size()) return NS_ERROR_FAILURE;
        *out = new Cookie(m_cookies[m_next++]);
        return NS_OK;
    }

private:
    std::vector<StoredCookie> m_cookies;
    size_t m_next = 0;
    bool m_foreign;
};

class CookieManager final : public Counted<nsICookieManager> {
public:
    nsresult XPCOM_METHOD_CALL QueryInterface(const nsIID& iid, void** result) override {
        return Answer(iid, kIID_nsICookieManager, result);
    }
    nsresult XPCOM_METHOD_CALL RemoveAll() override { return NS_ERROR_NOT_IMPLEMENTED; }
    nsresult XPCOM_METHOD_CALL GetEnumerator(nsISimpleEnumerator** out) override {
        if (!out) return NS_ERROR_NULL_POINTER;
        *out = nullptr;
        if (ScenarioHas("no-enumerator")) return NS_ERROR_FAILURE;
        *out = new Enumerator();
        return NS_OK;
    }
    nsresult XPCOM_METHOD_CALL Remove(const nsACString&, const nsACString&, const nsACString&, PRBool) override {
        return NS_ERROR_NOT_IMPLEMENTED;
    }
};

class ServiceManager final : public Counted<nsIServiceManager> {
public:
    nsresult XPCOM_METHOD_CALL QueryInterface(const nsIID& iid, void** result) override {
        return Answer(iid, kIID_nsIServiceManager, result);
    }
    nsresult XPCOM_METHOD_CALL GetService(const nsCID&, const nsIID&, void** result) override {
        if (result) *result = nullptr;
        return NS_ERROR_NOT_IMPLEMENTED;
    }
    nsresult XPCOM_METHOD_CALL GetServiceByContractID(const char* contractId, const nsIID& iid,
                                                      void** result) override {
        if (!result || !contractId) return NS_ERROR_NULL_POINTER;
        *result = nullptr;
        if (ScenarioHas("no-cookie-manager") || std::string(contractId) != kCookieManagerContractId)
            return NS_ERROR_FAILURE;
        auto* manager = new CookieManager();
        nsresult status = manager->QueryInterface(iid, result);
        manager->Release();
        return status;
    }
    nsresult XPCOM_METHOD_CALL IsServiceInstantiated(const nsCID&, const nsIID&, PRBool* result) override {
        if (result) *result = 0;
        return NS_ERROR_NOT_IMPLEMENTED;
    }
    nsresult XPCOM_METHOD_CALL IsServiceInstantiatedByContractID(const char*, const nsIID&, PRBool* result) override {
        if (result) *result = 0;
        return NS_ERROR_NOT_IMPLEMENTED;
    }
};

}  // namespace

extern "C" {

__declspec(dllexport) nsresult XPCOM_EXPORT_CALL NS_GetServiceManager(nsIServiceManager** result) {
    if (!result) return NS_ERROR_NULL_POINTER;
    *result = nullptr;
    if (ScenarioHas("no-service-manager")) return NS_ERROR_FAILURE;
    *result = new ServiceManager();
    return NS_OK;
}

__declspec(dllexport) nsresult XPCOM_EXPORT_CALL NS_CStringContainerInit(nsCStringContainer& container) {
    auto* s = reinterpret_cast<StandInString*>(&container);
    s->magic = kStringMagic;
    s->text = new std::string();
    InterlockedIncrement(&g_liveStrings);
    return NS_OK;
}

__declspec(dllexport) void XPCOM_EXPORT_CALL NS_CStringContainerFinish(nsCStringContainer& container) {
    auto* s = reinterpret_cast<StandInString*>(&container);
    if (s->magic != kStringMagic) return;
    delete s->text;
    s->text = nullptr;
    s->magic = 0;
    InterlockedDecrement(&g_liveStrings);
}

__declspec(dllexport) uint32_t XPCOM_EXPORT_CALL NS_CStringGetData(const nsACString& text, const char** data,
                                                                   PRBool* terminated) {
    std::string* s = TextOf(text);
    if (terminated) *terminated = Bool(s != nullptr);
    if (data) *data = s ? s->c_str() : nullptr;
    return s ? static_cast<uint32_t>(s->size()) : 0;
}

__declspec(dllexport) nsresult XPCOM_EXPORT_CALL NS_CStringSetData(nsACString& text, const char* data,
                                                                   uint32_t length) {
    std::string* s = TextOf(text);
    if (!s) return NS_ERROR_FAILURE;
    if (!data) s->clear();
    else if (length == kXpcomStringUntilNul) s->assign(data);
    else s->assign(data, length);
    return NS_OK;
}

// How many of the runtime's objects and strings are alive (for the tests).
__declspec(dllexport) LONG XPCOM_EXPORT_CALL StandInLiveObjects() { return g_liveObjects; }
__declspec(dllexport) LONG XPCOM_EXPORT_CALL StandInLiveStrings() { return g_liveStrings; }

}  // extern "C"

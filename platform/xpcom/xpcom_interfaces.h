// The browser interfaces the plug-in calls or offers, with the identifiers the browser's runtime
// publishes: nsISupports, nsIClassInfo, the service manager, the cookie manager, its enumerator
// and nsICookie. Each is an abstract class of __stdcall methods in the runtime's method order.
#pragma once

#include "xpcom/xpcom_base.h"

// Strings cross the interfaces as an abstract string object the runtime owns.
class nsACString;

constexpr nsIID kIID_nsISupports = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr nsIID kIID_nsIClassInfo = {0x986c11d0, 0xf340, 0x11d4, {0x90, 0x75, 0x00, 0x10, 0xa4, 0xe7, 0x3d, 0x9a}};
constexpr nsIID kIID_nsIServiceManager = {0x8bb35ed9, 0xe332, 0x462d, {0x91, 0x55, 0x4a, 0x00, 0x2a, 0xb5, 0xc9, 0x58}};
constexpr nsIID kIID_nsICookieManager = {0xaaab6710, 0x0f2c, 0x11d5, {0xa5, 0x3b, 0x00, 0x10, 0xa4, 0x01, 0xeb, 0x10}};
constexpr nsIID kIID_nsISimpleEnumerator = {0xd1899240, 0xf9d2, 0x11d2, {0xbd, 0xd6, 0x00, 0x00, 0x64, 0x65, 0x73, 0x74}};
constexpr nsIID kIID_nsICookie = {0xe9fcb9a4, 0xd376, 0x458f, {0xb7, 0x20, 0xe6, 0x5e, 0x7d, 0xf5, 0x93, 0xbc}};

// The cookie manager's contract identifier.
constexpr char kCookieManagerContractId[] = "@mozilla.org/cookiemanager;1";

class nsISupports {
public:
    virtual nsresult XPCOM_METHOD_CALL QueryInterface(const nsIID& iid, void** result) = 0;
    virtual uint32_t XPCOM_METHOD_CALL AddRef() = 0;
    virtual uint32_t XPCOM_METHOD_CALL Release() = 0;
};

class nsIClassInfo : public nsISupports {
public:
    virtual nsresult XPCOM_METHOD_CALL GetInterfaces(uint32_t* count, nsIID*** array) = 0;
    virtual nsresult XPCOM_METHOD_CALL GetHelperForLanguage(uint32_t language, nsISupports** helper) = 0;
    virtual nsresult XPCOM_METHOD_CALL GetContractID(char** contractId) = 0;
    virtual nsresult XPCOM_METHOD_CALL GetClassDescription(char** description) = 0;
    virtual nsresult XPCOM_METHOD_CALL GetClassID(nsCID** classId) = 0;
    virtual nsresult XPCOM_METHOD_CALL GetImplementationLanguage(uint32_t* language) = 0;
    virtual nsresult XPCOM_METHOD_CALL GetFlags(uint32_t* flags) = 0;
    virtual nsresult XPCOM_METHOD_CALL GetClassIDNoAlloc(nsCID* classId) = 0;
};

class nsIServiceManager : public nsISupports {
public:
    virtual nsresult XPCOM_METHOD_CALL GetService(const nsCID& classId, const nsIID& iid, void** result) = 0;
    virtual nsresult XPCOM_METHOD_CALL GetServiceByContractID(const char* contractId, const nsIID& iid,
                                                              void** result) = 0;
    virtual nsresult XPCOM_METHOD_CALL IsServiceInstantiated(const nsCID& classId, const nsIID& iid,
                                                             PRBool* result) = 0;
    virtual nsresult XPCOM_METHOD_CALL IsServiceInstantiatedByContractID(const char* contractId, const nsIID& iid,
                                                                         PRBool* result) = 0;
};

class nsISimpleEnumerator : public nsISupports {
public:
    virtual nsresult XPCOM_METHOD_CALL HasMoreElements(PRBool* result) = 0;
    virtual nsresult XPCOM_METHOD_CALL GetNext(nsISupports** result) = 0;
};

class nsICookieManager : public nsISupports {
public:
    virtual nsresult XPCOM_METHOD_CALL RemoveAll() = 0;
    virtual nsresult XPCOM_METHOD_CALL GetEnumerator(nsISimpleEnumerator** result) = 0;
    virtual nsresult XPCOM_METHOD_CALL Remove(const nsACString& host, const nsACString& name, const nsACString& path,
                                              PRBool blocked) = 0;
};

class nsICookie : public nsISupports {
public:
    virtual nsresult XPCOM_METHOD_CALL GetName(nsACString& name) = 0;
    virtual nsresult XPCOM_METHOD_CALL GetValue(nsACString& value) = 0;
    virtual nsresult XPCOM_METHOD_CALL GetIsDomain(PRBool* isDomain) = 0;
    virtual nsresult XPCOM_METHOD_CALL GetHost(nsACString& host) = 0;
    virtual nsresult XPCOM_METHOD_CALL GetPath(nsACString& path) = 0;
    virtual nsresult XPCOM_METHOD_CALL GetIsSecure(PRBool* isSecure) = 0;
    virtual nsresult XPCOM_METHOD_CALL GetExpires(uint64_t* expires) = 0;
    virtual nsresult XPCOM_METHOD_CALL GetStatus(int32_t* status) = 0;
    virtual nsresult XPCOM_METHOD_CALL GetPolicy(int32_t* policy) = 0;
};

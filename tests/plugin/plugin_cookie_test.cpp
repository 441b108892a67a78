// The plug-in's request cookies from the browser's store: the stand-in xpcom.dll serves cookies
// of several hosts, paths and secure flags; the header must carry exactly those that RFC 6265
// sends to the request's host and path, release every object and string of the runtime, and
// fall back to the page's own cookie text only when no runtime is loaded.
#include <windows.h>

#include <string>

#include "plugin/browser_functions.h"
#include "plugin/plugin_instance.h"
#include "plugin_test_browser.h"
#include "support/test_dib.h"
#include "upload_test_support.h"
#include "xpcom/xpcom_base.h"

namespace {

// Hosts, paths and flags of the browser's store, in its enumeration order.
const char kStore[] =
    "127.0.0.1,/,0,a,1|"
    "127.0.0.1,/empty,0,b,2|"
    "127.0.0.1,/upload,0,u,3|"
    "127.0.0.1,/uploads,0,p,prefix|"
    "127.0.0.1,/,1,s,secret|"
    ".0.0.1,/,0,ipdomain,no|"
    "27.0.0.1,/,0,tail,no|"
    "127.0.0.10,/,0,ten,no|"
    "localhost,/,0,l,other-host|"
    "example.org,/,0,e,x|"
    ".example.org,/,0,d,y|"
    "aab,/,0,aab,z";

class BrowserCookies : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        ASSERT_EQ(CopyBrowserFunctions(&browser_->Functions()), NPERR_NO_ERROR);
        instance = PluginInstance::Create(&record, NP_EMBED, 0, nullptr, nullptr);
        ASSERT_NE(instance, nullptr);
        SetEnvironmentVariableA("LUMETTA_XPCOM_COOKIES", kStore);
        SetEnvironmentVariableA("LUMETTA_XPCOM_SCENARIO", nullptr);
    }
    void TearDown() override {
        delete instance;
        for (HMODULE module : {runtime, xul}) {
            if (!module) continue;
            ExpectAllReleased(module);
            FreeLibrary(module);
        }
        EXPECT_EQ(GetModuleHandleA("xpcom.dll"), nullptr);
        EXPECT_EQ(GetModuleHandleA("xul.dll"), nullptr);
        SetEnvironmentVariableA("LUMETTA_XPCOM_COOKIES", nullptr);
        SetEnvironmentVariableA("LUMETTA_XUL_COOKIES", nullptr);
        SetEnvironmentVariableA("LUMETTA_XPCOM_COOKIE_FILE", nullptr);
        SetEnvironmentVariableA("LUMETTA_XPCOM_SCENARIO", nullptr);
        ForgetBrowserFunctions();
        PluginTest::TearDown();
    }
    void LoadRuntime() {
        runtime = LoadLibraryA(LUMETTA_XPCOM_STANDIN);
        ASSERT_NE(runtime, nullptr);
    }
    void LoadXul() {
        xul = LoadLibraryA(LUMETTA_XUL_STANDIN);
        ASSERT_NE(xul, nullptr);
    }
    void ExpectAllReleased(HMODULE module) {
        using Count = LONG(XPCOM_EXPORT_CALL*)();
        auto objects = reinterpret_cast<Count>(reinterpret_cast<void*>(GetProcAddress(module, "StandInLiveObjects")));
        auto strings = reinterpret_cast<Count>(reinterpret_cast<void*>(GetProcAddress(module, "StandInLiveStrings")));
        ASSERT_TRUE(objects && strings);
        EXPECT_EQ(objects(), 0);
        EXPECT_EQ(strings(), 0);
    }
    // The header the instance gives for a URL, "(none)" for none.
    std::string Header(const char* url) {
        HGLOBAL block = instance->GetCookieHeader(url, nullptr, CookieScope::PageHost);
        if (!block) return "(none)";
        std::string text(static_cast<const char*>(block));
        EXPECT_EQ(GlobalSize(block), text.size() + 1);
        GlobalFree(block);
        for (HMODULE module : {runtime, xul})
            if (module) ExpectAllReleased(module);
        return text;
    }

    NPP_t record{};
    PluginInstance* instance = nullptr;
    HMODULE runtime = nullptr;  // the stand-in xpcom.dll
    HMODULE xul = nullptr;      // the stand-in xul.dll
};

TEST_F(BrowserCookies, WithoutARuntimeThePagesOwnTextIsSent) {
    ASSERT_EQ(GetModuleHandleA("xpcom.dll"), nullptr);
    EXPECT_EQ(Header("http://127.0.0.1/upload"), "(none)");
    EXPECT_TRUE(instance->SetCookie("page=1"));
    EXPECT_EQ(Header("http://127.0.0.1/upload"), "Cookie: page=1");
}

TEST_F(BrowserCookies, OnlyTheRequestsHostAndPathAreServed) {
    LoadRuntime();
    instance->SetCookie("page=1");  // the browser's store wins over the page's text
    EXPECT_EQ(Header("http://127.0.0.1/upload/form.asp?back=http://localhost/&h=example.org"),
              "Cookie: a=1; u=3");
    EXPECT_EQ(Header("http://127.0.0.1/uploads"), "Cookie: a=1; p=prefix");
    EXPECT_EQ(Header("http://127.0.0.1"), "Cookie: a=1");
    EXPECT_EQ(Header("http://LOCALHOST:8080/"), "Cookie: l=other-host");
    EXPECT_EQ(Header("http://example.org/"), "Cookie: e=x; d=y");
    EXPECT_EQ(Header("http://www.example.org/a"), "Cookie: d=y");
    EXPECT_EQ(Header("http://badexample.org/"), "(none)");
    EXPECT_EQ(Header("http://aaab/"), "(none)");
    EXPECT_EQ(Header("http://aab/"), "Cookie: aab=z");
    EXPECT_EQ(Header("http://nobody.test/?127.0.0.1"), "(none)");
    EXPECT_EQ(Header("not a url"), "(none)");
    EXPECT_EQ(Header(nullptr), "(none)");
}

TEST_F(BrowserCookies, SecureCookiesGoOnlyOverHttps) {
    LoadRuntime();
    EXPECT_EQ(Header("https://127.0.0.1/upload"), "Cookie: a=1; u=3; s=secret");
    EXPECT_EQ(Header("http://127.0.0.1/upload"), "Cookie: a=1; u=3");
    // A flag that cannot be read counts as secure.
    SetEnvironmentVariableA("LUMETTA_XPCOM_SCENARIO", "failing-secure");
    EXPECT_EQ(Header("http://127.0.0.1/upload"), "(none)");
    EXPECT_EQ(Header("https://127.0.0.1/upload"), "Cookie: a=1; u=3; s=secret");
}

TEST_F(BrowserCookies, BooleansAreReadFromTheirLowByte) {
    LoadRuntime();
    SetEnvironmentVariableA("LUMETTA_XPCOM_SCENARIO", "wide-bool");
    EXPECT_EQ(Header("http://127.0.0.1/upload"), "Cookie: a=1; u=3");
    EXPECT_EQ(Header("https://127.0.0.1/"), "Cookie: a=1; s=secret");
}

TEST_F(BrowserCookies, ElementsThatAreNoCookiesAreSkipped) {
    LoadRuntime();
    SetEnvironmentVariableA("LUMETTA_XPCOM_SCENARIO", "foreign-element");
    EXPECT_EQ(Header("http://localhost/"), "Cookie: l=other-host");
}

TEST_F(BrowserCookies, AMissingServiceOrEnumeratorSendsNothing) {
    LoadRuntime();
    instance->SetCookie("page=1");
    SetEnvironmentVariableA("LUMETTA_XPCOM_SCENARIO", "no-cookie-manager");
    EXPECT_EQ(Header("http://127.0.0.1/"), "(none)");
    SetEnvironmentVariableA("LUMETTA_XPCOM_SCENARIO", "no-enumerator");
    EXPECT_EQ(Header("http://127.0.0.1/"), "(none)");
    SetEnvironmentVariableA("LUMETTA_XPCOM_COOKIES", nullptr);
    SetEnvironmentVariableA("LUMETTA_XPCOM_SCENARIO", nullptr);
    EXPECT_EQ(Header("http://127.0.0.1/"), "(none)");
    // Without a service manager the page's own text is the fallback.
    SetEnvironmentVariableA("LUMETTA_XPCOM_SCENARIO", "no-service-manager");
    EXPECT_EQ(Header("http://127.0.0.1/"), "Cookie: page=1");
}

TEST_F(BrowserCookies, TheHeaderStopsBeforeTheWorkAreaIsFull) {
    LoadRuntime();
    // Two cookies of 700,000 characters: the second would pass the 1,228,800-byte work area.
    std::string big(700000, 'v');
    std::string store = "127.0.0.1,/,0,first," + big + "|127.0.0.1,/,0,second," + big + "|127.0.0.1,/,0,x,1";
    SetEnvironmentVariableA("LUMETTA_XPCOM_COOKIE_FILE", WriteTempFile(store).c_str());
    EXPECT_EQ(Header("http://127.0.0.1/"), "Cookie: first=" + big);
    SetEnvironmentVariableA("LUMETTA_XPCOM_COOKIE_FILE", nullptr);
}

// An upload from the plug-in carries the store's cookies of the upload server's host and path,
// and no other host's.
TEST_F(BrowserCookies, AnUploadCarriesExactlyTheServersCookies) {
    LoadRuntime();
    LoopbackServers servers = ReadLoopbackServers();
    ASSERT_NE(servers.http, 0) << "the loopback servers are not running";
    COstrelBase::ForgetLastSuccessfulServer();
    instance->SetHTTPPort(servers.http);
    instance->OnBitmapAcquired(MakeTestDib(16, 8, 24));
    ASSERT_EQ(instance->GetImageCount(), 1);
    size_t before = RecordedRequestCount();
    SHORT list[1] = {0};
    ASSERT_TRUE(instance->HTTPUploadThroughPostEx("127.0.0.1", "/empty/cookies", "scan.bmp", {list, 1}, "RemoteFile", 0))
        << instance->GetErrorCode();
    std::vector<RecordedRequest> requests = RecordedRequestsAfter(before, "/empty/cookies");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Header("Cookie"), "a=1; b=2");
    ExpectAllReleased(runtime);
}

// A redirect to another server: the browser's cookies for that server go there, and none of the
// first one's.
TEST_F(BrowserCookies, ARedirectedUploadCarriesTheNewServersCookies) {
    SetEnvironmentVariableA("LUMETTA_XPCOM_COOKIES", "127.0.0.1,/,0,first,one|127.0.0.2,/,0,second,two");
    LoadRuntime();
    LoopbackServers servers = ReadLoopbackServers();
    ASSERT_NE(servers.other, 0) << "the loopback servers have no second host";
    COstrelBase::ForgetLastSuccessfulServer();
    instance->SetHTTPPort(servers.http);
    instance->SetIfShowCancelDialogWhenImageTransfer(0);
    instance->SetCookie("page=1");
    instance->OnBitmapAcquired(MakeTestDib(16, 8, 24));
    for (const char* code : {"307", "303"}) {
        SCOPED_TRACE(code);
        const std::string tail = std::string("/empty/browser-redirect-") + code;
        const std::string first = std::string("/redirect/") + code + tail;
        const size_t before = RecordedRequestCount();
        SHORT list[1] = {0};
        ASSERT_TRUE(instance->HTTPUploadThroughPostEx("127.0.0.1", first.c_str(), "scan.bmp", {list, 1}, "RemoteFile", 0))
            << instance->GetErrorCode();
        std::vector<RecordedRequest> asked = RecordedRequestsAfter(before, first);
        std::vector<RecordedRequest> followed = RecordedRequestsAfter(before, tail);
        ASSERT_EQ(asked.size(), 1u);
        ASSERT_EQ(followed.size(), 1u);
        EXPECT_EQ(asked[0].Header("Cookie"), "first=one");
        EXPECT_EQ(followed[0].Header("Host"), "127.0.0.2:" + std::to_string(servers.other));
        EXPECT_EQ(followed[0].Header("Cookie"), "second=two");
    }
    // Without a cookie service the page's own text goes to the page's server only.
    SetEnvironmentVariableA("LUMETTA_XPCOM_SCENARIO", "no-service-manager");
    const size_t before = RecordedRequestCount();
    SHORT list[1] = {0};
    ASSERT_TRUE(instance->HTTPUploadThroughPostEx("127.0.0.1", "/redirect/307/empty/page-text", "scan.bmp", {list, 1},
                                                  "RemoteFile", 0))
        << instance->GetErrorCode();
    std::vector<RecordedRequest> asked = RecordedRequestsAfter(before, "/redirect/307/empty/page-text");
    std::vector<RecordedRequest> followed = RecordedRequestsAfter(before, "/empty/page-text");
    ASSERT_EQ(asked.size(), 1u);
    ASSERT_EQ(followed.size(), 1u);
    EXPECT_EQ(asked[0].Header("Cookie"), "page=1");
    bool found = true;
    followed[0].Header("Cookie", &found);
    EXPECT_FALSE(found) << followed[0].Header("Cookie");
    ExpectAllReleased(runtime);
}

// Later browsers carry their runtime as xul.dll: the plug-in finds it there when no xpcom.dll is
// loaded, and asks xpcom.dll when both are.
TEST_F(BrowserCookies, TheRuntimeIsFoundInXulWhenNoXpcomIsLoaded) {
    SetEnvironmentVariableA("LUMETTA_XUL_COOKIES", "127.0.0.1,/,0,x,from-xul|localhost,/,0,y,other-host");
    LoadXul();
    ASSERT_EQ(GetModuleHandleA("xpcom.dll"), nullptr);
    instance->SetCookie("page=1");
    EXPECT_EQ(Header("http://127.0.0.1/upload"), "Cookie: x=from-xul");
    LoadRuntime();
    EXPECT_EQ(Header("http://127.0.0.1/upload"), "Cookie: a=1; u=3");
    // Without a service manager in the runtime that is found, the page's own text goes.
    SetEnvironmentVariableA("LUMETTA_XPCOM_SCENARIO", "no-service-manager");
    EXPECT_EQ(Header("http://127.0.0.1/upload"), "Cookie: page=1");
}

}  // namespace

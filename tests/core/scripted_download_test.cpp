// Downloads and FTP uploads against a scripted WinInet: what the loopback servers and Wine cannot
// show (one operation per FTP session, files of 4 GB, a client-certificate request, which Wine
// answers with 12157 instead of 12044, and the credentials dialog of slot 15).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/test_dib.h"
#include "upload_test_support.h"

namespace {

struct Script {
    std::vector<DWORD> sendErrors;  // successive HttpSendRequestA results: 0 succeeds
    std::vector<DWORD> statuses;    // the status of each successive send (the last one repeats)
    std::string body = std::string("BM", 2);
    std::vector<std::string> locations;  // successive Location answers of redirects
    DWORD declaredLength = 0;       // 0: the body's size
    DWORD fileSizeHigh = 0;
    bool failWrites = false;

    std::vector<std::string> calls;
    int openFinds = 0, sends = 0, statusQueries = 0, certificateSets = 0, locationQueries = 0;
    DWORD securityFlags = 0;
    size_t bodyRead = 0;
};

Script* g_script = nullptr;

HINTERNET Handle(int n) { return reinterpret_cast<HINTERNET>(static_cast<INT_PTR>(n)); }
constexpr int kFindHandle = 4, kFileHandle = 5;

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

HINTERNET WINAPI Open(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD) { return Handle(1); }
HINTERNET WINAPI Connect(HINTERNET, LPCSTR host, INTERNET_PORT port, LPCSTR user, LPCSTR password, DWORD service,
                         DWORD flags, DWORD_PTR) {
    std::string call = "connect " + std::to_string(service) + " " + std::to_string(flags);
    // An HTTP connection also names where it goes and with which credentials.
    if (service == INTERNET_SERVICE_HTTP)
        call += " to " + std::string(host) + ":" + std::to_string(port) + " as " +
                (user ? std::string(user) + "/" + (password ? password : "") : "nobody");
    g_script->calls.push_back(call);
    return Handle(2);
}
HINTERNET WINAPI OpenRequest(HINTERNET, LPCSTR verb, LPCSTR, LPCSTR, LPCSTR, LPCSTR*, DWORD flags, DWORD_PTR) {
    g_script->calls.push_back(std::string(verb) + " " + std::to_string(flags));
    return Handle(3);
}
BOOL WINAPI Close(HINTERNET handle) {
    if (handle == Handle(kFindHandle)) --g_script->openFinds;
    g_script->calls.push_back("close " + std::to_string(reinterpret_cast<INT_PTR>(handle)));
    return TRUE;
}
BOOL WINAPI QueryOption(HINTERNET, DWORD, LPVOID buffer, LPDWORD) {
    *static_cast<DWORD*>(buffer) = g_script->securityFlags;
    return TRUE;
}
BOOL WINAPI SetOption(HINTERNET, DWORD option, LPVOID buffer, DWORD) {
    if (option == INTERNET_OPTION_SECURITY_FLAGS) g_script->securityFlags = *static_cast<DWORD*>(buffer);
    if (option == INTERNET_OPTION_CLIENT_CERT_CONTEXT) ++g_script->certificateSets;
    return TRUE;
}
BOOL WINAPI Send(HINTERNET, LPCSTR, DWORD, LPVOID, DWORD) {
    auto& s = *g_script;
    DWORD error = s.sendErrors.empty() ? 0 : s.sendErrors[std::min<size_t>(s.sends, s.sendErrors.size() - 1)];
    ++s.sends;
    return error ? Fail(error) : TRUE;
}
BOOL WINAPI QueryInfo(HINTERNET, DWORD what, LPVOID buffer, LPDWORD, LPDWORD) {
    auto& s = *g_script;
    if (what == HTTP_QUERY_LOCATION) {
        if (s.locations.empty()) return Fail(ERROR_HTTP_HEADER_NOT_FOUND);
        const std::string& location = s.locations[std::min<size_t>(s.locationQueries++, s.locations.size() - 1)];
        strcpy(static_cast<char*>(buffer), location.c_str());
        return TRUE;
    }
    if (what == (HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER)) {
        *static_cast<DWORD*>(buffer) = s.declaredLength ? s.declaredLength : static_cast<DWORD>(s.body.size());
        return TRUE;
    }
    // The status of the request last sent.
    const size_t sent = s.sends > 0 ? static_cast<size_t>(s.sends - 1) : 0;
    DWORD status = s.statuses.empty() ? 200 : s.statuses[std::min<size_t>(sent, s.statuses.size() - 1)];
    ++s.statusQueries;
    *static_cast<DWORD*>(buffer) = status;
    return TRUE;
}
BOOL WINAPI Read(HINTERNET, LPVOID buffer, DWORD size, LPDWORD read) {
    auto& s = *g_script;
    size_t left = s.body.size() - s.bodyRead;
    *read = static_cast<DWORD>(left < size ? left : size);
    memcpy(buffer, s.body.data() + s.bodyRead, *read);
    s.bodyRead += *read;
    return TRUE;
}
BOOL WINAPI Write(HINTERNET, LPCVOID, DWORD bytes, LPDWORD written) {
    *written = 0;
    if (g_script->failWrites) return Fail(ERROR_INTERNET_CONNECTION_RESET);
    *written = bytes;
    return TRUE;
}
HINTERNET WINAPI FindFirst(HINTERNET, LPCSTR name, LPWIN32_FIND_DATAA found, DWORD, DWORD_PTR) {
    auto& s = *g_script;
    s.calls.push_back(std::string("find ") + name);
    memset(found, 0, sizeof(*found));
    found->nFileSizeLow = static_cast<DWORD>(s.body.size());
    found->nFileSizeHigh = s.fileSizeHigh;
    ++s.openFinds;
    return Handle(kFindHandle);
}
HINTERNET WINAPI OpenFile(HINTERNET, LPCSTR name, DWORD access, DWORD type, DWORD_PTR) {
    auto& s = *g_script;
    s.calls.push_back(std::string("open ") + name + " " + std::to_string(access) + " " + std::to_string(type));
    // One operation at a time per FTP session, as Windows has it.
    if (s.openFinds > 0) {
        SetLastError(ERROR_FTP_TRANSFER_IN_PROGRESS);
        return nullptr;
    }
    return Handle(kFileHandle);
}
BOOL WINAPI DeleteRemote(HINTERNET, LPCSTR name) {
    g_script->calls.push_back(std::string("delete ") + name);
    return TRUE;
}

class ScriptedWinInet : public WinInetSource {
public:
    bool Load(WinInetApi* api) override {
        *api = WinInetApi{};
        api->InternetOpen = Open;
        api->InternetConnect = Connect;
        api->HttpOpenRequest = OpenRequest;
        api->InternetReadFile = Read;
        api->InternetWriteFile = Write;
        api->InternetCloseHandle = Close;
        api->InternetQueryOption = QueryOption;
        api->InternetSetOption = SetOption;
        api->HttpSendRequest = Send;
        api->HttpQueryInfo = QueryInfo;
        api->FtpFindFirstFile = FindFirst;
        api->FtpOpenFile = OpenFile;
        api->FtpDeleteFile = DeleteRemote;
        return true;
    }
    void Unload(WinInetApi* api) override { *api = WinInetApi{}; }
};

class ScriptedDownload : public ::testing::Test {
protected:
    void SetUp() override {
        g_script = &script;
        COstrelBase::ForgetLastSuccessfulServer();
        engine.SetWinInetSource(&wininet);
        engine.SetIfShowCancelDialogWhenImageTransfer(0);
        // A whole BMP file of a small image, as a server would send it.
        engine.OnBitmapAcquired(MakeTestDib(5, 3, 24));
        SHORT list[1] = {0};
        LONG size = 0;
        HGLOBAL file = engine.GetSelectedImagesData(list, 1, 0, &size);
        script.body.assign(static_cast<const char*>(file), size);
        GlobalFree(file);
    }
    void TearDown() override { g_script = nullptr; }

    Script script;
    ScriptedWinInet wininet;
    EventRecorderWindow host;
    UploadEngine engine{host};
};

TEST_F(ScriptedDownload, FtpClosesTheListingBeforeOpeningTheFile) {
    ASSERT_TRUE(engine.FTPDownloadEx("server", "scan.bmp", 0)) << engine.GetErrorCode();
    EXPECT_EQ(engine.GetImageCount(), 2);
    std::vector<std::string> expected = {"connect 1 134217728", "find scan.bmp", "close 4",
                                         "open scan.bmp 2147483648 2", "close 5", "close 2", "close 1"};
    EXPECT_EQ(script.calls, expected);
    // Active mode connects without the passive flag.
    script.calls.clear();
    script.bodyRead = 0;
    engine.SetIfPASVMode(0);
    EXPECT_TRUE(engine.FTPDownloadEx("server", "scan.bmp", 0));
    EXPECT_EQ(script.calls[0], "connect 1 0");
}

TEST_F(ScriptedDownload, FtpFilesOf4GBAreRefused) {
    script.fileSizeHigh = 1;
    EXPECT_FALSE(engine.FTPDownloadEx("server", "huge.bmp", 0));
    EXPECT_EQ(engine.GetErrorCode(), -2004);
    for (const auto& call : script.calls) EXPECT_EQ(call.find("open "), std::string::npos) << call;
}

TEST_F(ScriptedDownload, FailedFtpUploadDeletesTheRemoteFileAfterClosingIt) {
    SHORT list[1] = {0};
    ASSERT_TRUE(engine.FTPUploadEx("server", "up.bmp", {list, 1}, 0));
    for (const auto& call : script.calls) EXPECT_EQ(call.find("delete"), std::string::npos);
    script.calls.clear();
    script.failWrites = true;
    EXPECT_FALSE(engine.FTPUploadEx("server", "up.bmp", {list, 1}, 0));
    EXPECT_EQ(engine.GetErrorCode(), -3000 - ERROR_INTERNET_CONNECTION_RESET);
    std::vector<std::string> expected = {"connect 1 134217728", "open up.bmp 1073741824 2", "close 5",
                                         "delete up.bmp", "close 2", "close 1"};
    EXPECT_EQ(script.calls, expected);
}

TEST_F(ScriptedDownload, HttpGetFlagsAndTheCertificateRetries) {
    // The engine follows redirects itself: WinInet's own following is off.
    ASSERT_TRUE(engine.HTTPDownloadEx("server", "/a.bmp", 0));
    EXPECT_EQ(script.calls[1], "GET " + std::to_string(0x0040F000 | INTERNET_FLAG_NO_AUTO_REDIRECT));
    engine.SetIfSSL(1);
    script.calls.clear();
    script.bodyRead = 0;
    ASSERT_TRUE(engine.HTTPDownloadEx("server", "/a.bmp", 0));
    EXPECT_EQ(script.calls[1], "GET " + std::to_string(0x00C0F000 | INTERNET_FLAG_NO_AUTO_REDIRECT));

    // A server asking for a client certificate gets the bound one, once.
    HCERTSTORE memory = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    std::string der = ReadWholeFile(LoopbackPath("certs\\client1.der"));
    PCCERT_CONTEXT certificate = nullptr;
    ASSERT_TRUE(CertAddEncodedCertificateToStore(memory, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                 static_cast<DWORD>(der.size()), CERT_STORE_ADD_ALWAYS, &certificate));
    engine.SetClientCertificate(certificate);
    CertCloseStore(memory, 0);
    script.sends = 0;
    script.bodyRead = 0;
    script.sendErrors = {ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED, 0};
    EXPECT_TRUE(engine.HTTPDownloadEx("server", "/a.bmp", 0)) << engine.GetErrorCode();
    EXPECT_EQ(script.sends, 2);
    EXPECT_EQ(script.certificateSets, 1);
    script.sends = 0;
    script.bodyRead = 0;
    script.certificateSets = 0;
    script.sendErrors = {ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED};
    EXPECT_FALSE(engine.HTTPDownloadEx("server", "/a.bmp", 0));
    EXPECT_EQ(engine.GetErrorCode(), -3000 - ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED);
    EXPECT_EQ(script.certificateSets, 1);
    // Wine's answer to the same request is a channel error, which no retry can mend.
    script.sends = 0;
    script.certificateSets = 0;
    script.sendErrors = {ERROR_INTERNET_SECURITY_CHANNEL_ERROR, 0};
    EXPECT_FALSE(engine.HTTPDownloadEx("server", "/a.bmp", 0));
    EXPECT_EQ(engine.GetErrorCode(), -3000 - ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
    EXPECT_EQ(script.sends, 1);
    // Unknown authority and failed revocation check: each relaxed once.
    script.sends = 0;
    script.bodyRead = 0;
    script.securityFlags = 0;
    script.sendErrors = {ERROR_INTERNET_INVALID_CA, ERROR_INTERNET_SEC_CERT_REV_FAILED, 0};
    EXPECT_TRUE(engine.HTTPDownloadEx("server", "/a.bmp", 0));
    EXPECT_EQ(script.securityFlags, 0x180u);
    EXPECT_EQ(script.sends, 3);
}

TEST_F(ScriptedDownload, Http401IsPreAuthenticatedOnceOnTheFirstServer) {
    engine.SetAllowPluginAuthentication(1);
    script.statuses = {401, 401, 200};
    EXPECT_TRUE(engine.HTTPDownloadEx("server", "/a.bmp", 0)) << engine.GetErrorCode();
    // The send, the pre-authentication's send, the resend.
    EXPECT_EQ(script.sends, 3);
    // A 401 that stays is the answer: -2003 with the body as text.
    COstrelBase::ForgetLastSuccessfulServer();
    script.sends = 0;
    script.statusQueries = 0;
    script.bodyRead = 0;
    script.statuses = {401};
    script.body = "denied";
    EXPECT_FALSE(engine.HTTPDownloadEx("server", "/a.bmp", 0));
    EXPECT_EQ(engine.GetErrorCode(), -2003);
    EXPECT_STREQ(engine.GetHTTPPostResponseString(), "denied");
}

TEST_F(ScriptedDownload, TheErrorDialogSlotAnswersOnlyCredentialStatuses) {
    HMODULE wininet = LoadLibraryA("wininet.dll");
    ASSERT_NE(wininet, nullptr);
    for (DWORD status : {200u, 404u, 500u, 12044u}) {
        EXPECT_EQ(engine.ShowInternetErrorDialog(wininet, nullptr, status, 7, nullptr), 0u) << status;
    }
    FreeLibrary(wininet);
    // 401 and 407 reach the dialog, which a missing library cannot show.
    EXPECT_EQ(engine.ShowInternetErrorDialog(nullptr, nullptr, 401, 7, nullptr), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
    EXPECT_EQ(engine.ShowInternetErrorDialog(nullptr, nullptr, 407, 7, nullptr), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
}

// A redirect the engine follows gets a connection of its own: with the page's credentials on the
// page's server (same scheme, host and port), without them anywhere else, where a 401 is not
// answered with a resend but is the download's answer, naming the withheld credentials.
TEST_F(ScriptedDownload, RedirectsCarryTheCredentialsOnlyOnThePagesServer) {
    engine.SetHTTPUserName("scanuser");
    engine.SetHTTPPassword("scan:pass");
    engine.SetHTTPPort(8080);
    auto connections = [&] {
        std::vector<std::string> found;
        for (const auto& call : script.calls)
            if (call.find(" to ") != std::string::npos) found.push_back(call.substr(call.find(" to ") + 4));
        return found;
    };
    // Relative, and absolute to the same origin: both keep the credentials and the 401 resend.
    script.statuses = {302, 301, 401, 200};
    script.locations = {"/b.bmp", "http://server:8080/c.bmp"};
    EXPECT_TRUE(engine.HTTPDownloadEx("server", "/a.bmp", 0)) << engine.GetErrorCode();
    EXPECT_EQ(connections(), (std::vector<std::string>{"server:8080 as scanuser/scan:pass",
                                                       "server:8080 as scanuser/scan:pass",
                                                       "server:8080 as scanuser/scan:pass"}));
    EXPECT_EQ(script.sends, 4);
    // Another host, another port, another scheme: none of them gets the credentials, and the
    // 401 there is the answer.
    for (const char* location : {"http://other:8080/a.bmp", "http://server:8081/a.bmp", "https://server:8080/a.bmp"}) {
        SCOPED_TRACE(location);
        COstrelBase::ForgetLastSuccessfulServer();
        script.calls.clear();
        script.sends = script.statusQueries = script.locationQueries = 0;
        script.bodyRead = 0;
        script.statuses = {302, 401};
        script.locations = {location};
        script.body = "denied";
        EXPECT_FALSE(engine.HTTPDownloadEx("server", "/a.bmp", 0));
        EXPECT_EQ(engine.GetErrorCode(), -2003);
        EXPECT_EQ(engine.GetTransferSubCode(), -3000 - ERROR_ACCESS_DENIED);
        EXPECT_STREQ(engine.GetHTTPPostResponseString(), "denied");
        const auto made = connections();
        ASSERT_EQ(made.size(), 2u);
        EXPECT_EQ(made[0], "server:8080 as scanuser/scan:pass");
        EXPECT_EQ(made[1].substr(made[1].find(" as ")), " as nobody");
        EXPECT_EQ(script.sends, 2);
    }
    // Without credentials a 401 elsewhere is a plain 401: its page is no image, as anywhere.
    engine.SetHTTPUserName("");
    engine.SetHTTPPassword("");
    script.sends = script.statusQueries = script.locationQueries = 0;
    script.bodyRead = 0;
    EXPECT_FALSE(engine.HTTPDownloadEx("server", "/a.bmp", 0));
    EXPECT_EQ(engine.GetErrorCode(), -2003);
    EXPECT_EQ(engine.GetTransferSubCode(), -1111);
}

}  // namespace

// The send stage against a scripted WinInet: what a real server cannot be made to produce
// (the 12032 resend, a client-certificate request, the internet error dialog) and writes that
// fail without saying why.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "core/transfer_thread.h"  // windows.h before commctrl.h
#include <commctrl.h>

#include "support/dialog_answer.h"
#include "support/test_dib.h"
#include "upload_test_support.h"

namespace {

struct Script {
    std::vector<DWORD> sendErrors;  // successive HttpSendRequestExA results: 0 succeeds
    std::vector<DWORD> endErrors;   // successive HttpEndRequestA results
    std::vector<DWORD> statuses;    // successive status answers (the last one repeats)
    DWORD errorDialogResult = ERROR_CANCELLED;
    int writeMode = 0;              // 0 writes, 1 "succeeds" with 0 bytes, 2 fails with no last error
    // With a transfer dialog on this thread: each write first waits (bounded) until the dialog's
    // bar shows the percentage of the bytes written so far of bodyTotal, and notes what it showed.
    DWORD dialogThread = 0;
    uint64_t bodyTotal = 0;
    std::vector<LONG> barSeen;
    std::string answer;

    int sends = 0, ends = 0, errorDialogs = 0, certificateSets = 0;
    DWORD securityFlags = 0x10;
    std::vector<DWORD> sendTimeouts, receiveTimeouts;  // milliseconds set on the request
    DWORD lastDialogError = 0;
    uint64_t written = 0;
    size_t answerRead = 0;
};

Script* g_script = nullptr;

HINTERNET Handle(int n) { return reinterpret_cast<HINTERNET>(static_cast<INT_PTR>(n)); }

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

DWORD Next(std::vector<DWORD>& list, int index) {
    if (list.empty()) return 0;
    return list[index < static_cast<int>(list.size()) ? index : list.size() - 1];
}

HINTERNET WINAPI Open(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD) { return Handle(1); }
HINTERNET WINAPI Connect(HINTERNET, LPCSTR, INTERNET_PORT, LPCSTR, LPCSTR, DWORD, DWORD, DWORD_PTR) { return Handle(2); }
HINTERNET WINAPI OpenRequest(HINTERNET, LPCSTR, LPCSTR, LPCSTR, LPCSTR, LPCSTR*, DWORD, DWORD_PTR) { return Handle(3); }
BOOL WINAPI Close(HINTERNET) { return TRUE; }
BOOL WINAPI AddHeaders(HINTERNET, LPCSTR, DWORD, DWORD) { return TRUE; }
BOOL WINAPI GetCookie(LPCSTR, LPCSTR, LPSTR, LPDWORD) { return Fail(ERROR_NO_MORE_ITEMS); }

BOOL WINAPI QueryOption(HINTERNET, DWORD option, LPVOID buffer, LPDWORD length) {
    if (option != INTERNET_OPTION_SECURITY_FLAGS || *length < sizeof(DWORD)) return Fail(ERROR_INVALID_PARAMETER);
    *static_cast<DWORD*>(buffer) = g_script->securityFlags;
    return TRUE;
}

BOOL WINAPI SetOption(HINTERNET, DWORD option, LPVOID buffer, DWORD) {
    if (option == INTERNET_OPTION_SECURITY_FLAGS) g_script->securityFlags = *static_cast<DWORD*>(buffer);
    if (option == INTERNET_OPTION_CLIENT_CERT_CONTEXT) ++g_script->certificateSets;
    if (option == INTERNET_OPTION_SEND_TIMEOUT) g_script->sendTimeouts.push_back(*static_cast<DWORD*>(buffer));
    if (option == INTERNET_OPTION_RECEIVE_TIMEOUT) g_script->receiveTimeouts.push_back(*static_cast<DWORD*>(buffer));
    return TRUE;
}

BOOL WINAPI SendEx(HINTERNET, LPINTERNET_BUFFERSA buffers, LPINTERNET_BUFFERSA, DWORD, DWORD_PTR) {
    EXPECT_EQ(buffers->dwStructSize, sizeof(INTERNET_BUFFERSA));
    DWORD error = Next(g_script->sendErrors, g_script->sends++);
    return error ? Fail(error) : TRUE;
}

BOOL WINAPI Send(HINTERNET, LPCSTR, DWORD, LPVOID, DWORD) { return TRUE; }

// What the transfer dialog's bar shows once it has caught up with the bytes written so far.
void WaitForTheBar() {
    Script& s = *g_script;
    if (!s.dialogThread || s.written == 0) return;
    const auto percent = static_cast<LONG>(static_cast<double>(s.written) / static_cast<double>(s.bodyTotal) * 100.0);
    LONG shown = -1;
    for (int i = 0; i < 500 && shown != percent; ++i) {
        HWND dialog = FindWindowOfThread(s.dialogThread, "File Transfer...");
        shown = dialog ? static_cast<LONG>(SendDlgItemMessageA(dialog, IDC_TRANSFER_PROGRESS, PBM_GETPOS, 0, 0)) : -1;
        if (shown != percent) Sleep(10);
    }
    s.barSeen.push_back(shown);
}

BOOL WINAPI Write(HINTERNET, LPCVOID, DWORD bytes, LPDWORD written) {
    *written = 0;
    WaitForTheBar();
    if (g_script->writeMode == 1) return TRUE;
    if (g_script->writeMode == 2) return Fail(0);
    *written = bytes;
    g_script->written += bytes;
    return TRUE;
}

BOOL WINAPI End(HINTERNET, LPINTERNET_BUFFERSA, DWORD, DWORD_PTR) {
    DWORD error = Next(g_script->endErrors, g_script->ends++);
    return error ? Fail(error) : TRUE;
}

BOOL WINAPI QueryInfo(HINTERNET, DWORD, LPVOID buffer, LPDWORD, LPDWORD) {
    *static_cast<DWORD*>(buffer) = g_script->statuses.empty() ? 200 : Next(g_script->statuses, g_script->ends - 1);
    return TRUE;
}

BOOL WINAPI Read(HINTERNET, LPVOID buffer, DWORD size, LPDWORD read) {
    size_t left = g_script->answer.size() - g_script->answerRead;
    *read = static_cast<DWORD>(left < size ? left : size);
    memcpy(buffer, g_script->answer.data() + g_script->answerRead, *read);
    g_script->answerRead += *read;
    return TRUE;
}

DWORD WINAPI ErrorDialog(HWND, HINTERNET, DWORD error, DWORD flags, LPVOID*) {
    EXPECT_EQ(flags, 7u);
    g_script->lastDialogError = error;
    ++g_script->errorDialogs;
    return g_script->errorDialogResult;
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
        api->HttpAddRequestHeaders = AddHeaders;
        api->InternetGetCookie = GetCookie;
        api->InternetQueryOption = QueryOption;
        api->InternetSetOption = SetOption;
        api->HttpSendRequest = Send;
        api->HttpSendRequestEx = SendEx;
        api->HttpEndRequest = End;
        api->HttpQueryInfo = QueryInfo;
        api->InternetErrorDlg = ErrorDialog;
        return true;
    }
    void Unload(WinInetApi* api) override { *api = WinInetApi{}; }
};

class SendStage : public ::testing::Test {
protected:
    void SetUp() override {
        g_script = &script;
        COstrelBase::ForgetLastSuccessfulServer();
        engine.SetWinInetSource(&wininet);
        engine.SetIfShowCancelDialogWhenImageTransfer(0);
        engine.OnBitmapAcquired(MakeTestDib(100, 100, 24));
    }
    void TearDown() override { g_script = nullptr; }

    BOOL Post() {
        SHORT list[1] = {0};
        return engine.HTTPUploadThroughPostEx("server", "/page", "a.bmp", {list, 1}, "RemoteFile", 0);
    }
    uint64_t BodySize() {
        LONG size = 0;
        SHORT list[1] = {0};
        GlobalFree(engine.GetSelectedImagesData(list, 1, 0, &size));
        return static_cast<uint64_t>(size) + 201;  // the image part's head and the closing line
    }

    Script script;
    ScriptedWinInet wininet;
    EventRecorderWindow host;
    UploadEngine engine{host};
};

TEST_F(SendStage, UnknownAuthorityIsRetriedOnceWithRelaxedFlags) {
    script.sendErrors = {ERROR_INTERNET_INVALID_CA, 0};
    EXPECT_TRUE(Post());
    EXPECT_EQ(script.sends, 2);
    EXPECT_EQ(script.securityFlags, 0x10u | 0x180u);
    script = Script{};
    script.sendErrors = {ERROR_INTERNET_INVALID_CA, ERROR_INTERNET_INVALID_CA, 0};
    EXPECT_FALSE(Post());
    EXPECT_EQ(script.sends, 2);
    EXPECT_EQ(engine.GetErrorCode(), -2003);
    EXPECT_EQ(engine.GetTransferSubCode(), -3000 - ERROR_INTERNET_INVALID_CA);
    // PUT has no certificate retries.
    script = Script{};
    script.sendErrors = {ERROR_INTERNET_INVALID_CA, 0};
    SHORT list[1] = {0};
    EXPECT_FALSE(engine.HTTPUploadThroughPutEx("server", "/page", {list, 1}, 0));
    EXPECT_EQ(engine.GetErrorCode(), -3000 - ERROR_INTERNET_INVALID_CA);
}

TEST_F(SendStage, ForcedResendIsBounded) {
    script.endErrors = {ERROR_INTERNET_FORCE_RETRY, 0};
    EXPECT_TRUE(Post());
    EXPECT_EQ(script.sends, 2);
    EXPECT_EQ(script.written, 2 * BodySize());
    script = Script{};
    script.endErrors = {ERROR_INTERNET_FORCE_RETRY};
    EXPECT_FALSE(Post());
    EXPECT_EQ(script.sends, 4);
    EXPECT_EQ(engine.GetTransferSubCode(), -3000 - ERROR_INTERNET_FORCE_RETRY);
}

TEST_F(SendStage, ClientCertificateRequestShowsTheErrorDialog) {
    script.endErrors = {ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED};
    script.errorDialogResult = ERROR_CANCELLED;
    EXPECT_FALSE(Post());
    EXPECT_EQ(script.errorDialogs, 1);
    EXPECT_EQ(script.lastDialogError, static_cast<DWORD>(ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED));
    EXPECT_EQ(engine.GetTransferSubCode(), -3000 - ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED);
    // A dialog that keeps answering "retry" is asked a bounded number of times.
    script = Script{};
    script.endErrors = {ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED};
    script.errorDialogResult = ERROR_SUCCESS;
    EXPECT_FALSE(Post());
    EXPECT_EQ(script.errorDialogs, 3);
    EXPECT_EQ(script.sends, 4);
    // With a bound certificate it is set once before any dialog.
    script = Script{};
    script.endErrors = {ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED, 0};
    engine.SetClientCertificate(CertCreateCertificateContext(X509_ASN_ENCODING, nullptr, 0));
    if (engine.GetClientCertificate()) {
        EXPECT_TRUE(Post());
        EXPECT_EQ(script.certificateSets, 1);
        EXPECT_EQ(script.errorDialogs, 0);
    }
}

TEST_F(SendStage, Status401OnTheSameServerResendsTheWholeBodyOnce) {
    script.statuses = {401, 200};
    EXPECT_TRUE(Post());
    EXPECT_EQ(script.sends, 2);
    EXPECT_EQ(script.written, 2 * BodySize());
    // Only once: a second 401 is the answer.
    script = Script{};
    script.statuses = {401};
    EXPECT_FALSE(Post());
    EXPECT_EQ(script.sends, 2);
    EXPECT_EQ(engine.GetErrorCode(), -2001);
}

TEST_F(SendStage, WritesThatMoveNothingFail) {
    script.writeMode = 1;
    EXPECT_FALSE(Post());
    EXPECT_EQ(engine.GetErrorCode(), -3000 - ERROR_WRITE_FAULT);
    script = Script{};
    script.writeMode = 2;
    EXPECT_FALSE(Post());
    EXPECT_EQ(engine.GetErrorCode(), -3000 - ERROR_WRITE_FAULT);
}

TEST_F(SendStage, AnUploadStartedFromTheProgressHandlerIsRefusedAndTheOuterOneGoesOn) {
    // The nested upload would load and unload the shared WinInet table under the outer one and
    // clear its cancel flag.
    std::vector<LONG> nestedErrors;
    std::vector<BOOL> nestedResults;
    bool cancelFirst = false;
    host.onRecord = [&](const EventRecord& r) {
        if (r.Kind != kEventTransferPercentage || !nestedResults.empty()) return;
        if (cancelFirst) engine.SetIfCancelTransfer(1);
        nestedResults.push_back(Post());
        nestedErrors.push_back(engine.GetErrorCode());
        nestedResults.push_back(engine.HTTPUploadThroughPutEx("server", "/page", {std::vector<SHORT>{0}.data(), 1}, 0));
        nestedErrors.push_back(engine.GetErrorCode());
    };
    EXPECT_TRUE(Post()) << engine.GetErrorCode();
    EXPECT_EQ(nestedResults, (std::vector<BOOL>{FALSE, FALSE}));
    EXPECT_EQ(nestedErrors, (std::vector<LONG>{-2121, -2121}));
    EXPECT_EQ(script.sends, 1);
    EXPECT_EQ(script.written, BodySize());
    EXPECT_NE(engine.ErrorTexts().GetErrorText(-2121), nullptr);

    // A cancel made in the handler before the refused nested calls still ends the outer upload.
    script = Script{};
    nestedResults.clear();
    nestedErrors.clear();
    cancelFirst = true;
    EXPECT_FALSE(Post());
    EXPECT_EQ(engine.GetErrorCode(), -1032);
    EXPECT_EQ(nestedErrors, (std::vector<LONG>{-2121, -2121}));

    // Once it has ended the next upload runs.
    host.onRecord = nullptr;
    script = Script{};
    EXPECT_TRUE(Post());
}

TEST_F(SendStage, TheDialogsBarCatchesUpWithEveryChunk) {
    // The chunks follow each other faster than the bar is repainted; it still reaches the
    // percentage of each chunk while the next one waits (27, 54 and 81 of the 4-chunk body).
    engine.SetIfShowCancelDialogWhenImageTransfer(1);
    script.dialogThread = GetCurrentThreadId();
    script.bodyTotal = BodySize();
    ASSERT_EQ((script.bodyTotal + kTransferChunkBytes - 1) / kTransferChunkBytes, 4u);
    EXPECT_TRUE(Post()) << engine.GetErrorCode();
    std::vector<LONG> expected;
    for (uint64_t done = kTransferChunkBytes; done < script.bodyTotal; done += kTransferChunkBytes) {
        expected.push_back(static_cast<LONG>(static_cast<double>(done) / static_cast<double>(script.bodyTotal) * 100.0));
    }
    EXPECT_EQ(script.barSeen, expected);
    EXPECT_EQ(engine.percents.back(), 100);
}

TEST_F(SendStage, TimeoutsInSecondsBecomeMillisecondsWithoutWrapping) {
    // 5,000,000 s is 5e9 ms: cut to 32 bits it would be 705,032,704 ms, a shorter wait than asked.
    const LONG seconds[] = {30, 4294967, 4294968, 5000000, 0x7FFFFFFF, -1};
    const DWORD expected[] = {30000, 4294967000u, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
    for (size_t i = 0; i < std::size(seconds); ++i) {
        script = Script{};
        engine.SetInternetSendTimeout(seconds[i]);
        engine.SetInternetReceiveTimeout(seconds[i]);
        EXPECT_TRUE(Post());
        EXPECT_EQ(script.sendTimeouts, std::vector<DWORD>{expected[i]}) << seconds[i];
        EXPECT_EQ(script.receiveTimeouts, std::vector<DWORD>{expected[i]}) << seconds[i];
    }
    script = Script{};
    engine.SetInternetSendTimeout(0);
    engine.SetInternetReceiveTimeout(0);
    EXPECT_TRUE(Post());
    EXPECT_TRUE(script.sendTimeouts.empty() && script.receiveTimeouts.empty()) << "0 keeps WinInet's own";
}

TEST(ScriptByteCount, SizesPastTheThirtyTwoBitRangeAreRefusedNotWrapped) {
    LONG total = 0x7FFFFFF0;
    EXPECT_TRUE(COstrelBase::AddToScriptByteCount(&total, 15));
    EXPECT_EQ(total, 0x7FFFFFFF);
    EXPECT_FALSE(COstrelBase::AddToScriptByteCount(&total, 1));
    EXPECT_EQ(total, 0x7FFFFFFF) << "unchanged when refused";
    total = 0;
    EXPECT_FALSE(COstrelBase::AddToScriptByteCount(&total, 0x80000000ull));        // 2 GiB
    EXPECT_FALSE(COstrelBase::AddToScriptByteCount(&total, (5ull << 30) + 100));   // 5 GiB: not 1 GiB + 100
    EXPECT_EQ(total, 0);
    EXPECT_TRUE(COstrelBase::AddToScriptByteCount(&total, 0x7FFFFFFF));
}

TEST_F(SendStage, AnAnswerOfMoreThan8191BytesIsCut) {
    script.answer = std::string(10000, 'a');
    EXPECT_FALSE(Post());
    EXPECT_EQ(engine.GetErrorCode(), -2003);
    EXPECT_EQ(strlen(engine.GetHTTPPostResponseString()), 8191u);
}

}  // namespace

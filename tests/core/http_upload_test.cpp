// HTTP(S) uploads against the loopback servers: the exact requests they receive, the answers'
// results, progress, cancellation, the size limit and the self-signed HTTPS server.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "base/error_codes.h"
#include "core/transfer_thread.h"
#include "support/dialog_answer.h"
#include "support/test_dib.h"
#include "upload_test_support.h"

namespace {

const std::string kLine = "-----------------------------7d22c1f30aa4";

class HttpUpload : public ::testing::Test {
protected:
    void SetUp() override {
        servers = ReadLoopbackServers();
        ASSERT_NE(servers.http, 0) << "the loopback servers are not running";
        COstrelBase::ForgetLastSuccessfulServer();
        engine.SetHTTPPort(servers.http);
    }

    HGLOBAL AddImage(int w, int h, int bits, uint32_t seed = 1) {
        engine.OnBitmapAcquired(MakeTestDib(w, h, bits, seed));
        return engine.GetImageDIB(static_cast<SHORT>(engine.GetImageCount() - 1));
    }

    BOOL Post(const char* page, const char* fileName = "scan.bmp", SHORT index = 0) {
        SHORT list[1] = {index};
        return engine.HTTPUploadThroughPostEx("127.0.0.1", page, fileName, {list, 1}, "RemoteFile", 0);
    }

    BOOL PostFile(const char* page, const std::string& path) {
        return engine.HTTPUploadThroughPostEx("127.0.0.1", page, "file.bin", {.localFile = path.c_str()}, "RemoteFile",
                                              kUploadLocalFile);
    }

    EventRecorderWindow host;
    UploadEngine engine{host};
    LoopbackServers servers;
};

std::string ImagePart(const std::string& fileNameUtf8, const std::string& file) {
    return kLine + "\r\nContent-Disposition: form-data; name=\"RemoteFile\"; filename=\"" + fileNameUtf8 +
           "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + file + "\r\n" + kLine + "--\r\n";
}

TEST_F(HttpUpload, PostSendsTheExactBodyAndHeadersAtSeveralSizes) {
    engine.SetHTTPFormField("id", "42");
    engine.SetHTTPFormField("", "never sent");
    engine.SetHTTPFormField("note", "two words");
    engine.SetCookie("session=abc");
    struct {
        int w, h, bits;
        int dialog;
    } sizes[] = {{16, 16, 8, 1}, {1000, 3, 1, 0}, {640, 480, 24, 1}, {37, 11, 4, 0}};
    for (const auto& s : sizes) {
        SCOPED_TRACE(s.w * 1000 + s.bits);
        HGLOBAL dib = AddImage(s.w, s.h, s.bits);
        engine.SetIfShowCancelDialogWhenImageTransfer(s.dialog);
        engine.percents.clear();
        host.Clear();
        size_t before = RecordedRequestCount();
        // "café" in the system code page (1252) travels as UTF-8.
        ASSERT_TRUE(Post("/empty/upload.php?x=1", "caf\xE9.bmp", static_cast<SHORT>(engine.GetImageCount() - 1)));
        EXPECT_EQ(engine.GetErrorCode(), 0);
        EXPECT_STREQ(engine.GetHTTPPostResponseString(), "");
        auto requests = RecordedRequestsAfter(before, "/empty/upload.php?x=1");
        ASSERT_EQ(requests.size(), 1u);
        const auto& r = requests[0];
        std::string expected = kLine + "\r\nContent-Disposition: form-data; name=\"id\"; \r\n\r\n42\r\n" + kLine +
                               "\r\nContent-Disposition: form-data; name=\"note\"; \r\n\r\ntwo words\r\n" +
                               ImagePart("caf\xC3\xA9.bmp", ExpectedBmpFile(dib));
        EXPECT_EQ(r.requestLine, "POST /empty/upload.php?x=1 HTTP/1.1");
        EXPECT_TRUE(r.body == expected) << "body of " << r.body.size() << " bytes, expected " << expected.size();
        EXPECT_EQ(r.Header("Content-Type"), "multipart/form-data; boundary=" + kLine.substr(2));
        EXPECT_EQ(r.Header("Content-Length"), std::to_string(expected.size()));
        EXPECT_EQ(r.Header("Cookie"), "session=abc");
        EXPECT_EQ(r.Header("User-Agent"), "Corvanta");
        // Progress: monotone, ending at 100, each as a kind-11 record handled on this thread.
        ASSERT_FALSE(engine.percents.empty());
        for (size_t i = 1; i < engine.percents.size(); ++i) EXPECT_LE(engine.percents[i - 1], engine.percents[i]);
        EXPECT_EQ(engine.percents.back(), 100);
        EXPECT_EQ(engine.percents.size(), (expected.size() + kTransferChunkBytes - 1) / kTransferChunkBytes);
        size_t records = 0;
        for (const auto& m : host.Messages()) {
            if (m.message != WM_LUMETTA_EVENT || m.record.Kind != kEventTransferPercentage) continue;
            EXPECT_EQ(m.threadId, GetCurrentThreadId());
            EXPECT_NE(m.record.Payload, nullptr);
            ++records;
        }
        EXPECT_EQ(records, engine.percents.size());
    }
    EXPECT_EQ(COstrelBase::LastSuccessfulServer(), "http://127.0.0.1");
}

TEST_F(HttpUpload, PutSendsTheBareFileWithoutCookie) {
    HGLOBAL dib = AddImage(50, 20, 8);  // 8 bits, biClrUsed 0: a full colour table
    engine.SetCookie("session=abc");
    engine.SetHTTPFormField("id", "42");
    size_t before = RecordedRequestCount();
    SHORT list[1] = {0};
    ASSERT_TRUE(engine.HTTPUploadThroughPutEx("127.0.0.1", "/empty/put.bmp", {list, 1}, 0));
    auto requests = RecordedRequestsAfter(before, "/empty/put.bmp");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].requestLine, "PUT /empty/put.bmp HTTP/1.1");
    EXPECT_TRUE(requests[0].body == ExpectedBmpFile(dib));
    ASSERT_GE(requests[0].body.size(), 14u);
    DWORD offset = 0, fileSize = 0;
    memcpy(&fileSize, requests[0].body.data() + 2, 4);
    memcpy(&offset, requests[0].body.data() + 10, 4);
    EXPECT_EQ(offset, 1078u);
    EXPECT_EQ(fileSize, 1078u + 52u * 20u);
    bool found = true;
    requests[0].Header("Cookie", &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(requests[0].Header("Accept"), "*/*");
    EXPECT_EQ(requests[0].Header("Content-Length"), std::to_string(requests[0].body.size()));
    EXPECT_TRUE(engine.HTTPUploadThroughPutEx("127.0.0.1", "/empty/again.bmp", {list, 1}, 0));
    EXPECT_FALSE(engine.HTTPUploadThroughPutEx("127.0.0.1", "/404", {list, 1}, 0));
    EXPECT_EQ(engine.GetErrorCode(), -2001);
    EXPECT_FALSE(engine.HTTPUploadThroughPutEx("127.0.0.1", "/500", {list, 1}, 0));
    EXPECT_EQ(engine.GetErrorCode(), -2002);
    EXPECT_STREQ(engine.GetHTTPPostResponseString(), "");
}

TEST_F(HttpUpload, ALocalFileTravelsByteForByteInItsPart) {
    engine.SetHTTPFormField("id", "42");
    engine.SetIfShowCancelDialogWhenImageTransfer(0);
    uint32_t seed = 7;
    for (size_t n : {size_t(0), size_t(1), size_t(8191), size_t(8192), size_t(20001)}) {
        SCOPED_TRACE(n);
        std::string file(n, '\0');
        for (auto& c : file) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
        std::string path = WriteTempFile(file);
        size_t before = RecordedRequestCount();
        ASSERT_TRUE(PostFile("/empty/local", path));
        auto requests = RecordedRequestsAfter(before, "/empty/local");
        ASSERT_EQ(requests.size(), 1u);
        std::string expected = kLine + "\r\nContent-Disposition: form-data; name=\"id\"; \r\n\r\n42\r\n" +
                               ImagePart("file.bin", file);
        EXPECT_TRUE(requests[0].body == expected) << "body of " << requests[0].body.size() << " bytes";
        EXPECT_EQ(requests[0].Header("Content-Length"), std::to_string(expected.size()));
        DeleteFileA(path.c_str());
    }
}

TEST_F(HttpUpload, ALocalFileThatCannotBeReadFailsAsAFileReadIntoMemory) {
    // The body reads the file into its place; what it refuses, and with which code, is what a
    // file read into memory refuses.
    engine.SetIfShowCancelDialogWhenImageTransfer(0);
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string paths[] = {"Z:\\nonexistent\\file.bin", std::string(folder), "C:\\" + std::string(300, 'a')};
    for (const auto& path : paths) {
        SCOPED_TRACE(path.substr(0, 40));
        DWORD size = 0;
        HGLOBAL read = engine.ReadFileToMemory(path.c_str(), &size);
        EXPECT_EQ(read, nullptr);
        LONG expected = engine.GetErrorCode();
        EXPECT_NE(expected, 0);
        size_t before = RecordedRequestCount();
        EXPECT_FALSE(PostFile("/empty/unread", path));
        EXPECT_EQ(engine.GetErrorCode(), expected);
        EXPECT_EQ(RecordedRequestsAfter(before, "/empty/unread").size(), 0u);
    }
}

TEST_F(HttpUpload, TheAnswerDecidesThePostResult) {
    AddImage(8, 8, 24);
    engine.SetIfShowCancelDialogWhenImageTransfer(0);
    EXPECT_FALSE(Post("/ok"));
    EXPECT_EQ(engine.GetErrorCode(), -2003);
    EXPECT_STREQ(engine.GetHTTPPostResponseString(), "OK");
    EXPECT_EQ(engine.GetTransferSubCode(), 0);
    struct {
        const char* page;
        LONG code;
    } failures[] = {{"/404", -2001}, {"/401", -2001}, {"/500", -2002}};
    for (const auto& f : failures) {
        EXPECT_FALSE(Post(f.page)) << f.page;
        EXPECT_EQ(engine.GetErrorCode(), f.code) << f.page;
        EXPECT_STREQ(engine.GetHTTPPostResponseString(), "");
    }
    EXPECT_TRUE(Post("/empty"));
    EXPECT_EQ(engine.GetErrorCode(), 0);
}

// The engine follows a POST's redirects itself: a 307 or 308 takes the body along, a 301, 302 or
// 303 asks for the new page. The cookie chosen for the page's server never reaches another one.
TEST_F(HttpUpload, RedirectsToAnotherServerCarryNoCookieOfThisOne) {
    ASSERT_NE(servers.other, 0) << "the loopback servers have no second host";
    AddImage(24, 16, 24);
    engine.SetIfShowCancelDialogWhenImageTransfer(0);
    engine.SetCookie("session=secret42");
    const std::string otherHost = "127.0.0.2:" + std::to_string(servers.other);
    // One of each kind: 308 takes 307's way, 301 and 302 take 303's (each upload costs seconds).
    for (int code : {307, 303}) {
        SCOPED_TRACE(code);
        const bool keepsBody = code == 307 || code == 308;
        const std::string tail = "/empty/redirected-" + std::to_string(code);
        const std::string first = "/redirect/" + std::to_string(code) + tail;
        const size_t before = RecordedRequestCount();
        ASSERT_TRUE(Post(first.c_str())) << engine.GetErrorCode();
        auto asked = RecordedRequestsAfter(before, first);
        auto followed = RecordedRequestsAfter(before, tail);
        ASSERT_EQ(asked.size(), 1u);
        ASSERT_EQ(followed.size(), 1u);
        EXPECT_EQ(asked[0].Header("Cookie"), "session=secret42");
        EXPECT_EQ(followed[0].requestLine, (keepsBody ? "POST " : "GET ") + tail + " HTTP/1.1");
        EXPECT_EQ(followed[0].Header("Host"), otherHost);
        bool found = true;
        followed[0].Header("Cookie", &found);
        EXPECT_FALSE(found) << followed[0].Header("Cookie");
        if (keepsBody) {
            EXPECT_GT(followed[0].body.size(), 1000u);
            EXPECT_TRUE(followed[0].body == asked[0].body);
        } else {
            EXPECT_TRUE(followed[0].body.empty());
        }
    }
    // On the page's own server the cookie goes along.
    size_t before = RecordedRequestCount();
    ASSERT_TRUE(Post("/redirect/same/empty/same-server")) << engine.GetErrorCode();
    auto same = RecordedRequestsAfter(before, "/empty/same-server");
    ASSERT_EQ(same.size(), 1u);
    EXPECT_EQ(same[0].Header("Cookie"), "session=secret42");
    EXPECT_EQ(same[0].Header("Host"), "127.0.0.1:" + std::to_string(servers.http));
    // Redirects without end stop after a bounded number of hops, and the upload fails.
    before = RecordedRequestCount();
    EXPECT_FALSE(Post("/redirect/loop"));
    EXPECT_EQ(engine.GetErrorCode(), -3000 - ERROR_HTTP_REDIRECT_FAILED);
    EXPECT_EQ(RecordedRequestsAfter(before, "/redirect/loop").size(), 6u);
}

// The path of the loopback route that answers CODE with `location` as its Location.
std::string LocationRoute(int code, const std::string& location) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string route = "/redirect/location/" + std::to_string(code) + "/";
    for (unsigned char c : location) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '{' || c == '}') {
            route += static_cast<char>(c);
        } else {
            route += '%';
            route += kHex[c >> 4];
            route += kHex[c & 15];
        }
    }
    return route;
}

bool HasCookie(const RecordedRequest& r) {
    bool found = true;
    r.Header("Cookie", &found);
    return found;
}

// A Location is resolved against the URL of the request it answers, as browsers resolve it: dot
// segments go, the fragment stays here, a query alone replaces the query. One that names another
// scheme is not followed at all (it is no page of this server).
TEST_F(HttpUpload, ARedirectsLocationIsResolvedAgainstThePageThatAnswered) {
    AddImage(24, 16, 24);
    engine.SetIfShowCancelDialogWhenImageTransfer(0);
    engine.SetCookie("session=secret42");
    const std::string http = "127.0.0.1:" + std::to_string(servers.http);
    const std::string other = "127.0.0.2:" + std::to_string(servers.other);
    struct {
        int code;
        const char* location;
        const char* requestLine;  // of the request that follows, "%ROUTE%" standing for the first's path
        bool otherHost;
    } cases[] = {
        {307, "../../../empty/dots/./x/../resolved#part", "POST /empty/dots/resolved HTTP/1.1", false},
        {307, "?step=2", "POST %ROUTE%?step=2 HTTP/1.1", false},
        {303, "//{other}/empty/network-path#top", "GET /empty/network-path HTTP/1.1", true},
        {308, "http://{other}/empty/a/../b c", "POST /empty/b%20c HTTP/1.1", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.location);
        const std::string route = LocationRoute(c.code, c.location);
        const size_t before = RecordedRequestCount();
        ASSERT_TRUE(Post(route.c_str())) << engine.GetErrorCode();
        std::string expected = c.requestLine;
        const size_t at = expected.find("%ROUTE%");
        if (at != std::string::npos) expected.replace(at, 7, route);
        const size_t space = expected.find(' ');
        const std::string path = expected.substr(space + 1, expected.rfind(' ') - space - 1);
        auto asked = RecordedRequestsAfter(before, route);
        auto followed = RecordedRequestsAfter(before, path);
        EXPECT_EQ(asked.size(), 1u);
        EXPECT_EQ(followed.size(), 1u) << "nothing asked for " << path;
        if (asked.size() != 1 || followed.size() != 1) continue;
        EXPECT_EQ(followed[0].requestLine, expected);
        EXPECT_EQ(followed[0].Header("Host"), c.otherHost ? other : http);
        EXPECT_EQ(HasCookie(followed[0]), !c.otherHost);
        if (c.code != 303) {
            EXPECT_TRUE(followed[0].body == asked[0].body);
        }
    }
    // Other schemes: the upload fails with WinInet's redirect error after the first request.
    for (const char* location : {"ftp://{other}/empty/x", "file:///C:/windows/win.ini", "javascript:void(0)"}) {
        SCOPED_TRACE(location);
        const size_t before = RecordedRequestCount();
        const std::string route = LocationRoute(307, location);
        EXPECT_FALSE(Post(route.c_str()));
        EXPECT_EQ(engine.GetErrorCode(), -3000 - ERROR_HTTP_REDIRECT_FAILED);
        // The download tests use the same servers meanwhile, redirect routes of their own among
        // them; only this route's requests are this upload's.
        EXPECT_EQ(RecordedRequestsAfter(before, route).size(), 1u);
    }
}

// Over HTTPS the same: the page's cookie goes to its own server only, also when the redirect
// leaves HTTPS for another host, and the body arrives whole after a 307 or 308.
TEST_F(HttpUpload, HttpsRedirectsKeepTheCookieOnThePagesServer) {
    AddImage(24, 16, 24);
    engine.SetIfSSL(1);
    engine.SetHTTPPort(servers.https);
    engine.SetIfShowCancelDialogWhenImageTransfer(0);
    engine.SetCookie("session=secret42");
    for (const char* code : {"308", "302"}) {
        SCOPED_TRACE(code);
        const std::string tail = std::string("/empty/from-https-") + code;
        const std::string first = std::string("/redirect/") + code + tail;
        const size_t before = RecordedRequestCount();
        ASSERT_TRUE(Post(first.c_str())) << engine.GetErrorCode();
        auto asked = RecordedRequestsAfter(before, first);
        auto followed = RecordedRequestsAfter(before, tail);
        ASSERT_EQ(asked.size(), 1u);
        ASSERT_EQ(followed.size(), 1u);
        EXPECT_EQ(asked[0].Header("Cookie"), "session=secret42");
        EXPECT_EQ(followed[0].Header("Host"), "127.0.0.2:" + std::to_string(servers.other));
        EXPECT_FALSE(HasCookie(followed[0])) << followed[0].Header("Cookie");
        if (std::string(code) == "308") {
            EXPECT_EQ(followed[0].requestLine, "POST " + tail + " HTTP/1.1");
            EXPECT_GT(followed[0].body.size(), 1000u);
            EXPECT_TRUE(followed[0].body == asked[0].body);
        } else {
            EXPECT_EQ(followed[0].requestLine, "GET " + tail + " HTTP/1.1");
        }
    }
    // From HTTP to HTTPS on the same host: the new hop is a secure request to the self-signed
    // server (its certificate retried with relaxed flags), with the page's cookie.
    engine.SetIfSSL(0);
    engine.SetHTTPPort(servers.http);
    for (int code : {307, 303}) {
        SCOPED_TRACE(code);
        const std::string tail = "/empty/upgraded-" + std::to_string(code);
        const std::string route =
            LocationRoute(code, "https://127.0.0.1:" + std::to_string(servers.https) + tail);
        const size_t before = RecordedRequestCount();
        ASSERT_TRUE(Post(route.c_str())) << engine.GetErrorCode();
        auto asked = RecordedRequestsAfter(before, route);
        auto followed = RecordedRequestsAfter(before, tail);
        ASSERT_EQ(asked.size(), 1u);
        ASSERT_EQ(followed.size(), 1u);
        EXPECT_EQ(followed[0].Header("Host"), "127.0.0.1:" + std::to_string(servers.https));
        EXPECT_EQ(followed[0].Header("Cookie"), "session=secret42");
        EXPECT_EQ(followed[0].requestLine, (code == 307 ? "POST " : "GET ") + tail + " HTTP/1.1");
        if (code == 307) {
            EXPECT_TRUE(followed[0].body == asked[0].body);
        }
    }
    engine.SetIfSSL(1);
    engine.SetHTTPPort(servers.https);
    const size_t before = RecordedRequestCount();
    ASSERT_TRUE(Post("/redirect/same/empty/https-same")) << engine.GetErrorCode();
    auto same = RecordedRequestsAfter(before, "/empty/https-same");
    ASSERT_EQ(same.size(), 1u);
    EXPECT_EQ(same[0].Header("Cookie"), "session=secret42");
    EXPECT_EQ(same[0].Header("Host"), "127.0.0.1:" + std::to_string(servers.https));
}

// PUT uploads and downloads carry no cookie header of the page's, on the first server or after
// a redirect to another one.
TEST_F(HttpUpload, PutsAndDownloadsCarryNoPageCookieAcrossARedirect) {
    AddImage(24, 16, 24);
    engine.SetIfShowCancelDialogWhenImageTransfer(0);
    engine.SetCookie("session=secret42");
    size_t before = RecordedRequestCount();
    SHORT list[1] = {0};
    EXPECT_TRUE(engine.HTTPUploadThroughPutEx("127.0.0.1", "/redirect/307/empty/put-moved.bmp", {list, 1}, 0))
        << engine.GetErrorCode();
    const int images = engine.GetImageCount();
    EXPECT_TRUE(engine.HTTPDownloadEx("127.0.0.1", "/redirect/302/dl/image.png?moved", 3)) << engine.GetErrorCode();
    EXPECT_EQ(engine.GetImageCount(), images + 1);
    for (const char* path :
         {"/redirect/307/empty/put-moved.bmp", "/empty/put-moved.bmp", "/redirect/302/dl/image.png?moved", "/dl/image.png?moved"}) {
        auto requests = RecordedRequestsAfter(before, path);
        ASSERT_EQ(requests.size(), 1u) << path;
        EXPECT_FALSE(HasCookie(requests[0])) << path << ": " << requests[0].Header("Cookie");
    }
}

// A server text that would make a URL past 259 characters is refused whole, not cut to fit:
// nothing is encoded, no server is asked and no cookie looked up.
TEST_F(HttpUpload, AServerUrlThatDoesNotFitIsRefused) {
    AddImage(8, 8, 24);
    engine.SetCookie("session=secret42");
    // The list names an image that is not there: an upload that gets past the URL fails with
    // -1033 when it encodes, before it asks any server.
    SHORT missing[1] = {7};
    const std::string host(253, 'h');
    const size_t before = RecordedRequestCount();
    for (const std::string& server : {host, "http://" + host, std::string(255, 's')}) {
        EXPECT_FALSE(engine.HTTPUploadThroughPostEx(server.c_str(), "/empty/long", "a.bmp", {missing, 1}, "RemoteFile", 0));
        EXPECT_EQ(engine.GetErrorCode(), kErrInvalidValue) << server.size();
        EXPECT_FALSE(engine.HTTPUploadThroughPutEx(server.c_str(), "/empty/long", {missing, 1}, 0));
        EXPECT_EQ(engine.GetErrorCode(), kErrInvalidValue) << server.size();
    }
    EXPECT_EQ(RecordedRequestsAfter(before, "/empty/long").size(), 0u);
    // 252 characters and the scheme, 259 in all, still fit.
    EXPECT_FALSE(engine.HTTPUploadThroughPostEx(host.substr(1).c_str(), "/empty/long", "a.bmp", {missing, 1},
                                                "RemoteFile", 0));
    EXPECT_EQ(engine.GetErrorCode(), kErrInvalidIndex);
}

TEST_F(HttpUpload, A20000ByteBodyReportsThreeChunks) {
    std::string bytes(20000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + 3);
    std::string path = WriteTempFile(bytes);
    engine.SetIfShowCancelDialogWhenImageTransfer(0);
    size_t before = RecordedRequestCount();
    ASSERT_TRUE(engine.HTTPUploadThroughPutEx("127.0.0.1", "/empty/file.bin", {.localFile = path.c_str()}, kUploadLocalFile));
    EXPECT_EQ(engine.percents, (std::vector<int>{40, 81, 100}));
    auto requests = RecordedRequestsAfter(before, "/empty/file.bin");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].body == bytes);
    DeleteFileA(path.c_str());
}

TEST_F(HttpUpload, MaxUploadImageSizeRefusesAFileOfThatSize) {
    std::string path = WriteTempFile(std::string(1000, 'x'));
    engine.SetIfShowCancelDialogWhenImageTransfer(0);
    engine.SetMaxUploadImageSize(1000);
    size_t before = RecordedRequestCount();
    EXPECT_FALSE(PostFile("/empty/max", path));
    EXPECT_EQ(engine.GetErrorCode(), -2100);
    EXPECT_EQ(RecordedRequestsAfter(before, "/empty/max").size(), 0u);
    engine.SetMaxUploadImageSize(1001);
    EXPECT_TRUE(PostFile("/empty/max", path));
    EXPECT_EQ(RecordedRequestsAfter(before, "/empty/max").size(), 1u);
    DeleteFileA(path.c_str());
}

TEST_F(HttpUpload, CancelFromThePercentageEventKeepsMinus1032) {
    std::string path = WriteTempFile(std::string(2 << 20, 'c'));
    for (int dialog : {0, 1}) {
        engine.SetIfShowCancelDialogWhenImageTransfer(dialog);
        engine.percents.clear();
        engine.cancelAtPercent = 10;
        EXPECT_FALSE(PostFile("/empty/cancelled", path));
        EXPECT_EQ(engine.GetErrorCode(), -1032);
        ASSERT_FALSE(engine.percents.empty());
        EXPECT_LT(engine.percents.back(), 12);
        // The next transfer starts uncancelled.
        engine.cancelAtPercent = -1;
        EXPECT_TRUE(PostFile("/empty", path));
        EXPECT_EQ(engine.percents.back(), 100);
    }
    DeleteFileA(path.c_str());
}

VOID CALLBACK PressCancel(HWND, UINT, UINT_PTR, DWORD) {
    // Only this program's dialog: another program's transfer may show one on the same desktop.
    HWND dialog = FindDialogOfThread(0, "File Transfer...");
    if (dialog) PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(kTransferCancelId, BN_CLICKED), 0);
}

TEST_F(HttpUpload, CancelButtonOfTheDialogStopsASlowUpload) {
    // More than the socket buffers of both sides hold: the writes block on the stalled server.
    std::string path = WriteTempFile(std::string(16 << 20, 's'));
    engine.SetHTTPPort(servers.slow);
    engine.SetIfShowCancelDialogWhenImageTransfer(1);
    UINT_PTR timer = SetTimer(host.Window(), 1, 300, PressCancel);
    DWORD start = GetTickCount();
    EXPECT_FALSE(PostFile("/empty/cancelled", path));
    KillTimer(host.Window(), timer);
    EXPECT_EQ(engine.GetErrorCode(), -1032) << "after " << engine.percents.size() << " chunks";
    EXPECT_LT(GetTickCount() - start, 60000u);
    ASSERT_FALSE(engine.percents.empty());
    EXPECT_LT(engine.percents.back(), 100);
    DeleteFileA(path.c_str());
}

TEST_F(HttpUpload, SelfSignedHttpsServerIsRetriedWithRelaxedFlags) {
    HGLOBAL dib = AddImage(40, 30, 24);
    engine.SetIfSSL(1);
    engine.SetHTTPPort(servers.https);
    engine.SetIfShowCancelDialogWhenImageTransfer(0);
    // What the engine handed out before is the caller's own: later uploads do not change it.
    const auto earlier = COstrelBase::LastSuccessfulServer();
    const std::string earlierText(earlier);
    for (const char* server : {"127.0.0.1", "HTTPS://127.0.0.1"}) {
        size_t before = RecordedRequestCount();
        SHORT list[1] = {0};
        ASSERT_TRUE(engine.HTTPUploadThroughPostEx(server, "/empty/secure", "s.bmp", {list, 1}, "RemoteFile", 0))
            << server << " error " << engine.GetErrorCode();
        auto requests = RecordedRequestsAfter(before, "/empty/secure");
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_TRUE(requests[0].body == ImagePart("s.bmp", ExpectedBmpFile(dib)));
    }
    EXPECT_EQ(COstrelBase::LastSuccessfulServer(), "HTTPS://127.0.0.1");
    EXPECT_EQ(std::string(earlier), earlierText);
}

TEST_F(HttpUpload, MissingDialogTemplateFailsWithoutHanging) {
    AddImage(8, 8, 24);
    engine.dialogModule = GetModuleHandleA("kernel32.dll");
    engine.SetIfShowCancelDialogWhenImageTransfer(1);
    EXPECT_FALSE(Post("/empty"));
    LONG code = engine.GetErrorCode();  // no template of that type or of that name
    EXPECT_TRUE(code == -3000 - ERROR_RESOURCE_TYPE_NOT_FOUND || code == -3000 - ERROR_RESOURCE_NAME_NOT_FOUND) << code;
    EXPECT_EQ(engine.GetIfCancelTransfer(), 0);
    engine.dialogModule = GetModuleHandleA(nullptr);
    EXPECT_TRUE(Post("/empty")) << engine.GetErrorCode() << " " << engine.GetTransferSubCode();
}

TEST_F(HttpUpload, TypeAndArgumentChecks) {
    const LONG bmpSize = static_cast<LONG>(ExpectedBmpFile(AddImage(8, 8, 24)).size());
    SHORT list[1] = {0};
    EXPECT_FALSE(engine.HTTPUploadThroughPostEx("127.0.0.1", "/empty", "a", {list, 1}, "RemoteFile", 5));
    EXPECT_EQ(engine.GetErrorCode(), -1110);
    EXPECT_FALSE(engine.HTTPUploadThroughPutEx("127.0.0.1", "/empty", {list, 1}, -1));
    EXPECT_EQ(engine.GetErrorCode(), -1110);
    SHORT missing[1] = {7};
    EXPECT_FALSE(engine.HTTPUploadThroughPostEx("127.0.0.1", "/empty", "a", {missing, 1}, "RemoteFile", 0));
    EXPECT_EQ(engine.GetErrorCode(), -1033);
    EXPECT_FALSE(PostFile("/empty", "Z:\\nonexistent\\file.bin"));
    EXPECT_LT(engine.GetErrorCode(), -3000);
    LONG size = 5;
    EXPECT_EQ(engine.GetSelectedImagesData(list, 1, 7, &size), nullptr);
    EXPECT_EQ(engine.GetErrorCode(), -1111);
    EXPECT_EQ(engine.GetSelectedImagesData(list, 0, 0, &size), nullptr);
    EXPECT_EQ(engine.GetErrorCode(), -1034);
    EXPECT_EQ(engine.GetSelectedImagesData(nullptr, 1, 0, &size), nullptr);
    EXPECT_EQ(engine.GetErrorCode(), -1034);
    HGLOBAL data = engine.GetSelectedImagesData(list, 1, 0, &size);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(size, 5 + bmpSize);
    GlobalFree(data);
    SHORT all[1] = {-1};
    LONG allSize = 0;
    data = engine.GetSelectedImagesData(all, 1, 0, &allSize);
    ASSERT_NE(data, nullptr);
    GlobalFree(data);
    EXPECT_EQ(allSize, bmpSize);
    LONG one = 0;
    EXPECT_TRUE(engine.GetImageSizeWithSpecifiedType(0, 0, &one));
    EXPECT_EQ(one, bmpSize);
}

TEST(HttpFormFields, ReplaceAddAndFullTable) {
    EventRecorderWindow host;
    UploadEngine engine{host};
    EXPECT_TRUE(engine.SetHTTPFormField("id", "1"));
    EXPECT_TRUE(engine.SetHTTPFormField("ID", "2"));
    EXPECT_EQ(engine.HTTPFormFieldCount(), 1);
    for (int i = 1; i < kMaxHttpFormFields; ++i) {
        char name[16];
        wsprintfA(name, "f%d", i);
        ASSERT_TRUE(engine.SetHTTPFormField(name, "v"));
    }
    EXPECT_EQ(engine.HTTPFormFieldCount(), kMaxHttpFormFields);
    EXPECT_FALSE(engine.SetHTTPFormField("one-more", "v"));
    EXPECT_EQ(engine.GetErrorCode(), -1033);
    // A full table still takes a new value for a name it holds.
    EXPECT_TRUE(engine.SetHTTPFormField("Id", "3"));
    EXPECT_EQ(engine.GetErrorCode(), 0);
    engine.ClearAllHTTPFormField();
    EXPECT_EQ(engine.HTTPFormFieldCount(), 0);
    EXPECT_TRUE(engine.SetHTTPFormField("one-more", "v"));
}

}  // namespace

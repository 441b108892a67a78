// One upload, two hosts: the same transfer members called on the plug-in (through the browser
// harness) and on the control (embedded as a page embeds it) reach the loopback servers as the
// same requests and fail bad arguments with the same codes.
#include <windows.h>
#include <ole2.h>

#include "../activex/engine_test_frame.h"
#include "internet_test_support.h"

namespace {

using browser::IntVariant;

long ControlErrorCode(EmbeddedControl& control) {
    long code = 0;
    control.script->get_ErrorCode(&code);
    return code;
}

// A BSTR for one call, freed after it.
class Wide {
public:
    explicit Wide(const std::string& ascii) : m_text(SysAllocString(std::wstring(ascii.begin(), ascii.end()).c_str())) {}
    ~Wide() { SysFreeString(m_text); }
    operator BSTR() const { return m_text; }

private:
    BSTR m_text;
};

class TwoHosts : public LoopbackPlugin {
protected:
    // The same picture loaded into both hosts' buffers.
    void LoadInBoth(ILumetta* c, const std::string& path) {
        VARIANT_BOOL ok = VARIANT_FALSE;
        ASSERT_EQ(c->LoadImage(Wide(path), &ok), S_OK);
        ASSERT_EQ(ok, VARIANT_TRUE);
        ASSERT_TRUE(CallBool("LoadImage", {Text(path)}));
    }
    // The loopback FTP server's user in both hosts.
    void FtpUserInBoth(ILumetta* c) {
        c->put_FTPUserName(Wide("lumetta"));
        c->put_FTPPassword(Wide("s3cret"));
        ASSERT_TRUE(Set("FTPUserName", Text("lumetta")));
        ASSERT_TRUE(Set("FTPPassword", Text("s3cret")));
    }
    // Image 0 uploaded by HTTP POST from the control to path + "-control" and from the plug-in to
    // path + "-plugin", as the file name given.
    void PostFromBoth(EmbeddedControl& control, const std::string& path, const char* name) {
        VARIANT_BOOL ok = VARIANT_FALSE;
        ASSERT_EQ(control.script->HTTPUploadThroughPost(Wide(Server()), 0, Wide(path + "-control"), Wide(name), &ok),
                  S_OK);
        EXPECT_EQ(ok, VARIANT_TRUE) << ControlErrorCode(control);
        ASSERT_TRUE(CallBool("HTTPUploadThroughPost",
                             {Text(Server()), IntVariant(0), Text(path + "-plugin"), Text(name)}))
            << ErrorCode();
    }
    // The two files the hosts uploaded to the FTP server's folder hold the same bytes.
    void ExpectSameFtpFiles(const char* fromControl, const char* fromPlugin) {
        const std::string control = ReadWholeFile(LoopbackPath(std::string("ftp\\") + fromControl));
        EXPECT_GT(control.size(), 100u);
        EXPECT_TRUE(control == ReadWholeFile(LoopbackPath(std::string("ftp\\") + fromPlugin)));
    }
};

TEST_F(TwoHosts, TheSameUploadsReachTheServerAsTheSameRequests) {
    EmbeddedControl control;
    control.Activate();
    ILumetta* c = control.script;
    ASSERT_EQ(c->put_HTTPPort(servers.http), S_OK);
    ASSERT_EQ(c->put_FTPPort(servers.ftp), S_OK);
    ASSERT_EQ(c->put_IfShowCancelDialogWhenImageTransfer(VARIANT_FALSE), S_OK);
    ASSERT_NO_FATAL_FAILURE(LoadInBoth(c, LoopbackPath("files\\image.bmp")));
    VARIANT_BOOL ok = VARIANT_FALSE;
    for (auto [name, value] : {std::pair{"note", "two words"}, {"id", "42"}}) {
        c->SetHTTPFormField(Wide(name), Wide(value), &ok);
        ASSERT_TRUE(CallBool("SetHTTPFormField", {Text(name), Text(value)}));
    }
    ASSERT_NO_FATAL_FAILURE(FtpUserInBoth(c));

    const size_t before = RecordedRequestCount();
    ASSERT_NO_FATAL_FAILURE(PostFromBoth(control, "/empty/parity-post", "a.jpg"));
    ASSERT_EQ(c->HTTPUploadAllThroughPutAsMultiPageTIFF(Wide(Server()), Wide("/empty/parity-put-control"), &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    ASSERT_TRUE(CallBool("HTTPUploadAllThroughPutAsMultiPageTIFF", {Text(Server()), Text("/empty/parity-put-plugin")}));
    ASSERT_EQ(c->FTPUploadEx(Wide(Server()), 0, Wide("parity-control.png"), enumTW_IMAGE_TYPE(3), &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    ASSERT_TRUE(CallBool("FTPUploadEx", {Text(Server()), IntVariant(0), Text("parity-plugin.png"), IntVariant(3)}));

    for (const char* kind : {"post", "put"}) {
        SCOPED_TRACE(kind);
        auto fromControl = RecordedRequestsAfter(before, std::string("/empty/parity-") + kind + "-control");
        auto fromPlugin = RecordedRequestsAfter(before, std::string("/empty/parity-") + kind + "-plugin");
        const size_t seen = RecordedRequestCount() - before;
        ASSERT_EQ(fromControl.size(), 1u) << seen;
        ASSERT_EQ(fromPlugin.size(), 1u) << seen;
        EXPECT_GT(fromControl[0].body.size(), 1000u);
        EXPECT_TRUE(fromControl[0].body == fromPlugin[0].body);
        EXPECT_EQ(fromControl[0].Header("Content-Type"), fromPlugin[0].Header("Content-Type"));
        EXPECT_EQ(fromControl[0].Header("Content-Length"), fromPlugin[0].Header("Content-Length"));
    }
    ExpectSameFtpFiles("parity-control.png", "parity-plugin.png");
}

// A page's cookie text goes with a POST to the page's server and not on to the server a redirect
// names, in both hosts.
TEST_F(TwoHosts, CookiesStayWithTheirServerAcrossARedirect) {
    ASSERT_NE(servers.other, 0) << "the loopback servers have no second host";
    EmbeddedControl control;
    control.Activate();
    ILumetta* c = control.script;
    ASSERT_EQ(c->put_HTTPPort(servers.http), S_OK);
    ASSERT_EQ(c->put_IfShowCancelDialogWhenImageTransfer(VARIANT_FALSE), S_OK);
    ASSERT_NO_FATAL_FAILURE(LoadInBoth(c, LoopbackPath("files\\image.bmp")));
    ASSERT_EQ(c->SetCookie(Wide("session=secret42")), S_OK);
    ASSERT_TRUE(CallBool("SetCookie", {Text("session=secret42")}));
    const size_t before = RecordedRequestCount();
    ASSERT_NO_FATAL_FAILURE(PostFromBoth(control, "/redirect/307/empty/moved", "a.bmp"));
    for (const char* host : {"control", "plugin"}) {
        SCOPED_TRACE(host);
        auto asked = RecordedRequestsAfter(before, std::string("/redirect/307/empty/moved-") + host);
        auto followed = RecordedRequestsAfter(before, std::string("/empty/moved-") + host);
        ASSERT_EQ(asked.size(), 1u);
        ASSERT_EQ(followed.size(), 1u);
        EXPECT_EQ(asked[0].Header("Cookie"), "session=secret42");
        EXPECT_EQ(followed[0].Header("Host"), "127.0.0.2:" + std::to_string(servers.other));
        EXPECT_TRUE(followed[0].body == asked[0].body);
        bool found = true;
        followed[0].Header("Cookie", &found);
        EXPECT_FALSE(found);
    }
}

TEST_F(TwoHosts, BadArgumentsFailWithTheSameCodes) {
    EmbeddedControl control;
    control.Activate();
    ILumetta* c = control.script;
    VARIANT_BOOL ok = VARIANT_TRUE;
    const std::string longServer(300, 's');
    // Server too long; a name without a known extension; a type outside 0 to 4; no such image.
    c->HTTPUploadThroughPost(Wide(longServer), 0, Wide("/empty/x"), Wide("a.bmp"), &ok);
    const long longServerCode = ControlErrorCode(control);
    EXPECT_FALSE(CallBool("HTTPUploadThroughPost", {Text(longServer), IntVariant(0), Text("/empty/x"), Text("a.bmp")}));
    EXPECT_EQ(ErrorCode(), longServerCode);
    EXPECT_EQ(longServerCode, -1034);

    c->FTPUpload(Wide(Server()), 0, Wide("a.xyz"), &ok);
    EXPECT_EQ(ControlErrorCode(control), -1110);
    EXPECT_FALSE(CallBool("FTPUpload", {Text(Server()), IntVariant(0), Text("a.xyz")}));
    EXPECT_EQ(ErrorCode(), -1110);

    c->HTTPDownloadEx(Wide(Server()), Wide("/dl/image.bmp"), enumTW_IMAGE_TYPE(7), &ok);
    EXPECT_EQ(ControlErrorCode(control), -1110);
    EXPECT_FALSE(CallBool("HTTPDownloadEx", {Text(Server()), Text("/dl/image.bmp"), IntVariant(7)}));
    EXPECT_EQ(ErrorCode(), -1110);

    c->HTTPUploadThroughPut(Wide(Server()), 3, Wide("/empty/none.bmp"), &ok);
    EXPECT_EQ(ok, VARIANT_FALSE);
    const long noImageCode = ControlErrorCode(control);
    EXPECT_FALSE(CallBool("HTTPUploadThroughPut", {Text(Server()), IntVariant(3), Text("/empty/none.bmp")}));
    EXPECT_EQ(ErrorCode(), noImageCode);
    EXPECT_NE(noImageCode, 0);
}

TEST_F(TwoHosts, SecureUploadsActiveFtpAndDownloadsAgree) {
    EmbeddedControl control;
    control.Activate();
    ILumetta* c = control.script;
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(c->put_IfShowCancelDialogWhenImageTransfer(VARIANT_FALSE), S_OK);
    ASSERT_EQ(c->put_FTPPort(servers.ftp), S_OK);
    ASSERT_NO_FATAL_FAILURE(FtpUserInBoth(c));
    ASSERT_NO_FATAL_FAILURE(LoadInBoth(c, LoopbackPath("files\\image.bmp")));

    // POST over HTTPS.
    ASSERT_EQ(c->put_IfSSL(VARIANT_TRUE), S_OK);
    ASSERT_EQ(c->put_HTTPPort(servers.https), S_OK);
    ASSERT_TRUE(Set("IfSSL", browser::BoolVariant(true)));
    ASSERT_TRUE(Set("HTTPPort", IntVariant(servers.https)));
    const size_t before = RecordedRequestCount();
    ASSERT_NO_FATAL_FAILURE(PostFromBoth(control, "/empty/parity-secure", "a.png"));
    auto fromControl = RecordedRequestsAfter(before, "/empty/parity-secure-control");
    auto fromPlugin = RecordedRequestsAfter(before, "/empty/parity-secure-plugin");
    ASSERT_EQ(fromControl.size(), 1u);
    ASSERT_EQ(fromPlugin.size(), 1u);
    EXPECT_GT(fromControl[0].body.size(), 100u);
    EXPECT_TRUE(fromControl[0].body == fromPlugin[0].body);

    // FTP in active mode, both ways.
    ASSERT_EQ(c->put_IfPASVMode(VARIANT_FALSE), S_OK);
    ASSERT_TRUE(Set("IfPASVMode", browser::BoolVariant(false)));
    ASSERT_EQ(c->FTPUpload(Wide(Server()), 0, Wide("parity-active-control.bmp"), &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE) << ControlErrorCode(control);
    ASSERT_TRUE(CallBool("FTPUpload", {Text(Server()), IntVariant(0), Text("parity-active-plugin.bmp")})) << ErrorCode();
    ExpectSameFtpFiles("parity-active-control.bmp", "parity-active-plugin.bmp");
    ASSERT_EQ(c->FTPDownloadEx(Wide(Server()), Wide("image.png"), enumTW_IMAGE_TYPE(3), &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE) << ControlErrorCode(control);
    ASSERT_TRUE(CallBool("FTPDownloadEx", {Text(Server()), Text("image.png"), IntVariant(3)})) << ErrorCode();

    // An HTTPS download into the buffer, and a missing file failing with the same code.
    ASSERT_EQ(c->HTTPDownloadEx(Wide(Server()), Wide("/dl/image.jpg"), enumTW_IMAGE_TYPE(1), &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE) << ControlErrorCode(control);
    ASSERT_TRUE(CallBool("HTTPDownloadEx", {Text(Server()), Text("/dl/image.jpg"), IntVariant(1)})) << ErrorCode();
    short controlCount = 0;
    c->get_HowManyImagesInBuffer(&controlCount);
    EXPECT_EQ(controlCount, 3);
    EXPECT_EQ(Count(), controlCount);
    c->HTTPDownloadEx(Wide(Server()), Wide("/dl/missing.jpg"), enumTW_IMAGE_TYPE(1), &ok);
    const long missing = ControlErrorCode(control);
    EXPECT_FALSE(CallBool("HTTPDownloadEx", {Text(Server()), Text("/dl/missing.jpg"), IntVariant(1)}));
    EXPECT_EQ(ErrorCode(), missing);
    EXPECT_EQ(missing, -2003);
    // A body shorter than its length fails with the failed read's own code (-3000 - n), not -2003.
    c->HTTPDownloadEx(Wide(Server()), Wide("/dl/short/image.bmp"), enumTW_IMAGE_TYPE(0), &ok);
    const long shortBody = ControlErrorCode(control);
    EXPECT_FALSE(CallBool("HTTPDownloadEx", {Text(Server()), Text("/dl/short/image.bmp"), IntVariant(0)}));
    EXPECT_EQ(ErrorCode(), shortBody);
    EXPECT_LE(shortBody, -3000);
}

}  // namespace

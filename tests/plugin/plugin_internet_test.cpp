// The plug-in's transfer members as a page calls them, against the loopback HTTP and FTP servers:
// what arrives is compared with the file the plug-in saves locally, with the bytes the test wrote
// itself and with Pillow's decode of the served pictures; downloads with the sizes the served
// files were made at; credentials with the system's Base64 decoder.
#include <windows.h>

#include "internet_test_support.h"

namespace {

using browser::BoolVariant;
using browser::IntVariant;
using browser::PageObject;
using browser::PageValue;

// The served picture (testdoubles/loopback_servers/download_files.py makes it 64 x 48).
constexpr int kServedWidth = 64;
constexpr int kServedHeight = 48;

class InternetMembers : public LoopbackPlugin {
protected:
    void LoadServedBmp() {
        ASSERT_TRUE(CallBool("LoadImage", {Text(LoopbackPath("files\\image.bmp"))})) << ErrorCode();
    }
    // The bytes of a file the plug-in saves of the buffer with a save member.
    std::string SavedByPlugin(const char* member, const char* extension, bool withIndex = true) {
        const std::string path = FreshTempPath(extension);
        std::vector<NPVariant> args{Text(path)};
        if (withIndex) args.push_back(IntVariant(0));
        EXPECT_TRUE(CallBool(member, std::move(args))) << member << " " << ErrorCode();
        std::string bytes = ReadWholeFile(path);
        DeleteFileA(path.c_str());
        return bytes;
    }
    // The one request recorded for a path since `before`.
    RecordedRequest OnlyRequest(size_t before, const std::string& path) {
        auto requests = RecordedRequestsAfter(before, path);
        EXPECT_EQ(requests.size(), 1u) << path;
        return requests.empty() ? RecordedRequest{} : requests[0];
    }
    int32_t ImageWidth(int index) {
        Call("GetImageWidth", {IntVariant(index)});
        return static_cast<int32_t>(result.value.doubleValue);
    }
    int32_t ImageHeight(int index) {
        Call("GetImageHeight", {IntVariant(index)});
        return static_cast<int32_t>(result.value.doubleValue);
    }
};

TEST_F(InternetMembers, CredentialsAndTheProxyKeepAtMost256Characters) {
    const char* names[] = {"FTPUserName", "FTPPassword", "ProxyServer", "HTTPUserName", "HTTPPassword"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(GetText(name), "");
        ASSERT_TRUE(Set(name, Text(std::string(300, 'u'))));
        EXPECT_EQ(ErrorCode(), 0);
        EXPECT_EQ(GetText(name), std::string(256, 'u'));
        ASSERT_TRUE(Set(name, Text(std::string(256, 'v'))));
        EXPECT_EQ(GetText(name), std::string(256, 'v'));
        // One byte a character in the system code page, two in UTF-8 at the page.
        std::string accented;
        for (int i = 0; i < 300; ++i) accented += "\xC3\xA9";
        ASSERT_TRUE(Set(name, Text(accented)));
        EXPECT_EQ(GetText(name), accented.substr(0, 512));
        ASSERT_TRUE(Set(name, Text("")));
        EXPECT_EQ(GetText(name), "");
    }
}

using TransferSettings = ScriptObject;

TEST_F(TransferSettings, DefaultsAreThoseAPageFinds) {
    EXPECT_FALSE(Get("IfSSL").value.boolValue);
    EXPECT_TRUE(Get("IfPASVMode").value.boolValue);
    EXPECT_TRUE(Get("IfShowCancelDialogWhenImageTransfer").value.boolValue);
    EXPECT_FALSE(Get("AllowPluginAuthentication").value.boolValue);
    EXPECT_EQ(Get("MaxUploadImageSize").value.intValue, -1);
    EXPECT_EQ(Get("InternetSendTimeout").value.intValue, 0);
    EXPECT_EQ(Get("InternetReceiveTimeout").value.intValue, 0);
    EXPECT_EQ(Get("HTTPPort").value.intValue, 80);
    EXPECT_EQ(Get("FTPPort").value.intValue, 21);
    EXPECT_EQ(GetText("HttpFieldNameOfUploadedImage"), "RemoteFile");
    EXPECT_EQ(GetText("HTTPPostResponseString"), "");
}

TEST_F(InternetMembers, SettingsReadBackWhatWasSet) {
    for (const char* flag : {"IfSSL", "IfPASVMode", "IfShowCancelDialogWhenImageTransfer", "AllowPluginAuthentication"}) {
        SCOPED_TRACE(flag);
        ASSERT_TRUE(Set(flag, BoolVariant(true)));
        NPVariant v = Get(flag);
        EXPECT_EQ(v.type, NPVariantType_Bool);
        EXPECT_TRUE(v.value.boolValue);
        ASSERT_TRUE(Set(flag, BoolVariant(false)));
        EXPECT_FALSE(Get(flag).value.boolValue);
    }
    struct {
        const char* name;
        int32_t value;
    } numbers[] = {{"MaxUploadImageSize", 123456}, {"InternetSendTimeout", 30}, {"InternetReceiveTimeout", 0x7FFFFFFF}};
    for (const auto& n : numbers) {
        ASSERT_TRUE(Set(n.name, IntVariant(n.value)));
        NPVariant v = Get(n.name);
        EXPECT_EQ(v.type, NPVariantType_Int32) << n.name;
        EXPECT_EQ(v.value.intValue, n.value) << n.name;
    }

    ASSERT_TRUE(Set("HttpFieldNameOfUploadedImage", Text("scan")));
    EXPECT_EQ(GetText("HttpFieldNameOfUploadedImage"), "scan");
    ASSERT_TRUE(Set("HttpFieldNameOfUploadedImage", Text(std::string(512, 'f'))));
    EXPECT_EQ(ErrorCode(), -1034);
    EXPECT_EQ(GetText("HttpFieldNameOfUploadedImage"), "scan");
}

TEST_F(InternetMembers, PostCarriesTheFormFieldsAndTheFileSavedLocally) {
    LoadServedBmp();
    ASSERT_TRUE(CallBool("SetHTTPFormField", {Text("note"), Text("two words")}));
    ASSERT_TRUE(CallBool("SetHTTPFormField", {Text("id"), Text("42")}));
    ASSERT_TRUE(Set("HttpFieldNameOfUploadedImage", Text("scan")));
    const size_t before = RecordedRequestCount();
    // A server that answers with text fails the upload (-2003) and the page reads the text.
    EXPECT_FALSE(CallBool("HTTPUploadThroughPost", {Text(Server()), IntVariant(0), Text("/ok/plugin-post"),
                                                    Text("picture.bmp")}));
    EXPECT_EQ(ErrorCode(), -2003);
    EXPECT_EQ(GetText("HTTPPostResponseString"), "OK");

    const RecordedRequest request = OnlyRequest(before, "/ok/plugin-post");
    EXPECT_EQ(request.requestLine, "POST /ok/plugin-post HTTP/1.1");
    const std::vector<FormPart> parts = SplitMultipart(request);
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(QuotedParameter(parts[0].disposition, "name"), "note");
    EXPECT_EQ(parts[0].content, "two words");
    EXPECT_EQ(QuotedParameter(parts[1].disposition, "name"), "id");
    EXPECT_EQ(parts[1].content, "42");
    EXPECT_EQ(QuotedParameter(parts[2].disposition, "name"), "scan");
    EXPECT_EQ(QuotedParameter(parts[2].disposition, "filename"), "picture.bmp");
    // The file part is the file SaveAsBMP writes, and its pixels are Pillow's.
    EXPECT_TRUE(parts[2].content == SavedByPlugin("SaveAsBMP", ".bmp")) << parts[2].content.size() << " bytes";
    EXPECT_TRUE(BmpRgbRows(parts[2].content) == ReadWholeFile(LoopbackPath("files\\image.rgb")));

    // The other image types by their Ex member and by the file name's extension.
    const size_t second = RecordedRequestCount();
    ASSERT_TRUE(CallBool("HTTPUploadThroughPostEx", {Text(Server()), IntVariant(0), Text("/empty/plugin-post-png"),
                                                     Text("x.bin"), IntVariant(3)}));
    ASSERT_TRUE(CallBool("HTTPUploadThroughPost", {Text(Server()), IntVariant(0), Text("/empty/plugin-post-jpg"),
                                                   Text("x.jpg")}));
    const auto png = SplitMultipart(OnlyRequest(second, "/empty/plugin-post-png"));
    const auto jpg = SplitMultipart(OnlyRequest(second, "/empty/plugin-post-jpg"));
    ASSERT_EQ(png.size(), 3u);
    ASSERT_EQ(jpg.size(), 3u);
    EXPECT_TRUE(png[2].content == SavedByPlugin("SaveAsPNG", ".png"));
    EXPECT_TRUE(jpg[2].content == SavedByPlugin("SaveAsJPEG", ".jpg"));
}

TEST_F(InternetMembers, PutSendsTheBareFileOfEveryShape) {
    LoadServedBmp();
    ASSERT_TRUE(CallBool("LoadImage", {Text(LoopbackPath("files\\image.png"))}));
    const size_t before = RecordedRequestCount();
    ASSERT_TRUE(CallBool("HTTPUploadThroughPut", {Text(Server()), IntVariant(1), Text("/empty/plugin-put.png")}));
    ASSERT_TRUE(CallBool("HTTPUploadThroughPutEx", {Text(Server()), IntVariant(0), Text("/empty/plugin-put-ex"),
                                                    IntVariant(0)}));
    ASSERT_TRUE(CallBool("HTTPUploadAllThroughPutAsMultiPageTIFF", {Text(Server()), Text("/empty/plugin-put.tif")}));
    ASSERT_TRUE(CallBool("HTTPUploadAllThroughPutAsPDF", {Text(Server()), Text("/empty/plugin-put.pdf")}));
    const std::string known = LoopbackPath("files\\known.bin");
    ASSERT_TRUE(CallBool("HTTPUploadThroughPutDirectly", {Text(Server()), Text(known), Text("/empty/plugin-put.bin")}));

    const RecordedRequest png = OnlyRequest(before, "/empty/plugin-put.png");
    EXPECT_EQ(png.requestLine, "PUT /empty/plugin-put.png HTTP/1.1");
    const std::string savedPng = [&] {
        const std::string path = FreshTempPath(".png");
        EXPECT_TRUE(CallBool("SaveAsPNG", {Text(path), IntVariant(1)}));
        std::string bytes = ReadWholeFile(path);
        DeleteFileA(path.c_str());
        return bytes;
    }();
    EXPECT_TRUE(png.body == savedPng);
    const RecordedRequest bmp = OnlyRequest(before, "/empty/plugin-put-ex");
    EXPECT_TRUE(BmpRgbRows(bmp.body) == ReadWholeFile(LoopbackPath("files\\image.rgb")));
    EXPECT_TRUE(bmp.body == SavedByPlugin("SaveAsBMP", ".bmp"));
    // Both pages in one TIFF file, each at the served size.
    const std::vector<std::pair<uint32_t, uint32_t>> pages = TiffPageSizes(OnlyRequest(before, "/empty/plugin-put.tif").body);
    ASSERT_EQ(pages.size(), 2u);
    for (const auto& [width, height] : pages) {
        EXPECT_EQ(width, static_cast<uint32_t>(kServedWidth));
        EXPECT_EQ(height, static_cast<uint32_t>(kServedHeight));
    }
    const std::string pdf = OnlyRequest(before, "/empty/plugin-put.pdf").body;
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    EXPECT_NE(pdf.find("%%EOF", pdf.size() > 32 ? pdf.size() - 32 : 0), std::string::npos);
    EXPECT_TRUE(OnlyRequest(before, "/empty/plugin-put.bin").body == ReadWholeFile(known));
}

TEST_F(InternetMembers, FtpCarriesTheCredentialsBothWays) {
    LoadServedBmp();
    ASSERT_TRUE(Set("FTPUserName", Text("lumetta")));
    ASSERT_TRUE(Set("FTPPassword", Text("s3cret")));
    const std::string uploaded = LoopbackPath("ftp\\plugin-ftp.bmp");
    DeleteFileA(uploaded.c_str());
    ASSERT_TRUE(CallBool("FTPUpload", {Text(Server()), IntVariant(0), Text("plugin-ftp.bmp")})) << ErrorCode();
    EXPECT_TRUE(ReadWholeFile(uploaded) == SavedByPlugin("SaveAsBMP", ".bmp"));
    const std::string known = LoopbackPath("files\\known.bin");
    ASSERT_TRUE(CallBool("FTPUploadDirectly", {Text(Server()), Text(known), Text("plugin-direct.bin")})) << ErrorCode();
    EXPECT_TRUE(ReadWholeFile(LoopbackPath("ftp\\plugin-direct.bin")) == ReadWholeFile(known));

    // Downloads: into the buffer at the served size, and into a file byte for byte.
    ASSERT_TRUE(CallBool("FTPDownload", {Text(Server()), Text("image.png")})) << ErrorCode();
    ASSERT_EQ(Count(), 2);
    EXPECT_EQ(ImageWidth(1), kServedWidth);
    EXPECT_EQ(ImageHeight(1), kServedHeight);
    const std::string local = FreshTempPath(".bin");
    ASSERT_TRUE(CallBool("FTPDownloadDirectly", {Text(Server()), Text("known.bin"), Text(local)}));
    EXPECT_TRUE(ReadWholeFile(local) == ReadWholeFile(known));
    DeleteFileA(local.c_str());

    // A wrong password reaches the server and is refused there.
    ASSERT_TRUE(Set("FTPPassword", Text("wrong")));
    EXPECT_FALSE(CallBool("FTPUpload", {Text(Server()), IntVariant(0), Text("plugin-refused.bmp")}));
    EXPECT_NE(ErrorCode(), 0);
    EXPECT_EQ(GetFileAttributesA(LoopbackPath("ftp\\plugin-refused.bmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

class DownloadEvents : public InternetMembers {
protected:
    browser::Attributes EmbedAttributes() const override { return {{"OnBitmapChanged", "changed"}}; }
};

TEST_F(DownloadEvents, DownloadsLoadTheServedImagesAndRefuseHostileAnswers) {
    PageObject* changed = browser_->GetPage().AddFunction("changed");
    ASSERT_TRUE(CallBool("HTTPDownload", {Text(Server()), Text("/dl/image.jpg")})) << ErrorCode();
    ASSERT_EQ(Count(), 1);
    EXPECT_EQ(ImageWidth(0), kServedWidth);
    EXPECT_EQ(ImageHeight(0), kServedHeight);
    // Two pages, one change reported to the page.
    const size_t changes = changed->calls.size();
    ASSERT_TRUE(CallBool("HTTPDownloadEx", {Text(Server()), Text("/dl/pages.tif"), IntVariant(2)})) << ErrorCode();
    EXPECT_EQ(Count(), 3);
    EXPECT_EQ(changed->calls.size(), changes + 1);
    const std::string local = FreshTempPath(".bin");
    ASSERT_TRUE(CallBool("HTTPDownloadDirectly", {Text(Server()), Text("/dl/known.bin"), Text(local)}));
    EXPECT_TRUE(ReadWholeFile(local) == ReadWholeFile(LoopbackPath("files\\known.bin")));
    DeleteFileA(local.c_str());

    // A body shorter than its length, a length past what the engine takes, a missing file.
    EXPECT_FALSE(CallBool("HTTPDownload", {Text(Server()), Text("/dl/short/image.bmp")}));
    EXPECT_LE(ErrorCode(), -3000);
    EXPECT_FALSE(CallBool("HTTPDownloadEx", {Text(Server()), Text("/dl/huge"), IntVariant(0)}));
    EXPECT_EQ(ErrorCode(), -1002);
    EXPECT_FALSE(CallBool("HTTPDownload", {Text(Server()), Text("/dl/missing.bmp")}));
    EXPECT_NE(ErrorCode(), 0);
    EXPECT_EQ(Count(), 3);
    EXPECT_EQ(changed->calls.size(), changes + 1);
}

TEST_F(InternetMembers, BadArgumentsAreRefusedBeforeAnyRequest) {
    LoadServedBmp();
    const size_t before = RecordedRequestCount();
    const std::string longServer(300, 's');
    EXPECT_FALSE(CallBool("HTTPUploadThroughPost", {Text(longServer), IntVariant(0), Text("/empty/bad"), Text("a.bmp")}));
    EXPECT_EQ(ErrorCode(), -1034);
    EXPECT_FALSE(CallBool("HTTPUploadThroughPut", {Text(Server()), IntVariant(0), Text("/empty/" + std::string(600, 'r'))}));
    EXPECT_EQ(ErrorCode(), -1034);
    EXPECT_FALSE(CallBool("HTTPUploadThroughPost", {Text(Server()), IntVariant(0), Text("/empty/bad"), Text("noext")}));
    EXPECT_EQ(ErrorCode(), -1110);
    EXPECT_FALSE(CallBool("HTTPUploadThroughPutEx", {Text(Server()), IntVariant(0), Text("/empty/bad"), IntVariant(9)}));
    EXPECT_EQ(ErrorCode(), -1110);
    EXPECT_FALSE(CallBool("FTPUpload", {Text(Server()), IntVariant(0), Text("picture.xyz")}));
    EXPECT_EQ(ErrorCode(), -1110);
    EXPECT_FALSE(CallBool("HTTPDownload", {Text(Server()), Text("/dl/image")}));
    EXPECT_EQ(ErrorCode(), -1110);
    EXPECT_FALSE(CallBool("HTTPUploadThroughPut", {Text(Server()), IntVariant(5), Text("/empty/bad.bmp")}));
    EXPECT_EQ(ErrorCode(), -1033);
    EXPECT_FALSE(CallBool("BindSSLCertEx", {Text(std::string(1100, 'k'))}));
    EXPECT_EQ(ErrorCode(), -1034);
    EXPECT_FALSE(CallBool("BindSSLCert", {Text("CN=Nobody Here"), Text("01")}));
    EXPECT_EQ(ErrorCode(), -2114);
    EXPECT_TRUE(RecordedRequestsAfter(before, "/empty/bad").empty());
    EXPECT_TRUE(RecordedRequestsAfter(before, "/empty/bad.bmp").empty());
}

TEST_F(InternetMembers, CookieTextReachesPostsWhenTheBrowserHasNoCookieService) {
    LoadServedBmp();
    ASSERT_TRUE(CallBool("SetCookie", {Text("session=abc; theme=dark")}));
    ASSERT_TRUE(CallBool("SetCookie", {Text("")}));  // an empty text keeps the cookie
    EXPECT_FALSE(CallBool("SetCookie", {Text("x=1\r\nX-Injected: 1")}));
    EXPECT_EQ(ErrorCode(), -1034);
    const size_t before = RecordedRequestCount();
    ASSERT_TRUE(CallBool("HTTPUploadThroughPost", {Text(Server()), IntVariant(0), Text("/empty/plugin-cookie"),
                                                   Text("a.bmp")}));
    ASSERT_TRUE(CallBool("HTTPUploadThroughPut", {Text(Server()), IntVariant(0), Text("/empty/plugin-cookie.bmp")}));
    const RecordedRequest post = OnlyRequest(before, "/empty/plugin-cookie");
    EXPECT_EQ(post.Header("Cookie"), "session=abc; theme=dark");
    bool found = true;
    post.Header("X-Injected", &found);
    EXPECT_FALSE(found);
    OnlyRequest(before, "/empty/plugin-cookie.bmp").Header("Cookie", &found);
    EXPECT_FALSE(found) << "only POST uploads carry cookies";
}

TEST_F(InternetMembers, HttpCredentialsReachTheServer) {
    ASSERT_TRUE(Set("HTTPUserName", Text("alice")));
    ASSERT_TRUE(Set("HTTPPassword", Text("pass:word")));
    const size_t before = RecordedRequestCount();
    EXPECT_FALSE(CallBool("HTTPDownloadEx", {Text(Server()), Text("/401"), IntVariant(0)}));
    std::string credentials;
    for (const RecordedRequest& r : RecordedRequestsAfter(before, "/401")) {
        const std::string value = r.Header("Authorization");
        if (value.compare(0, 6, "Basic ") == 0) credentials = SystemBase64Decode(value.substr(6));
    }
    EXPECT_EQ(credentials, "alice:pass:word");
}

// A page whose percentage function acts while a transfer runs.
class PercentagePage : public InternetMembers {
protected:
    browser::Attributes EmbedAttributes() const override {
        return {{"OnInternetTransferPercentage", "progress"}};
    }
    void SetUp() override {
        InternetMembers::SetUp();
        progress = browser_->GetPage().AddFunction("progress");
        // A body the slow path reads for several seconds.
        bigFile = FreshTempPath(".bin");
        const std::string bytes(2 << 20, 'p');
        HANDLE f = CreateFileA(bigFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(f);
    }
    void TearDown() override {
        DeleteFileA(bigFile.c_str());
        InternetMembers::TearDown();
    }
    // A call the page function makes on the plug-in; its result and the error code it read.
    bool NestedCall(const char* name, std::vector<NPVariant> args, int32_t* code) {
        NPVariant r = browser::VoidVariant();
        object->_class->invoke(object, browser::StringIdentifier(name), args.data(),
                               static_cast<uint32_t>(args.size()), &r);
        for (NPVariant& v : args) browser::ReleaseVariantValue(&v);
        const bool ok = r.type == NPVariantType_Bool && r.value.boolValue;
        browser::ReleaseVariantValue(&r);
        NPVariant c = Get("ErrorCode");
        *code = c.value.intValue;
        return ok;
    }
    int LastPercent() const {
        return progress->calls.empty() || progress->calls.back().empty()
                   ? -1
                   : static_cast<int>(progress->calls.back()[0].Number());
    }

    PageObject* progress = nullptr;
    std::string bigFile;
};

TEST_F(PercentagePage, CancelFromThePercentageFunctionStopsASlowUpload) {
    // The harness presses the buttons of every dialog its thread shows within 200 ms, as an
    // impatient user would: a transfer that must run to its end goes without the dialog.
    for (bool dialog : {true, false}) {
        SCOPED_TRACE(dialog);
        ASSERT_TRUE(Set("IfShowCancelDialogWhenImageTransfer", BoolVariant(dialog)));
        progress->calls.clear();
        progress->body = [this](const std::vector<PageValue>&) {
            EXPECT_TRUE(Set("IfCancelTransfer", BoolVariant(true)));
            return PageValue();
        };
        const DWORD start = GetTickCount();
        EXPECT_FALSE(CallBool("HTTPUploadThroughPutDirectly", {Text(Server()), Text(bigFile), Text("/slow/plugin-cancel")}));
        EXPECT_EQ(ErrorCode(), -1032);
        EXPECT_LT(GetTickCount() - start, 30000u);
        ASSERT_FALSE(progress->calls.empty());
        EXPECT_LT(LastPercent(), 100);
        // The next transfer starts uncancelled and runs to its end.
        ASSERT_TRUE(Set("IfShowCancelDialogWhenImageTransfer", BoolVariant(false)));
        progress->body = nullptr;
        progress->calls.clear();
        ASSERT_TRUE(CallBool("HTTPUploadThroughPutDirectly", {Text(Server()), Text(bigFile), Text("/empty/plugin-after")}))
            << ErrorCode();
        EXPECT_EQ(LastPercent(), 100);
    }
}

TEST_F(PercentagePage, TransfersFromTheHandlerOfARunningOneAreRefused) {
    LoadServedBmp();
    ASSERT_TRUE(Set("IfShowCancelDialogWhenImageTransfer", BoolVariant(false)));
    std::vector<std::pair<bool, int32_t>> nested;
    progress->body = [&](const std::vector<PageValue>&) {
        if (nested.empty()) {
            int32_t code = 0;
            bool ok = NestedCall("HTTPUploadThroughPost",
                                 {Text(Server()), IntVariant(0), Text("/empty/plugin-nested"), Text("a.bmp")}, &code);
            nested.emplace_back(ok, code);
            ok = NestedCall("FTPUploadDirectly", {Text(Server()), Text(bigFile), Text("nested.bin")}, &code);
            nested.emplace_back(ok, code);
            ok = NestedCall("HTTPDownload", {Text(Server()), Text("/dl/image.bmp")}, &code);
            nested.emplace_back(ok, code);
        }
        return PageValue();
    };
    const size_t before = RecordedRequestCount();
    ASSERT_TRUE(CallBool("HTTPUploadThroughPutDirectly", {Text(Server()), Text(bigFile), Text("/empty/plugin-outer")}))
        << ErrorCode();
    EXPECT_EQ(ErrorCode(), 0);
    ASSERT_EQ(nested.size(), 3u);
    for (const auto& [ok, code] : nested) {
        EXPECT_FALSE(ok);
        EXPECT_EQ(code, -2121);
    }
    EXPECT_TRUE(RecordedRequestsAfter(before, "/empty/plugin-nested").empty());
    EXPECT_EQ(Count(), 1);
    EXPECT_EQ(OnlyRequest(before, "/empty/plugin-outer").body.size(), 2u << 20);
}

}  // namespace

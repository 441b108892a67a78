// The plug-in's transfer members in every shape a page reaches them: all images, the selected
// ones, one image of a type the page names, a local file; HTTPS when IfSSL is set, FTP in passive
// and active mode, timeouts given in seconds, client certificates bound from the user's store.
// Pages are counted by readers of the test's own.
#include <windows.h>

#include "internet_test_support.h"

namespace {

using browser::BoolVariant;
using browser::IntVariant;

// A 24-bit bottom-up BMP of the given size with a pattern, as the format describes it.
std::vector<unsigned char> PatternBmp(int width, int height) {
    const int stride = (width * 3 + 3) / 4 * 4;
    std::vector<unsigned char> b{'B', 'M'};
    auto le = [&b](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    le(54 + stride * height, 4), le(0, 4), le(54, 4);
    le(40, 4), le(width, 4), le(height, 4), le(1, 2), le(24, 2), le(0, 4), le(stride * height, 4);
    le(2835, 4), le(2835, 4), le(0, 4), le(0, 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < stride; ++x) b.push_back(static_cast<unsigned char>(x * 7 + y * 3));
    return b;
}

// The page objects of a PDF file: "/Type /Page" (any white space, not "/Pages").
int PdfPageCount(const std::string& pdf) {
    int pages = 0;
    for (size_t at = pdf.find("/Type"); at != std::string::npos; at = pdf.find("/Type", at + 1)) {
        size_t p = pdf.find_first_not_of(" \t\r\n", at + 5);
        if (p != std::string::npos && pdf.compare(p, 5, "/Page") == 0 && (p + 5 >= pdf.size() || pdf[p + 5] != 's'))
            ++pages;
    }
    return pdf.compare(0, 5, "%PDF-") == 0 ? pages : -1;
}

using Pages = std::vector<std::pair<uint32_t, uint32_t>>;

// Two images of their own sizes in the buffer; the viewer selects the one loaded last.
class TransferRoutes : public LoopbackPlugin {
protected:
    void SetUp() override {
        LoopbackPlugin::SetUp();
        ASSERT_TRUE(Set("FTPUserName", Text("lumetta")));
        ASSERT_TRUE(Set("FTPPassword", Text("s3cret")));
        for (auto [width, height] : {std::pair(40, 30), std::pair(24, 16)}) {
            const std::vector<unsigned char> bmp = PatternBmp(width, height);
            ASSERT_TRUE(CallBool("LoadImageFromBytes",
                                 {IntVariant(static_cast<int32_t>(bmp.size())), Array(bmp), IntVariant(0)}))
                << ErrorCode();
        }
        ASSERT_EQ(Count(), 2);
    }
    // What a save member writes, read back.
    std::string Saved(const char* member, const char* extension, std::vector<NPVariant> more = {}) {
        const std::string path = FreshTempPath(extension);
        std::vector<NPVariant> args{Text(path)};
        for (NPVariant& v : more) args.push_back(v);
        EXPECT_TRUE(CallBool(member, std::move(args))) << member << " " << ErrorCode();
        std::string bytes = ReadWholeFile(path);
        DeleteFileA(path.c_str());
        return bytes;
    }
    std::string FtpFile(const std::string& name) { return ReadWholeFile(LoopbackPath("ftp\\" + name)); }
    std::string Put(size_t before, const std::string& path) {
        auto requests = RecordedRequestsAfter(before, path);
        EXPECT_EQ(requests.size(), 1u) << path;
        return requests.empty() ? std::string() : requests[0].body;
    }
    // The file part of the one POST to the path, checked for the name the page gave it.
    std::string Posted(size_t before, const std::string& path, const std::string& fileName) {
        auto requests = RecordedRequestsAfter(before, path);
        EXPECT_EQ(requests.size(), 1u) << path;
        if (requests.empty()) return {};
        const std::vector<FormPart> parts = SplitMultipart(requests[0]);
        if (parts.empty()) return {};
        EXPECT_EQ(QuotedParameter(parts.back().disposition, "filename"), fileName) << path;
        return parts.back().content;
    }
    int32_t WidthOf(int index) {
        Call("GetImageWidth", {IntVariant(index)});
        return static_cast<int32_t>(result.value.doubleValue);
    }

    const Pages both{{40, 30}, {24, 16}};
};

TEST_F(TransferRoutes, AllImagesTravelAsOneFile) {
    const size_t before = RecordedRequestCount();
    const std::string s = Server();
    ASSERT_TRUE(CallBool("FTPUploadAllAsMultiPageTIFF", {Text(s), Text("routes-all.tif")})) << ErrorCode();
    ASSERT_TRUE(CallBool("FTPUploadAllAsPDF", {Text(s), Text("routes-all.pdf")})) << ErrorCode();
    ASSERT_TRUE(CallBool("HTTPUploadAllThroughPostAsMultiPageTIFF",
                         {Text(s), Text("/empty/routes-post-all-tif"), Text("all.tif")}));
    ASSERT_TRUE(CallBool("HTTPUploadAllThroughPostAsPDF", {Text(s), Text("/empty/routes-post-all-pdf"), Text("all.pdf")}));
    const std::string tiff = FtpFile("routes-all.tif");
    EXPECT_EQ(TiffPageSizes(tiff), both);
    EXPECT_TRUE(Posted(before, "/empty/routes-post-all-tif", "all.tif") == tiff);
    EXPECT_EQ(PdfPageCount(FtpFile("routes-all.pdf")), 2);
    EXPECT_EQ(PdfPageCount(Posted(before, "/empty/routes-post-all-pdf", "all.pdf")), 2);
}

TEST_F(TransferRoutes, TheSelectedImagesTravelAsOneFile) {
    // The viewer selects the image shown last: the second one.
    const size_t before = RecordedRequestCount();
    const std::string s = Server();
    ASSERT_TRUE(CallBool("FTPUploadAsMultiPageTIFF", {Text(s), Text("routes-selected.tif")})) << ErrorCode();
    ASSERT_TRUE(CallBool("FTPUploadAsMultiPagePDF", {Text(s), Text("routes-selected.pdf")})) << ErrorCode();
    ASSERT_TRUE(CallBool("HTTPUploadThroughPutAsMultiPageTIFF", {Text(s), Text("/empty/routes-put-selected.tif")}));
    ASSERT_TRUE(CallBool("HTTPUploadThroughPutAsMultiPagePDF", {Text(s), Text("/empty/routes-put-selected.pdf")}));
    ASSERT_TRUE(CallBool("HTTPUploadThroughPostAsMultiPageTIFF",
                         {Text(s), Text("/empty/routes-post-selected-tif"), Text("selected.tif")}));
    ASSERT_TRUE(CallBool("HTTPUploadThroughPostAsMultiPagePDF",
                         {Text(s), Text("/empty/routes-post-selected-pdf"), Text("selected.pdf")}));

    const std::string tiff = FtpFile("routes-selected.tif");
    EXPECT_EQ(TiffPageSizes(tiff), Pages({{24, 16}}));
    EXPECT_TRUE(Put(before, "/empty/routes-put-selected.tif") == tiff);
    EXPECT_TRUE(Posted(before, "/empty/routes-post-selected-tif", "selected.tif") == tiff);
    const std::string pdf = FtpFile("routes-selected.pdf");
    EXPECT_EQ(PdfPageCount(pdf), 1);
    EXPECT_EQ(PdfPageCount(Put(before, "/empty/routes-put-selected.pdf")), 1);
    EXPECT_EQ(PdfPageCount(Posted(before, "/empty/routes-post-selected-pdf", "selected.pdf")), 1);
}

TEST_F(TransferRoutes, TheExMembersTakeTheTypeAndTheDirectOnesAFile) {
    const std::string png = Saved("SaveAsPNG", ".png", {IntVariant(1)});
    ASSERT_TRUE(CallBool("FTPUploadEx", {Text(Server()), IntVariant(1), Text("routes-ex.bin"), IntVariant(3)}))
        << ErrorCode();
    EXPECT_TRUE(FtpFile("routes-ex.bin") == png);
    EXPECT_FALSE(CallBool("FTPUploadEx", {Text(Server()), IntVariant(1), Text("routes-bad.bin"), IntVariant(5)}));
    EXPECT_EQ(ErrorCode(), -1110);

    const std::string known = LoopbackPath("files\\known.bin");
    const size_t before = RecordedRequestCount();
    ASSERT_TRUE(CallBool("HTTPUploadThroughPostDirectly",
                         {Text(Server()), Text(known), Text("/empty/routes-post-direct"), Text("known.bin")}))
        << ErrorCode();
    EXPECT_TRUE(Posted(before, "/empty/routes-post-direct", "known.bin") == ReadWholeFile(known));
    // A local file that is not there sends nothing.
    EXPECT_FALSE(CallBool("HTTPUploadThroughPostDirectly",
                          {Text(Server()), Text(known + ".missing"), Text("/empty/routes-post-missing"), Text("m.bin")}));
    EXPECT_NE(ErrorCode(), 0);
    EXPECT_TRUE(RecordedRequestsAfter(before, "/empty/routes-post-missing").empty());

    // The type given wins over the name: a PNG asked for as PNG under a JPEG name.
    ASSERT_TRUE(CallBool("FTPDownloadEx", {Text(Server()), Text("image.png"), IntVariant(3)})) << ErrorCode();
    ASSERT_EQ(Count(), 3);
    EXPECT_EQ(WidthOf(2), 64);
}

TEST_F(TransferRoutes, FtpRunsInPassiveAndActiveMode) {
    for (bool passive : {true, false}) {
        SCOPED_TRACE(passive);
        ASSERT_TRUE(Set("IfPASVMode", BoolVariant(passive)));
        EXPECT_EQ(Get("IfPASVMode").value.boolValue, passive);
        const std::string name = passive ? "routes-passive.bmp" : "routes-active.bmp";
        ASSERT_TRUE(CallBool("FTPUpload", {Text(Server()), IntVariant(0), Text(name)})) << ErrorCode();
        EXPECT_TRUE(FtpFile(name) == Saved("SaveAsBMP", ".bmp", {IntVariant(0)}));
        const int32_t count = Count();
        ASSERT_TRUE(CallBool("FTPDownload", {Text(Server()), Text(name)})) << ErrorCode();
        ASSERT_EQ(Count(), count + 1);
        EXPECT_EQ(WidthOf(count), 40);
    }
}

TEST_F(TransferRoutes, IfSslSendsToTheHttpsServer) {
    ASSERT_TRUE(Set("IfSSL", BoolVariant(true)));
    ASSERT_TRUE(Set("HTTPPort", IntVariant(servers.https)));
    const size_t before = RecordedRequestCount();
    ASSERT_TRUE(CallBool("HTTPUploadThroughPost", {Text(Server()), IntVariant(0), Text("/empty/routes-secure"),
                                                   Text("secure.bmp")}))
        << ErrorCode();
    EXPECT_TRUE(Posted(before, "/empty/routes-secure", "secure.bmp") == Saved("SaveAsBMP", ".bmp", {IntVariant(0)}));
    ASSERT_TRUE(CallBool("HTTPDownloadEx", {Text(Server()), Text("/dl/image.png"), IntVariant(3)})) << ErrorCode();
    ASSERT_EQ(Count(), 3);
    EXPECT_EQ(WidthOf(2), 64);
    const std::string local = FreshTempPath(".bin");
    ASSERT_TRUE(CallBool("HTTPDownloadDirectly", {Text(Server()), Text("/dl/known.bin"), Text(local)})) << ErrorCode();
    EXPECT_TRUE(ReadWholeFile(local) == ReadWholeFile(LoopbackPath("files\\known.bin")));
    DeleteFileA(local.c_str());

    // Plain HTTP to the HTTPS port gets no answer that passes for one.
    ASSERT_TRUE(Set("IfSSL", BoolVariant(false)));
    EXPECT_FALSE(CallBool("HTTPDownloadEx", {Text(Server()), Text("/dl/image.png"), IntVariant(3)}));
    EXPECT_NE(ErrorCode(), 0);
    EXPECT_EQ(Count(), 3);
}

TEST_F(TransferRoutes, TimeoutsAreSecondsAndLetASlowServerFinish) {
    // One second between the pieces of a download that sends every 50 ms: a timeout taken as
    // milliseconds would cut it off.
    ASSERT_TRUE(Set("InternetSendTimeout", IntVariant(1)));
    ASSERT_TRUE(Set("InternetReceiveTimeout", IntVariant(1)));
    const std::string local = FreshTempPath(".bin");
    ASSERT_TRUE(CallBool("HTTPDownloadDirectly", {Text(Server()), Text("/dl/slow/known.bin"), Text(local)}))
        << ErrorCode();
    EXPECT_TRUE(ReadWholeFile(local) == ReadWholeFile(LoopbackPath("files\\known.bin")));
    DeleteFileA(local.c_str());
    ASSERT_TRUE(CallBool("FTPUpload", {Text(Server()), IntVariant(1), Text("routes-timeout.png")})) << ErrorCode();
}

TEST_F(TransferRoutes, ClientCertificatesAreBoundFromTheUsersStore) {
    ImportLoopbackClientCertificates();
    ASSERT_TRUE(CallBool("BindSSLCertEx", {Text("Lumetta Second")})) << ErrorCode();
    EXPECT_EQ(ErrorCode(), 0);
    // openssl made the serial numbers 0x123 and 0x01A2FF.
    ASSERT_TRUE(CallBool("BindSSLCert", {Text("O=Loopback Tests, CN=Lumetta Test Client"), Text("123")}))
        << ErrorCode();
    ASSERT_TRUE(CallBool("BindSSLCert", {Text("O=Loopback Tests, CN=Lumetta Second Client"), Text("01:A2:FF")}))
        << ErrorCode();
    EXPECT_FALSE(CallBool("BindSSLCert", {Text("O=Loopback Tests, CN=Lumetta Test Client"), Text("23")}));
    EXPECT_EQ(ErrorCode(), -2114);
    EXPECT_FALSE(CallBool("BindSSLCert", {Text("not a name"), Text("123")}));
    EXPECT_EQ(ErrorCode(), -1034);
    EXPECT_FALSE(CallBool("BindSSLCertEx", {Text("No Such Subject")}));
    EXPECT_EQ(ErrorCode(), -2114);

    // A bound certificate goes along with HTTPS transfers the server does not ask it of.
    ASSERT_TRUE(Set("IfSSL", BoolVariant(true)));
    ASSERT_TRUE(Set("HTTPPort", IntVariant(servers.https)));
    ASSERT_TRUE(CallBool("HTTPUploadThroughPost",
                         {Text(Server()), IntVariant(0), Text("/empty/routes-bound"), Text("bound.bmp")}))
        << ErrorCode();
}

}  // namespace

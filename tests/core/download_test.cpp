// HTTP(S) and FTP downloads and FTP uploads against the loopback servers. Decoded pixels are
// compared with what Pillow decoded from the same files when the fixture made them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "support/test_dib.h"
#include "upload_test_support.h"

namespace {

// The buffer image as top-down RGB bytes (24-bit and palette images).
std::string DibAsRgb(HGLOBAL dib, int* width, int* height) {
    std::string rgb;
    auto* h = static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib));
    if (!h) return rgb;
    *width = h->biWidth;
    *height = abs(h->biHeight);
    const auto* colors = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(h) + h->biSize);
    int entries = h->biBitCount <= 8 ? (h->biClrUsed ? h->biClrUsed : 1 << h->biBitCount) : 0;
    const BYTE* pixels = reinterpret_cast<const BYTE*>(colors + entries);
    int stride = ((h->biBitCount * h->biWidth + 31) / 32) * 4;
    for (int y = 0; y < *height; ++y) {
        const BYTE* row = pixels + static_cast<size_t>(h->biHeight > 0 ? *height - 1 - y : y) * stride;
        for (int x = 0; x < *width; ++x) {
            if (h->biBitCount == 24 || h->biBitCount == 32) {
                const BYTE* p = row + x * (h->biBitCount / 8);
                rgb += static_cast<char>(p[2]);
                rgb += static_cast<char>(p[1]);
                rgb += static_cast<char>(p[0]);
            } else if (h->biBitCount == 8) {
                const RGBQUAD& c = colors[row[x]];
                rgb += static_cast<char>(c.rgbRed);
                rgb += static_cast<char>(c.rgbGreen);
                rgb += static_cast<char>(c.rgbBlue);
            }
        }
    }
    GlobalUnlock(dib);
    return rgb;
}

// Largest difference of one channel between the image and Pillow's decode.
int LargestDifference(HGLOBAL dib, const std::string& referenceName) {
    int w = 0, h = 0;
    std::string rgb = DibAsRgb(dib, &w, &h);
    std::string reference = ReadWholeFile(LoopbackPath("files\\" + referenceName));
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 48);
    if (rgb.size() != reference.size() || reference.empty()) return 256;
    int largest = 0;
    for (size_t i = 0; i < rgb.size(); ++i) {
        largest = std::max(largest, abs(static_cast<BYTE>(rgb[i]) - static_cast<BYTE>(reference[i])));
    }
    return largest;
}

std::string TempFolder() {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return folder;
}

class Transfers : public ::testing::Test {
protected:
    void SetUp() override {
        servers = ReadLoopbackServers();
        ASSERT_NE(servers.http, 0) << "the loopback servers are not running";
        ASSERT_NE(servers.ftp, 0) << "the loopback FTP server is not running";
        COstrelBase::ForgetLastSuccessfulServer();
        engine.SetHTTPPort(servers.http);
        engine.SetFTPPort(servers.ftp);
        engine.SetFTPUserName("lumetta");
        engine.SetFTPPassword("s3cret");
        engine.SetIfShowCancelDialogWhenImageTransfer(0);
    }

    HGLOBAL Last() { return engine.GetImageDIB(static_cast<SHORT>(engine.GetImageCount() - 1)); }
    BOOL Http(const std::string& path, LONG type) { return engine.HTTPDownloadEx("127.0.0.1", path.c_str(), type); }
    std::string FtpFile(const std::string& name) { return ReadWholeFile(LoopbackPath("ftp\\" + name)); }
    bool FtpFileExists(const std::string& name) {
        return GetFileAttributesA(LoopbackPath("ftp\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    EventRecorderWindow host;
    UploadEngine engine{host};
    LoopbackServers servers;
};

TEST_F(Transfers, HttpDownloadsEveryImageTypeByItsOwnSignature) {
    struct {
        const char* path;
        LONG requested;
        const char* reference;
        int tolerance;
    } cases[] = {
        {"/dl/image.bmp", 0, "image.rgb", 0},
        {"/dl/image.png", 3, "image.rgb", 0},
        // A PNG where a JPEG was asked for is decoded as the PNG it is.
        {"/dl/image.png", 1, "image.rgb", 0},
        {"/dl/image.jpg", 1, "image.jpg.rgb", 4},
        // The BMP reader honours the pixel offset and the colour table of the file.
        {"/dl/gap.bmp", 0, "image.rgb", 0},
        {"/dl/palette.bmp", 0, "palette.bmp.rgb", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        int before = engine.GetImageCount();
        engine.percents.clear();
        ASSERT_TRUE(Http(c.path, c.requested)) << engine.GetErrorCode();
        EXPECT_EQ(engine.GetErrorCode(), 0);
        ASSERT_EQ(engine.GetImageCount(), before + 1);
        EXPECT_LE(LargestDifference(Last(), c.reference), c.tolerance);
        ASSERT_FALSE(engine.percents.empty());
        EXPECT_EQ(engine.percents.back(), 100);
    }
    // A GET carries no cookie header, even with the page's cookie set. Other programs ask the
    // same servers for the same image meanwhile: the query makes this request this program's.
    engine.SetCookie("session=abc");
    size_t before = RecordedRequestCount();
    const std::string own = "/dl/image.png?no-cookie=" + std::to_string(GetCurrentProcessId());
    EXPECT_TRUE(Http(own, 3));
    auto requests = RecordedRequestsAfter(before, own);
    ASSERT_EQ(requests.size(), 1u);
    bool found = true;
    requests[0].Header("Cookie", &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(requests[0].Header("User-Agent"), "Corvanta");
}

TEST_F(Transfers, DownloadsOfEveryTiffAndPdfPage) {
    struct {
        bool ftp;
        const char* name;
        LONG requested;
    } cases[] = {{false, "pages.tif", 2}, {true, "pages.tif", 1}, {false, "pages.pdf", 4}, {true, "pages.pdf", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.ftp ? " by FTP" : " by HTTP"));
        int before = engine.GetImageCount();
        BOOL ok = c.ftp ? engine.FTPDownloadEx("127.0.0.1", c.name, c.requested)
                        : Http(std::string("/dl/") + c.name, c.requested);
        ASSERT_TRUE(ok) << engine.GetErrorCode();
        ASSERT_EQ(engine.GetImageCount(), before + 2);
        EXPECT_EQ(LargestDifference(engine.GetImageDIB(static_cast<SHORT>(before)), "pages.tif.0.rgb"), 0);
        EXPECT_EQ(LargestDifference(engine.GetImageDIB(static_cast<SHORT>(before + 1)), "pages.tif.1.rgb"), 0);
    }
}

TEST_F(Transfers, HttpAnswersThatAreNoImageKeepTheirTextAndAddNothing) {
    int before = engine.GetImageCount();
    EXPECT_FALSE(Http("/dl/missing.jpg", 1));
    EXPECT_EQ(engine.GetErrorCode(), -2003);
    EXPECT_STREQ(engine.GetHTTPPostResponseString(),
                 "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>");
    // 200 with a page that is no image: the sub-code says why.
    EXPECT_FALSE(Http("/dl/page.html", 1));
    EXPECT_EQ(engine.GetErrorCode(), -2003);
    EXPECT_EQ(engine.GetTransferSubCode(), -1111);
    EXPECT_STREQ(engine.GetHTTPPostResponseString(), "<html><body><p>no image here</p></body></html>");
    // An empty body is no image either, and nothing is read past it.
    EXPECT_FALSE(Http("/dl/zero", 1));
    EXPECT_EQ(engine.GetErrorCode(), -2003);
    EXPECT_EQ(engine.GetTransferSubCode(), -1111);
    // A BMP declaring 60000 x 60000 pixels in 200 bytes is refused by the reader.
    EXPECT_FALSE(Http("/dl/hostile.bmp", 0));
    EXPECT_LT(engine.GetErrorCode(), 0);
    EXPECT_NE(engine.GetErrorCode(), -2003);
    // The type is checked before anything is sent.
    size_t requests = RecordedRequestCount();
    EXPECT_FALSE(Http("/dl/image.png?type5", 5));
    EXPECT_EQ(engine.GetErrorCode(), -1110);
    EXPECT_TRUE(RecordedRequestsAfter(requests, "/dl/image.png?type5").empty());
    EXPECT_EQ(engine.GetImageCount(), before);
}

TEST_F(Transfers, AnAnswerLeftAtARedirectIsNoFileAndNoImage) {
    std::string local = TempFolder() + "lumetta_redirect_" + std::to_string(GetCurrentProcessId()) + ".bin";
    const std::string kept = "the page's own file";
    {
        HANDLE f = CreateFileA(local.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(f, kept.data(), static_cast<DWORD>(kept.size()), &written, nullptr);
        CloseHandle(f);
    }
    // 302 without a Location and 300: nothing to follow, the body is the redirect's.
    for (const char* path : {"/dl/status/302/page.html", "/dl/status/300/page.html"}) {
        EXPECT_FALSE(engine.HTTPDownloadDirectly("127.0.0.1", path, local.c_str())) << path;
        EXPECT_EQ(engine.GetErrorCode(), -2003) << path;
        EXPECT_STREQ(engine.GetHTTPPostResponseString(), "<html><body><p>no image here</p></body></html>");
        EXPECT_EQ(ReadWholeFile(local), kept) << path;
    }
    // A Location of another scheme is not followed: whatever WinInet makes of it, the file stays.
    EXPECT_FALSE(engine.HTTPDownloadDirectly("127.0.0.1", "/redirect/location/302/ftp%3A%2F%2F127.0.0.1%2Fknown.bin",
                                             local.c_str()));
    EXPECT_LT(engine.GetErrorCode(), 0);
    EXPECT_EQ(ReadWholeFile(local), kept);
    // An image in a redirect's body is not added either.
    int before = engine.GetImageCount();
    EXPECT_FALSE(Http("/dl/status/302/image.png", 3));
    EXPECT_EQ(engine.GetErrorCode(), -2003);
    EXPECT_EQ(engine.GetImageCount(), before);
    // Redirects without end stop after as many hops as a POST's, and nothing is added.
    const size_t requests = RecordedRequestCount();
    EXPECT_FALSE(Http("/redirect/loop/download", 3));
    EXPECT_EQ(engine.GetErrorCode(), -3000 - ERROR_HTTP_REDIRECT_FAILED);
    EXPECT_EQ(RecordedRequestsAfter(requests, "/redirect/loop/download").size(), 6u);
    EXPECT_EQ(engine.GetImageCount(), before);
    // The same file at 200 still arrives: the route itself serves the bytes.
    EXPECT_TRUE(Http("/dl/image.png", 3)) << engine.GetErrorCode();
    EXPECT_EQ(engine.GetImageCount(), before + 1);
    DeleteFileA(local.c_str());
}

TEST_F(Transfers, BodiesShorterOrLongerThanAnnouncedFailWithoutATrace) {
    int before = engine.GetImageCount();
    // A read that fails gives its own code, -3000 - n, and no sub-code.
    EXPECT_FALSE(Http("/dl/short/image.bmp", 0));
    EXPECT_LE(engine.GetErrorCode(), -3000);
    EXPECT_EQ(engine.GetTransferSubCode(), 0);
    // No Content-Length: the download stops before reading any data.
    EXPECT_FALSE(Http("/dl/nolength/image.bmp", 0));
    EXPECT_EQ(engine.GetErrorCode(), -3000 - ERROR_HTTP_HEADER_NOT_FOUND);
    // A declared size of almost 4 GB is refused before any block is allocated.
    EXPECT_FALSE(Http("/dl/huge", 0));
    EXPECT_EQ(engine.GetErrorCode(), -1002);
    EXPECT_EQ(engine.GetImageCount(), before);

    std::string local = TempFolder() + "lumetta_short.bin";
    DeleteFileA(local.c_str());
    EXPECT_FALSE(engine.HTTPDownloadDirectly("127.0.0.1", "/dl/short/known.bin", local.c_str()));
    EXPECT_LE(engine.GetErrorCode(), -3000);
    EXPECT_EQ(GetFileAttributesA(local.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Transfers, DirectDownloadsWriteTheBytesUnchanged) {
    std::string folder = TempFolder() + "lumetta_direct_" + std::to_string(GetCurrentProcessId());
    std::string local = folder + "\\deeper\\known.bin";
    std::string expected = ReadWholeFile(LoopbackPath("files\\known.bin"));
    ASSERT_EQ(expected.size(), 100007u);
    // Missing folders are made.
    ASSERT_TRUE(engine.HTTPDownloadDirectly("127.0.0.1", "/dl/known.bin", local.c_str())) << engine.GetErrorCode();
    EXPECT_TRUE(ReadWholeFile(local) == expected);
    // A read-only file is replaced; an empty body gives an empty file.
    SetFileAttributesA(local.c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(engine.HTTPDownloadDirectly("127.0.0.1", "/dl/zero", local.c_str()));
    EXPECT_EQ(ReadWholeFile(local).size(), 0u);
    ASSERT_TRUE(engine.FTPDownloadDirectly("127.0.0.1", "known.bin", local.c_str())) << engine.GetErrorCode();
    EXPECT_TRUE(ReadWholeFile(local) == expected);
    // An HTML page is written as it is: the bytes are not looked at.
    ASSERT_TRUE(engine.HTTPDownloadDirectly("127.0.0.1", "/dl/page.html", local.c_str()));
    EXPECT_EQ(ReadWholeFile(local), "<html><body><p>no image here</p></body></html>");
    // A 404 writes nothing over the file.
    EXPECT_FALSE(engine.HTTPDownloadDirectly("127.0.0.1", "/dl/missing.bin", local.c_str()));
    EXPECT_EQ(ReadWholeFile(local), "<html><body><p>no image here</p></body></html>");

    // A path longer than 258 characters is refused, not cut to another file's name.
    std::string longPath = folder + "\\" + std::string(259 - folder.size() - 1, 'x');
    ASSERT_EQ(longPath.size(), 259u);
    size_t requests = RecordedRequestCount();
    EXPECT_FALSE(engine.HTTPDownloadDirectly("127.0.0.1", "/dl/known.bin?long", longPath.c_str()));
    EXPECT_EQ(engine.GetErrorCode(), -1034);
    EXPECT_FALSE(engine.FTPDownloadDirectly("127.0.0.1", "known.bin", longPath.c_str()));
    EXPECT_EQ(engine.GetErrorCode(), -1034);
    EXPECT_TRUE(RecordedRequestsAfter(requests, "/dl/known.bin?long").empty());
    std::string exact = longPath.substr(0, 258);
    EXPECT_TRUE(engine.HTTPDownloadDirectly("127.0.0.1", "/dl/page.html", exact.c_str())) << engine.GetErrorCode();
    DeleteFileA(exact.c_str());
    DeleteFileA(local.c_str());
    RemoveDirectoryA((folder + "\\deeper").c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST_F(Transfers, CancelledDownloadsLeaveNothing) {
    std::string local = TempFolder() + "lumetta_cancelled.bin";
    DeleteFileA(local.c_str());
    for (int dialog : {0, 1}) {
        SCOPED_TRACE(dialog);
        engine.SetIfShowCancelDialogWhenImageTransfer(dialog);
        engine.cancelAtPercent = 0;
        engine.percents.clear();
        EXPECT_FALSE(engine.HTTPDownloadDirectly("127.0.0.1", "/dl/slow/known.bin", local.c_str()));
        EXPECT_EQ(engine.GetErrorCode(), -1032);
        EXPECT_EQ(engine.percents.size(), 1u);
        EXPECT_EQ(GetFileAttributesA(local.c_str()), INVALID_FILE_ATTRIBUTES);
        int before = engine.GetImageCount();
        EXPECT_FALSE(engine.FTPDownloadEx("127.0.0.1", "image.bmp", 0));
        EXPECT_EQ(engine.GetErrorCode(), -1032);
        EXPECT_EQ(engine.GetImageCount(), before);
    }
}

TEST_F(Transfers, PageScriptInAProgressHandlerCannotDisturbTheRunningTransfer) {
    std::string local = TempFolder() + "lumetta_outer.bin";
    std::string other = TempFolder() + "lumetta_inner.bin";
    DeleteFileA(other.c_str());
    ASSERT_TRUE(engine.BindSSLCertEx("Lumetta Test Client") || engine.GetErrorCode() == -2114);
    PCCERT_CONTEXT bound = engine.GetClientCertificate();
    std::vector<LONG> inner;
    engine.duringTransfer = [&] {
        inner.push_back(engine.HTTPDownloadEx("127.0.0.1", "/dl/image.png", 3) ? 0 : engine.GetErrorCode());
        inner.push_back(engine.HTTPDownloadDirectly("127.0.0.1", "/dl/page.html", other.c_str()) ? 0 : engine.GetErrorCode());
        inner.push_back(engine.FTPDownloadEx("127.0.0.1", "image.png", 3) ? 0 : engine.GetErrorCode());
        SHORT list[1] = {0};
        inner.push_back(engine.FTPUploadEx("127.0.0.1", "inner.bmp", {list, 1}, 0) ? 0 : engine.GetErrorCode());
        inner.push_back(engine.BindSSLCertEx("Lumetta Second Client") ? 0 : engine.GetErrorCode());
    };
    int before = engine.GetImageCount();
    ASSERT_TRUE(engine.HTTPDownloadDirectly("127.0.0.1", "/dl/known.bin", local.c_str())) << engine.GetErrorCode();
    engine.duringTransfer = nullptr;
    ASSERT_FALSE(inner.empty());
    for (LONG code : inner) EXPECT_EQ(code, -2121);
    // The outer download wrote its own file, whole, and nothing else happened.
    EXPECT_TRUE(ReadWholeFile(local) == ReadWholeFile(LoopbackPath("files\\known.bin")));
    EXPECT_EQ(GetFileAttributesA(other.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(FtpFileExists("inner.bmp"));
    EXPECT_EQ(engine.GetImageCount(), before);
    EXPECT_EQ(engine.GetClientCertificate(), bound);
    DeleteFileA(local.c_str());
}

TEST_F(Transfers, HttpsDownloadFromASelfSignedServer) {
    engine.SetIfSSL(1);
    engine.SetHTTPPort(servers.https);
    int before = engine.GetImageCount();
    ASSERT_TRUE(Http("/dl/image.png", 3)) << engine.GetErrorCode();
    ASSERT_EQ(engine.GetImageCount(), before + 1);
    EXPECT_EQ(LargestDifference(Last(), "image.rgb"), 0);
    EXPECT_FALSE(Http("/dl/missing.png", 3));
    EXPECT_EQ(engine.GetErrorCode(), -2003);
}

TEST_F(Transfers, FtpDownloadsInPassiveAndActiveMode) {
    for (int passive : {1, 0}) {
        SCOPED_TRACE(passive);
        engine.SetIfPASVMode(passive);
        int before = engine.GetImageCount();
        ASSERT_TRUE(engine.FTPDownloadEx("127.0.0.1", "image.jpg", 1)) << engine.GetErrorCode();
        ASSERT_EQ(engine.GetImageCount(), before + 1);
        EXPECT_LE(LargestDifference(Last(), "image.jpg.rgb"), 4);
        ASSERT_TRUE(engine.FTPDownloadEx("127.0.0.1", "gap.bmp", 3)) << engine.GetErrorCode();
        EXPECT_EQ(LargestDifference(Last(), "image.rgb"), 0);
        // No image in the file: no buffer change and no response text for FTP.
        EXPECT_FALSE(engine.FTPDownloadEx("127.0.0.1", "page.html", 1));
        EXPECT_EQ(engine.GetErrorCode(), -1111);
        EXPECT_STREQ(engine.GetHTTPPostResponseString(), "");
        EXPECT_FALSE(engine.FTPDownloadEx("127.0.0.1", "missing.jpg", 1));
        EXPECT_LE(engine.GetErrorCode(), -3000);
        EXPECT_EQ(engine.GetImageCount(), before + 2);
    }
    engine.SetFTPPassword("wrong");
    EXPECT_FALSE(engine.FTPDownloadEx("127.0.0.1", "image.jpg", 1));
    EXPECT_LE(engine.GetErrorCode(), -3000);
}

TEST_F(Transfers, FtpUploadsInPassiveAndActiveMode) {
    engine.OnBitmapAcquired(MakeTestDib(37, 11, 24, 3));
    HGLOBAL dib = Last();
    std::string localFile = LoopbackPath("files\\known.bin");
    for (int passive : {1, 0}) {
        SCOPED_TRACE(passive);
        engine.SetIfPASVMode(passive);
        std::string name = "upload" + std::to_string(passive) + ".bmp";
        SHORT list[1] = {static_cast<SHORT>(engine.GetImageCount() - 1)};
        engine.percents.clear();
        ASSERT_TRUE(engine.FTPUploadEx("127.0.0.1", name.c_str(), {list, 1}, 0)) << engine.GetErrorCode();
        EXPECT_TRUE(FtpFile(name) == ExpectedBmpFile(dib));
        EXPECT_EQ(engine.percents.back(), 100);
        std::string copy = "copy" + std::to_string(passive) + ".bin";
        ASSERT_TRUE(engine.FTPUploadEx("127.0.0.1", copy.c_str(), {.localFile = localFile.c_str()}, kUploadLocalFile));
        EXPECT_TRUE(FtpFile(copy) == ReadWholeFile(localFile));
    }
    // The size limit is checked before anything reaches the server.
    engine.SetMaxUploadImageSize(100007);
    EXPECT_FALSE(engine.FTPUploadEx("127.0.0.1", "limited.bin", {.localFile = localFile.c_str()}, kUploadLocalFile));
    EXPECT_EQ(engine.GetErrorCode(), -2100);
    EXPECT_FALSE(FtpFileExists("limited.bin"));
    engine.SetMaxUploadImageSize(-1);
    SHORT list[1] = {0};
    EXPECT_FALSE(engine.FTPUploadEx("127.0.0.1", "a.gif", {list, 1}, 5));
    EXPECT_EQ(engine.GetErrorCode(), -1110);
}

TEST_F(Transfers, AnFtpUploadCutOffByTheServerLeavesNoPartialFile) {
    // 1 MB: the server stops reading after 64 KB.
    engine.OnBitmapAcquired(MakeTestDib(600, 600, 24, 5));
    SHORT list[1] = {static_cast<SHORT>(engine.GetImageCount() - 1)};
    for (int passive : {1, 0}) {
        SCOPED_TRACE(passive);
        engine.SetIfPASVMode(passive);
        EXPECT_FALSE(engine.FTPUploadEx("127.0.0.1", "failing.bmp", {list, 1}, 0));
        EXPECT_LE(engine.GetErrorCode(), -3000);
        EXPECT_FALSE(FtpFileExists("failing.bmp"));
    }
}

TEST_F(Transfers, PostCarriesThePagesCookieOrTheStoredOne) {
    auto cookieOf = [&](bool* found) {
        engine.OnBitmapAcquired(MakeTestDib(8, 8, 24));
        SHORT list[1] = {0};
        size_t before = RecordedRequestCount();
        EXPECT_TRUE(engine.HTTPUploadThroughPostEx("127.0.0.1", "/empty/cookie", "a.bmp", {list, 1}, "RemoteFile", 0));
        auto requests = RecordedRequestsAfter(before, "/empty/cookie");
        if (requests.size() != 1u) return std::string("<no request>");
        return requests[0].Header("Cookie", found);
    };
    bool found = false;
    ASSERT_TRUE(engine.SetCookie("a=1; b=2"));
    EXPECT_EQ(cookieOf(&found), "a=1; b=2");
    ASSERT_TRUE(engine.SetCookie("cookie: c=3"));
    EXPECT_EQ(cookieOf(&found), "c=3");
    // A line break would smuggle a header of its own: refused, the old text stays.
    EXPECT_FALSE(engine.SetCookie("d=4\r\nX-Injected: 1"));
    EXPECT_EQ(engine.GetErrorCode(), -1034);
    EXPECT_FALSE(engine.SetCookie("d=4\nX-Injected: 1"));
    EXPECT_EQ(cookieOf(&found), "c=3");
    // Cleared: the system's store for the server answers.
    ASSERT_TRUE(engine.SetCookie(""));
    cookieOf(&found);
    EXPECT_FALSE(found);
    ASSERT_TRUE(InternetSetCookieA("http://127.0.0.1/", "stored", "yes"));
    EXPECT_EQ(cookieOf(&found), "stored=yes");
    InternetSetCookieA("http://127.0.0.1/", "stored", "yes; expires=Thu, 01-Jan-1970 00:00:01 GMT");
}

// The page's HTTP credentials go only to the scheme, host and port they were given for. The
// loopback routes under /auth/ ask for Basic credentials; /auth/redirect/... sends the request on
// once they came. Downloads, PUT and POST uploads: a redirect to another host or to another port
// of the same one carries no Authorization there, and the 401 it gets is the answer; a redirect
// on the page's own server keeps the credentials.
TEST_F(Transfers, CredentialsStayOnTheServerTheyWereGivenFor) {
    ASSERT_NE(servers.other, 0) << "the loopback servers have no second host";
    const std::string kBasic = "Basic c2NhbnVzZXI6c2NhbjpwYXNz";  // scanuser:scan:pass
    engine.SetHTTPUserName("scanuser");
    engine.SetHTTPPassword("scan:pass");
    const std::string other = "127.0.0.2:" + std::to_string(servers.other);
    // Whatever reached the other host, from any request since `before`.
    auto expectNothingOnTheOtherHost = [&](size_t before) {
        for (const RecordedRequest& r : RecordedRequestsAfter(before, "")) {
            if (r.Header("Host") != other) continue;
            bool found = true;
            r.Header("Authorization", &found);
            EXPECT_FALSE(found) << r.requestLine << ": " << r.Header("Authorization");
        }
    };
    // The last request for a path since `before` carried the page's credentials.
    auto lastCarried = [&](size_t before, const std::string& path) {
        auto requests = RecordedRequestsAfter(before, path);
        return !requests.empty() && requests.back().Header("Authorization") == kBasic;
    };

    // A download into the buffer and one into a file: the other host asks and gets nothing.
    const int images = engine.GetImageCount();
    size_t before = RecordedRequestCount();
    const std::string moved = "/auth/redirect/302/auth/dl/image.png?core-moved";
    EXPECT_FALSE(Http(moved, 3));
    EXPECT_EQ(engine.GetErrorCode(), -2003);
    EXPECT_EQ(engine.GetTransferSubCode(), -3000 - ERROR_ACCESS_DENIED);
    EXPECT_STREQ(engine.GetHTTPPostResponseString(), "credentials required");
    EXPECT_EQ(engine.GetImageCount(), images);
    EXPECT_TRUE(lastCarried(before, moved)) << "the page's server was not asked with the credentials";
    auto asked = RecordedRequestsAfter(before, "/auth/dl/image.png?core-moved");
    ASSERT_EQ(asked.size(), 1u) << "the other host was asked again";
    EXPECT_EQ(asked[0].Header("Host"), other);
    std::string local = TempFolder() + "lumetta_credentials_" + std::to_string(GetCurrentProcessId()) + ".bin";
    DeleteFileA(local.c_str());
    EXPECT_FALSE(engine.HTTPDownloadDirectly("127.0.0.1", "/auth/redirect/307/auth/dl/known.bin?core-file",
                                             local.c_str()));
    EXPECT_EQ(engine.GetErrorCode(), -2003);
    EXPECT_EQ(GetFileAttributesA(local.c_str()), INVALID_FILE_ATTRIBUTES);
    expectNothingOnTheOtherHost(before);

    // On the same server the credentials follow, for a download and for a PUT.
    before = RecordedRequestCount();
    EXPECT_TRUE(Http("/auth/redirect/same/auth/dl/image.png?core-same", 3)) << engine.GetErrorCode();
    EXPECT_EQ(engine.GetImageCount(), images + 1);
    EXPECT_TRUE(lastCarried(before, "/auth/dl/image.png?core-same"));

    // A PUT sent on to the other host: its 401 is answered as any 4xx of a PUT.
    SHORT list[1] = {0};
    before = RecordedRequestCount();
    EXPECT_FALSE(engine.HTTPUploadThroughPutEx("127.0.0.1", "/redirect/307/auth/empty/core-put.bmp", {list, 1}, 0));
    EXPECT_EQ(engine.GetErrorCode(), -2001);
    EXPECT_EQ(RecordedRequestsAfter(before, "/auth/empty/core-put.bmp").size(), 1u) << "the other host was asked again";
    expectNothingOnTheOtherHost(before);

    // A POST sent on (303: as a GET, which WinInet authenticates by itself) to the HTTPS server of
    // the same host: another port and scheme, so no credentials there, though the page's cookie,
    // chosen for the host, goes along.
    engine.SetIfShowCancelDialogWhenImageTransfer(0);
    ASSERT_TRUE(engine.SetCookie("session=secret42"));
    const std::string tail = "/auth/empty/core-post-https";
    const std::string route = "/redirect/location/303/https%3A%2F%2F127.0.0.1%3A" +
                              std::to_string(servers.https) + "%2Fauth%2Fempty%2Fcore-post-https";
    before = RecordedRequestCount();
    EXPECT_FALSE(engine.HTTPUploadThroughPostEx("127.0.0.1", route.c_str(), "a.bmp", {list, 1}, "RemoteFile", 0));
    EXPECT_EQ(engine.GetErrorCode(), -2003);
    EXPECT_EQ(engine.GetTransferSubCode(), -3000 - ERROR_ACCESS_DENIED);
    EXPECT_STREQ(engine.GetHTTPPostResponseString(), "credentials required");
    auto secure = RecordedRequestsAfter(before, tail);
    ASSERT_EQ(secure.size(), 1u);
    EXPECT_EQ(secure[0].Header("Host"), "127.0.0.1:" + std::to_string(servers.https));
    EXPECT_EQ(secure[0].Header("Cookie"), "session=secret42");
    bool found = true;
    secure[0].Header("Authorization", &found);
    EXPECT_FALSE(found) << secure[0].Header("Authorization");
    engine.SetCookie("");
}

}  // namespace

// The transfer members' shared rule, as both hosts reach it: every text fits its buffer (server
// names 256 bytes, remote files, action pages, form file names and local files 512, certificate
// texts 1024 and 1025) or is refused with -1034; a member without a type takes it from the
// extension of the remote file or, for a POST, of the form's file name, and a name with no known
// transfer type fails with -1110 before anything is sent.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/error_codes.h"
#include "support/test_engine.h"

namespace {

constexpr const char* kServer = "127.0.0.1";

// Runs one call on a fresh engine: its result, its error code and whether a transfer began.
struct Outcome {
    BOOL ok;
    LONG code;
    bool transferBegan;
};

Outcome Call(const std::function<BOOL(TestEngine&)>& call) {
    TestEngine engine;
    engine.SetErrorCode(kErrNoMemory);  // each member clears it first
    const BOOL ok = call(engine);
    return {ok, engine.GetErrorCode(), !engine.hooks.empty()};
}

void ExpectRefused(const Outcome& outcome, LONG code, const char* what) {
    EXPECT_FALSE(outcome.ok) << what;
    EXPECT_EQ(outcome.code, code) << what;
    EXPECT_FALSE(outcome.transferBegan) << what;
}

TEST(TransferMembers, TheTypeComesFromTheNameAndAnUnknownOneSendsNothing) {
    // A POST takes the type from the form's file name, never from the action page.
    ExpectRefused(Call([](TestEngine& e) { return e.HTTPUploadThroughPost(kServer, 0, "/upload.bmp", "scan"); }),
                  kErrFileExtension, "POST, file name without a dot");
    ExpectRefused(Call([](TestEngine& e) { return e.HTTPUploadThroughPost(kServer, 0, "/upload.php", "scan.txt"); }),
                  kErrFileExtension, "POST, unknown extension");
    // GIF is a known extension but no transfer type.
    ExpectRefused(Call([](TestEngine& e) { return e.HTTPUploadThroughPut(kServer, 0, "/put/scan.gif"); }),
                  kErrFileExtension, "PUT of a .gif");
    ExpectRefused(Call([](TestEngine& e) { return e.FTPUpload(kServer, 0, "scan.GIF"); }), kErrFileExtension,
                  "FTP upload of a .GIF");
    ExpectRefused(Call([](TestEngine& e) { return e.FTPDownload(kServer, "scan"); }), kErrFileExtension,
                  "FTP download without a dot");
    ExpectRefused(Call([](TestEngine& e) { return e.HTTPDownload(kServer, "/dl/page.html"); }), kErrFileExtension,
                  "HTTP download of a page");
}

TEST(TransferMembers, EachTextFitsItsBufferOrIsRefused) {
    const std::string server255(255, 's'), server256(256, 's');
    const std::string name511 = std::string(507, 'n') + "scan", name512 = std::string(508, 'n') + "scan";
    // Texts that just fit reach the name rule (no extension here: -1110, nothing sent).
    ExpectRefused(Call([&](TestEngine& e) { return e.HTTPUploadThroughPost(server255, 0, name511, name511); }),
                  kErrFileExtension, "POST, every text at its limit");
    ExpectRefused(Call([&](TestEngine& e) { return e.FTPDownload(server255, name511); }), kErrFileExtension,
                  "FTP download, every text at its limit");
    // One character more is refused, whichever text it is.
    ExpectRefused(Call([&](TestEngine& e) { return e.HTTPUploadThroughPost(server256, 0, "/up", "scan.bmp"); }),
                  kErrInvalidValue, "server of 256 characters");
    ExpectRefused(Call([&](TestEngine& e) { return e.HTTPUploadThroughPost(kServer, 0, name512, "scan.bmp"); }),
                  kErrInvalidValue, "action page of 512 characters");
    ExpectRefused(Call([&](TestEngine& e) { return e.HTTPUploadThroughPost(kServer, 0, "/up", name512 + ".bmp"); }),
                  kErrInvalidValue, "form file name of 516 characters");
    ExpectRefused(Call([&](TestEngine& e) { return e.FTPUploadDirectly(kServer, name512, "remote.bin"); }),
                  kErrInvalidValue, "local file of 512 characters");
    ExpectRefused(Call([&](TestEngine& e) { return e.HTTPDownloadDirectly(kServer, "/dl/a.bin", name512); }),
                  kErrInvalidValue, "download target of 512 characters");
    ExpectRefused(Call([&](TestEngine& e) { return e.BindSSLCert(std::string(1024, 'i'), "01"); }), kErrInvalidValue,
                  "issuer of 1024 characters");
    ExpectRefused(Call([&](TestEngine& e) { return e.BindSSLCertEx(std::string(1025, 'k')); }), kErrInvalidValue,
                  "subject keyword of 1025 characters");
}

TEST(TransferMembers, AScriptTextEndsAtItsFirstNul) {
    // What follows a NUL is not part of the text: neither its length nor its extension counts.
    std::string name = "scan";
    name += '\0';
    name += std::string(600, 'x') + ".bmp";
    ExpectRefused(Call([&](TestEngine& e) { return e.HTTPUploadThroughPost(kServer, 0, "/up", name); }),
                  kErrFileExtension, "form file name with a NUL");
}

// Type 32767 (a local file sent as it is) on a member that names an image index: the index is
// no path, so no file is read and nothing is sent; the member fails as one with an empty path
// (as index 0 always did). A file whose name is the index's bytes (65: "A" and a NUL) waits in
// the current folder to be sent by mistake.
TEST(TransferMembers, ALocalFileTypeOnAnImageMemberSendsNoFile) {
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    const std::string decoy = std::string(folder) + "\\A";
    HANDLE file = CreateFileA(decoy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "not an image", 12, &written, nullptr);
    CloseHandle(file);
    constexpr LONG kLocalFile = 32767;
    constexpr LONG kNoPath = kErrSystemBase - ERROR_PATH_NOT_FOUND;
    ExpectRefused(Call([](TestEngine& e) { return e.HTTPUploadThroughPostEx(kServer, 65, "/up", "a.bin", kLocalFile); }),
                  kNoPath, "POST of index 65 as a local file");
    ExpectRefused(Call([](TestEngine& e) { return e.HTTPUploadThroughPutEx(kServer, 65, "/up.bin", kLocalFile); }),
                  kNoPath, "PUT of index 65 as a local file");
    ExpectRefused(Call([](TestEngine& e) { return e.FTPUploadEx(kServer, 65, "up.bin", kLocalFile); }),
                  kNoPath, "FTP upload of index 65 as a local file");
    DeleteFileA(decoy.c_str());
}

}  // namespace

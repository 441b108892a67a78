// What the upload tests share: an engine with the transfer slots a host provides, the loopback
// servers started by the test fixture, and the requests they recorded.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/event_recorder.h"
#include "support/test_engine.h"

// An engine whose transfer slots behave as a host's: progress goes to the owner window as a
// kind-11 record, the transfer dialog comes from this program's resources.
class UploadEngine : public TestEngine {
public:
    explicit UploadEngine(EventRecorderWindow& host);
    HWND GetViewerWindow() override { return viewerWindow; }
    HINSTANCE GetModuleInstance() override { return dialogModule; }
    void OnTransferPercentage(SHORT percent, LONG* cancel) override;

    HWND viewerWindow;
    HINSTANCE dialogModule;
    int cancelAtPercent = -1;      // the page cancels once the percentage reaches this
    std::vector<int> percents;     // every percentage reported, in order
    std::function<void()> duringTransfer;  // what the page does in a progress handler
};

struct RecordedRequest {
    std::string requestLine;
    std::vector<std::string> headers;
    std::string body;
    // The value of the first header of that name (any case), or "" with found false.
    std::string Header(const char* name, bool* found = nullptr) const;
};

struct LoopbackServers {
    int http = 0;
    int https = 0;
    int slow = 0;
    int ftp = 0;
    int other = 0;  // the plain server on 127.0.0.2, another host for a client
};

// The ports that the fixture's servers listen on (from the folder named by LUMETTA_LOOPBACK_DIR).
LoopbackServers ReadLoopbackServers();
// How many requests the servers have recorded so far, and those recorded after the first n for
// one path, or for every path when it is empty (a cut-off request of an earlier test may be
// recorded late, when its connection ends).
size_t RecordedRequestCount();
std::vector<RecordedRequest> RecordedRequestsAfter(size_t n, const std::string& path);

// A path inside the fixture's folder ("files\\image.png"), as this program opens it.
std::string LoopbackPath(const std::string& relative);
std::string ReadWholeFile(const std::string& path);
// Imports the client certificates that openssl made at the fixture's start (client1.p12 and
// client2.p12 in its certs folder) into the current user's "MY" store.
void ImportLoopbackClientCertificates();
std::string WriteTempFile(const std::string& bytes);
// The BMP file of a DIB as an upload must carry it: the file header, then the DIB's block.
std::string ExpectedBmpFile(HGLOBAL dib);

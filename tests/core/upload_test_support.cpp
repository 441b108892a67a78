#include "upload_test_support.h"

#include <gtest/gtest.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

UploadEngine::UploadEngine(EventRecorderWindow& host)
    : viewerWindow(host.Window()), dialogModule(GetModuleHandleA(nullptr)) {
    SetOwnerWindow(host.Window());
    host.AttachEngine(this);
}

void UploadEngine::OnTransferPercentage(SHORT percent, LONG* cancel) {
    percents.push_back(percent);
    EventRecord record = MakeEventRecord(kEventTransferPercentage);
    record.Value = percent;
    record.Payload = cancel;
    SendEventRecord(OwnerWindow(), record);
    if (cancelAtPercent >= 0 && percent >= cancelAtPercent) *cancel = 1;
    if (duringTransfer) duringTransfer();
}

std::string RecordedRequest::Header(const char* name, bool* found) const {
    size_t length = strlen(name);
    for (const auto& h : headers) {
        if (h.size() > length && h[length] == ':' && _strnicmp(h.c_str(), name, length) == 0) {
            if (found) *found = true;
            size_t start = h.find_first_not_of(' ', length + 1);
            return start == std::string::npos ? std::string() : h.substr(start);
        }
    }
    if (found) *found = false;
    return {};
}

namespace {

std::string LoopbackFolder() {
    const char* dir = getenv("LUMETTA_LOOPBACK_DIR");
    std::string path = std::string("Z:") + (dir ? dir : "/nonexistent");
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::vector<std::string> RequestFiles() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((LoopbackFolder() + "\\requests\\*.req").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::string LoopbackPath(const std::string& relative) { return LoopbackFolder() + "\\" + relative; }

void ImportLoopbackClientCertificates() {
    HCERTSTORE personal = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "MY");
    ASSERT_NE(personal, nullptr);
    for (const char* name : {"client1", "client2"}) {
        std::string pfx = ReadWholeFile(LoopbackPath(std::string("certs\\") + name + ".p12"));
        ASSERT_FALSE(pfx.empty()) << name;
        CRYPT_DATA_BLOB blob{static_cast<DWORD>(pfx.size()), reinterpret_cast<BYTE*>(pfx.data())};
        HCERTSTORE imported = PFXImportCertStore(&blob, L"", CRYPT_USER_KEYSET);
        if (!imported) imported = PFXImportCertStore(&blob, nullptr, CRYPT_USER_KEYSET);
        ASSERT_NE(imported, nullptr) << name << " " << GetLastError();
        PCCERT_CONTEXT c = nullptr;
        while ((c = CertEnumCertificatesInStore(imported, c)) != nullptr) {
            ASSERT_TRUE(CertAddCertificateContextToStore(personal, c, CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
        }
        CertCloseStore(imported, 0);
    }
    CertCloseStore(personal, 0);
}

std::string ReadWholeFile(const std::string& path) {
    std::string bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return bytes;
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0) bytes.append(chunk, n);
    fclose(f);
    return bytes;
}

std::string WriteTempFile(const std::string& bytes) {
    char folder[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "upl", 0, path);
    FILE* f = fopen(path, "wb");
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    return path;
}

LoopbackServers ReadLoopbackServers() {
    LoopbackServers servers;
    std::string text = ReadWholeFile(LoopbackFolder() + "\\ports");
    sscanf(text.c_str(), "http=%d https=%d slow=%d ftp=%d other=%d", &servers.http, &servers.https, &servers.slow,
           &servers.ftp, &servers.other);
    return servers;
}

size_t RecordedRequestCount() { return RequestFiles().size(); }

std::vector<RecordedRequest> RecordedRequestsAfter(size_t n, const std::string& path) {
    std::vector<RecordedRequest> requests;
    std::vector<std::string> files = RequestFiles();
    for (size_t i = n; i < files.size(); ++i) {
        std::string raw = ReadWholeFile(LoopbackFolder() + "\\requests\\" + files[i]);
        RecordedRequest r;
        size_t headEnd = raw.find("\r\n\r\n");
        if (headEnd == std::string::npos) continue;
        std::string head = raw.substr(0, headEnd + 2);
        r.body = raw.substr(headEnd + 4);
        size_t at = 0;
        for (size_t end; (end = head.find("\r\n", at)) != std::string::npos; at = end + 2) {
            std::string line = head.substr(at, end - at);
            if (r.requestLine.empty()) r.requestLine = line;
            else r.headers.push_back(line);
        }
        if (path.empty() || r.requestLine.find(" " + path + " ") != std::string::npos) requests.push_back(r);
    }
    return requests;
}

std::string ExpectedBmpFile(HGLOBAL dib) {
    auto* h = static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib));
    uint32_t colors = h->biClrUsed ? h->biClrUsed : (h->biBitCount <= 8 ? 1u << h->biBitCount : 0u);
    uint32_t offset = 14 + 40 + 4 * colors;
    uint32_t stride = ((h->biBitCount * h->biWidth + 31) / 32) * 4;
    uint32_t size = offset + stride * h->biHeight;  // the block may hold more than that
    std::string file("BM", 2);
    auto put32 = [&file](uint32_t v) { file.append(reinterpret_cast<const char*>(&v), 4); };
    put32(size);
    put32(0);
    put32(offset);
    // The packed DIB goes in as it is: the whole block, even bytes it holds behind the pixels.
    file.append(reinterpret_cast<const char*>(h), GlobalSize(dib));
    GlobalUnlock(dib);
    return file;
}

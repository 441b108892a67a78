// The language-pack install end to end, the same cases for every host: a pack downloaded from
// the loopback HTTP server, unpacked and then used for recognition; hostile packs refused with
// nothing written outside (or inside) the data folder. The packs and the bytes they hold are
// written by Python's zipfile module when the servers start (download_files.py).
#pragma once

#include <string>

// One host's way to the OCR binding: the control's C++ members or the plug-in's member operations.
class LanguagePackRoute {
public:
    virtual ~LanguagePackRoute() = default;
    virtual void SetHttpPort(int port) = 0;
    virtual void SetHttpCredentials(const std::string& user, const std::string& password) = 0;
    virtual void SetAddOnFolder(const std::string& folder) = 0;
    virtual void SetDataFolder(const std::string& folder) = 0;
    virtual void SetLanguage(const std::string& language) = 0;
    virtual bool Download(const std::string& server, const std::string& path, bool onlyIfMissing) = 0;
    virtual long ErrorCode() = 0;
    virtual std::string ErrorText() = 0;
    // Recognises local files with the result given as text; "" when the call failed.
    virtual std::string RecogniseFiles(const std::string& files) = 0;
};

// Runs every case over the route; failures are reported to the running test.
void CheckLanguagePackInstall(LanguagePackRoute& route);

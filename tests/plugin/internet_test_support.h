// What the plug-in's transfer tests share: an instance whose HTTP and FTP ports point at the
// loopback servers, and readers of what the servers received that owe nothing to the engine
// (a multipart splitter, a 24-bit BMP reader, Base64 through the system's crypt32).
#pragma once

#include <string>
#include <vector>

#include "../core/upload_test_support.h"
#include "script_object_fixture.h"

// One part of a multipart/form-data body.
struct FormPart {
    std::string disposition;  // the Content-Disposition header's value
    std::string content;
};
// The parts of a body by the boundary the Content-Type header names; empty when it names none.
std::vector<FormPart> SplitMultipart(const RecordedRequest& request);
// The value of a quoted parameter (name="...") of a header value.
std::string QuotedParameter(const std::string& header, const std::string& name);
// The top-down RGB bytes of a 24-bit bottom-up BMP file; empty when it is not one.
std::string BmpRgbRows(const std::string& file);
// Width and length of every page of a TIFF file, following its chain of directories; empty
// when it is not a TIFF file.
std::vector<std::pair<uint32_t, uint32_t>> TiffPageSizes(const std::string& file);
// Base64 decoded by the system (CryptStringToBinaryA).
std::string SystemBase64Decode(const std::string& text);
// A fresh path in the temporary folder (the file is not created).
std::string FreshTempPath(const char* extension);

class LoopbackPlugin : public ScriptObject {
protected:
    void SetUp() override;
    // Calls a method whose result is a Boolean and gives it (false for any other result).
    bool CallBool(const char* name, std::vector<NPVariant> args);
    std::string Server() const { return "127.0.0.1"; }

    LoopbackServers servers;
};

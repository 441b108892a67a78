// How a browser finds a plug-in: it reads the version resource of each DLL in its plug-in folder
// and keeps the one whose "MIMEType" names the type of the embed element.
#pragma once

#include <string>

namespace browser {

struct PluginFile {
    std::string path;
    std::string mimeType;
    std::string fileExtents;
    std::string fileOpenName;
    std::string fileDescription;
    std::string productName;
    std::string originalFilename;
};

// The keys of a DLL's version block (language 0409, code page 1252); false without that block.
bool ReadPluginFile(const std::string& path, PluginFile* out);
// The first DLL in the folder whose MIME types (separated by '|') include the type, compared
// without regard to case.
bool FindPluginForType(const std::string& folder, const std::string& mimeType, PluginFile* out);

}  // namespace browser

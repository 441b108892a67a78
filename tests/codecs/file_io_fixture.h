// Shared pieces of the file I/O tests: an engine that records its load and file-path reports
// and can be put on any route, the files ImageMagick made, and a scratch folder.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "codecs/image_operator.h"
#include "support/test_engine.h"

enum class Route { kControl, kPluginWithGdiplus, kPluginWithoutGdiplus };
const char* RouteName(Route route);

struct PostLoadReport {
    std::string folder, name;
    SHORT type;
};

struct FilePathReport {
    BOOL save;
    LONG count, index;
    std::string folder, name;
};

class FileEngine : public TestEngine {
public:
    void OnPostLoad(const char* folder, const char* name, SHORT type) override {
        postLoads.push_back({folder, name, type});
    }
    void OnGetFilePath(BOOL save, LONG count, LONG index, const char* folder, const char* name) override {
        filePaths.push_back({save, count, index, folder, name});
    }
    void SetRoutes(BOOL save, BOOL load) { SetLibraryRouting(save, load); }

    // Width, height and depth of a buffer image.
    BITMAPINFOHEADER Info(SHORT index);
    // The pixels of a buffer image row by row, without the row padding.
    std::vector<BYTE> Pixels(SHORT index);

    std::vector<PostLoadReport> postLoads;
    std::vector<FilePathReport> filePaths;
};

// An engine on the route; the table (when given) replaces the one of the route's library.
std::unique_ptr<FileEngine> MakeEngine(Route route, const GdiplusApi* table = nullptr);

// A file of the ImageMagick set, as a Windows path.
std::string TestFile(const char* name);
std::vector<BYTE> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<BYTE>& bytes);
// A new empty folder under the temporary folder (with a trailing "\").
std::string ScratchFolder();
// The pixel rows of a DIB block (after header and colour table).
std::vector<BYTE> DibPixels(HGLOBAL dib);

// A reader of zip archives in memory (language packs arrive as zip files): stored and deflated
// entries, with every offset and size checked against the archive and every entry checked by its
// CRC. Entry names that would leave the destination folder are refused.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "lumetta_win.h"

enum class ZipResult {
    Ok,
    NotZip,       // no end-of-central-directory record
    Corrupt,      // an offset, size, signature or CRC that does not hold
    Unsupported,  // encrypted, zip64, or a compression other than stored and deflate
    UnsafeName,   // an absolute path, a drive letter, ".." or an empty name
    TooLarge,     // the entries together would exceed the caller's limit
    Refused,      // the caller's handler refused an entry
};

struct ZipEntryView {
    std::string name;    // as stored, with "/" separators
    bool directory;      // the name ends in "/"
    const BYTE* data;    // the entry's bytes (inflated); null for directories
    size_t size;
};

// True for a relative name made of ordinary parts: no leading separator, no drive letter or other
// colon, no "." or ".." part, no control characters.
bool IsSafeZipEntryName(const std::string& name);

// Reads every entry in central-directory order and hands it to the handler (which returns false
// to stop with Refused). maxTotal bounds the inflated bytes of all entries together.
ZipResult ReadZipArchive(const BYTE* data, size_t size, size_t maxTotal,
                         const std::function<bool(const ZipEntryView&)>& handler);

const char* ZipResultText(ZipResult result);

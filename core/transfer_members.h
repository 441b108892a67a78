// The one rule of the transfer members, shared by their functions in core/transfer_members.cpp
// (CBrowserAddOnBase::HTTPUploadThroughPost and the others, declared in core/browser_addon_base.h).
// A host converts the script's texts to the system code page and hands them over at any length;
// the steps here are the same for both: texts fitted to the engine's buffers (an over-long one
// refused with -1034), the image type from a name's extension where the member takes it from
// there (-1110 when it has none that is known), the images the member names, one engine
// transfer, and one view refresh after a download into the buffer.
#pragma once

#include <string_view>

#include "core/browser_addon_base.h"

// Where a transfer member sends or fetches.
enum class TransferRoute { HttpPost, HttpPut, FtpUpload, HttpDownload, FtpDownload };
// What it sends or where a download goes.
enum class TransferImages { One, All, Selected, LocalFile, IntoBuffer };
// Image types beside 0 (BMP) to 4 (PDF) and kUploadLocalFile: the type of the extension of the
// POST file name or remote file name, or the type the script passed.
constexpr LONG kTypeFromName = -1;
constexpr LONG kTypeFromArgument = -2;

struct TransferMember {
    TransferRoute route;
    TransferImages images;
    LONG type;
};

// The texts of one transfer member's call. The engine's texts are C strings: each ends at its
// first NUL.
struct TransferArguments {
    std::string_view server;
    std::string_view remote;     // the remote file, or the action page of a POST
    std::string_view fileName;   // the file name a POST form gives the image
    std::string_view localFile;  // LocalFile members
    SHORT index = 0;             // One
    LONG type = 0;               // kTypeFromArgument
};

// Runs one transfer member on the engine; true when the transfer succeeded (the error code says
// why not).
BOOL RunTransferMember(CBrowserAddOnBase& engine, const TransferMember& member, const TransferArguments& args);

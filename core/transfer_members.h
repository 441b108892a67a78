// The transfer members as both hosts expose them. A host converts the script's texts to the system
// code page and hands them over at any length; the steps here are the same for both: texts
// fitted to the engine's buffers (an over-long one refused with -1034), the image type from a
// name's extension where the member takes it from there (-1110 when it has none that is known),
// the images the member names, one engine transfer, and one view refresh after a download into
// the buffer.
#pragma once

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

// Every transfer member: name, route, images, type. A member's script arguments follow one order:
// the server; then the image index (One) or the local file (LocalFile uploads); then the remote
// file or action page; then the form's file name (POST); then the local file (LocalFile
// downloads) or the image type (kTypeFromArgument).
#define LUMETTA_TRANSFER_MEMBERS(X)                                                     \
    X(FTPUpload, FtpUpload, One, kTypeFromName)                                         \
    X(FTPUploadEx, FtpUpload, One, kTypeFromArgument)                                   \
    X(FTPUploadAllAsMultiPageTIFF, FtpUpload, All, OSTRL_TIF)                           \
    X(FTPUploadAllAsPDF, FtpUpload, All, OSTRL_PDF)                                     \
    X(FTPUploadAsMultiPageTIFF, FtpUpload, Selected, OSTRL_TIF)                         \
    X(FTPUploadAsMultiPagePDF, FtpUpload, Selected, OSTRL_PDF)                          \
    X(FTPUploadDirectly, FtpUpload, LocalFile, kUploadLocalFile)                        \
    X(HTTPUploadThroughPut, HttpPut, One, kTypeFromName)                                \
    X(HTTPUploadThroughPutEx, HttpPut, One, kTypeFromArgument)                          \
    X(HTTPUploadAllThroughPutAsMultiPageTIFF, HttpPut, All, OSTRL_TIF)                  \
    X(HTTPUploadAllThroughPutAsPDF, HttpPut, All, OSTRL_PDF)                            \
    X(HTTPUploadThroughPutAsMultiPageTIFF, HttpPut, Selected, OSTRL_TIF)                \
    X(HTTPUploadThroughPutAsMultiPagePDF, HttpPut, Selected, OSTRL_PDF)                 \
    X(HTTPUploadThroughPutDirectly, HttpPut, LocalFile, kUploadLocalFile)               \
    X(HTTPUploadThroughPost, HttpPost, One, kTypeFromName)                              \
    X(HTTPUploadThroughPostEx, HttpPost, One, kTypeFromArgument)                        \
    X(HTTPUploadAllThroughPostAsMultiPageTIFF, HttpPost, All, OSTRL_TIF)                \
    X(HTTPUploadAllThroughPostAsPDF, HttpPost, All, OSTRL_PDF)                          \
    X(HTTPUploadThroughPostAsMultiPageTIFF, HttpPost, Selected, OSTRL_TIF)              \
    X(HTTPUploadThroughPostAsMultiPagePDF, HttpPost, Selected, OSTRL_PDF)               \
    X(HTTPUploadThroughPostDirectly, HttpPost, LocalFile, kUploadLocalFile)             \
    X(FTPDownload, FtpDownload, IntoBuffer, kTypeFromName)                              \
    X(FTPDownloadEx, FtpDownload, IntoBuffer, kTypeFromArgument)                        \
    X(FTPDownloadDirectly, FtpDownload, LocalFile, kUploadLocalFile)                    \
    X(HTTPDownload, HttpDownload, IntoBuffer, kTypeFromName)                            \
    X(HTTPDownloadEx, HttpDownload, IntoBuffer, kTypeFromArgument)                      \
    X(HTTPDownloadDirectly, HttpDownload, LocalFile, kUploadLocalFile)

namespace transfer_members {
#define LUMETTA_DEFINE_TRANSFER_MEMBER(name, route, images, type) \
    constexpr TransferMember name{TransferRoute::route, TransferImages::images, type};
LUMETTA_TRANSFER_MEMBERS(LUMETTA_DEFINE_TRANSFER_MEMBER)
#undef LUMETTA_DEFINE_TRANSFER_MEMBER
}  // namespace transfer_members

// The texts of one transfer member's call; null texts count as empty.
struct TransferArguments {
    const char* server = nullptr;
    const char* remote = nullptr;     // the remote file, or the action page of a POST
    const char* fileName = nullptr;   // the file name a POST form gives the image
    const char* localFile = nullptr;  // LocalFile members
    SHORT index = 0;                  // One
    LONG type = 0;                    // kTypeFromArgument
};

// Runs one transfer member on the engine; true when the transfer succeeded (the error code says
// why not).
BOOL RunTransferMember(CBrowserAddOnBase& engine, const TransferMember& member, const TransferArguments& args);

// The client-certificate members with the same text rules.
BOOL RunBindSSLCert(CBrowserAddOnBase& engine, const char* issuer, const char* serialNumber);
BOOL RunBindSSLCertEx(CBrowserAddOnBase& engine, const char* subjectKeyword);

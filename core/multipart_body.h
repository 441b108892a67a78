// The multipart/form-data body of a POST upload: the page's form fields, then the image file,
// then the closing line, separated by one fixed boundary.
#pragma once

#include "lumetta_win.h"

#include <cstdint>
#include <string>

#include "base/error_codes.h"

// The boundary of every POST body; a boundary line in the body is "--" followed by it.
inline constexpr char kMultipartBoundary[] = "---------------------------7d22c1f30aa4";

// The longest file name, in UTF-8 bytes, that goes into the filename attribute.
inline constexpr size_t kMaxUploadFileNameBytes = 511;

struct MultipartField {
    const char* name;   // fields with a null or empty name are not sent
    const char* value;  // null reads as empty
};

enum MultipartResult : int {
    kMultipartOk = 0,
    kMultipartNoMemory = 2,        // the body block could not be allocated
    kMultipartBadValue = kErrInvalidValue,  // a field value holds the boundary line, or a size beyond 2 GB
};

// The request header that goes with a body of the given size.
std::string MultipartRequestHeaders(uint64_t bodySize);

// A text made safe for a quoted parameter of a part header: '"' becomes %22, CR %0D and LF %0A
// (as browsers send form names and file names), so no text can end the header early.
std::string EscapeMultipartHeaderText(const char* text, size_t length);

// The number of bytes of a UTF-8 text of the given length that fit into max bytes without
// cutting a character in two.
size_t Utf8PrefixLength(const char* text, size_t length, size_t max);

// Lays the whole body out in a new fixed global block (the caller frees it) as BuildMultipartBody
// does, with everything but the file's bytes written: *fileAt is where its fileSize bytes go, for
// the caller to fill before the body is sent. The result is a MultipartResult.
int LayOutMultipartBody(const MultipartField* fields, int fieldCount, const char* fieldName, const char* fileNameUtf8,
                        uint64_t fileSize, HGLOBAL* body, uint64_t* bodySize, BYTE** fileAt);

// Builds the whole body into a new fixed global block (the caller frees it): each field with a
// name, the image part with fieldName and fileNameUtf8 (cut to kMaxUploadFileNameBytes), the file
// bytes and the closing line. The result is a MultipartResult.
int BuildMultipartBody(const MultipartField* fields, int fieldCount, const char* fieldName, const char* fileNameUtf8,
                       const BYTE* file, uint64_t fileSize, HGLOBAL* body, uint64_t* bodySize);

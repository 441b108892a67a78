// The fixed tables that turn the result codes of the own codecs into engine error codes.
#pragma once

#include "lumetta_win.h"

#include "base/error_codes.h"

LONG JpegResultToErrorCode(LONG result);
// TIFF results, and the PDF reader's results when it reads from memory.
LONG TiffResultToErrorCode(LONG result);
LONG PngResultToErrorCode(LONG result);
// PDF writer results, and the PDF reader's results when it reads a file.
LONG PdfResultToErrorCode(LONG result);
// GDI+ status: 0 is success, 1..20 give -1201 - status; anything else counts as a generic error.
LONG GdiplusStatusToErrorCode(LONG status);
// A system or WinInet error number n is stored as -3000 - n.
inline LONG SystemErrorToErrorCode(LONG n) { return kErrSystemBase - n; }

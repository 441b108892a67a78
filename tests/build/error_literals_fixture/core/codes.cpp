// Error codes written as numbers: each line below the marker is named, nothing above it.
static constexpr LONG kBadDib = -6;  // a codec's own result list
enum Results { kNoMemory = -7, kBadData = -10 };
#define TWBP_DISABLE (-2)
int x = -2, y = a - 1034;  // a coordinate, a subtraction
double lower = -2147483648.0, gap = -1000.0;
short coefficient = -11058;
int notFound = -1;
if (result == -1) return -1;
SetErrorCode(0);
SetErrorCode(kErrInvalidValue);
SetErrorCode(code);
const char* text = "stores -1034 and case -4:"; /* -1033 in a comment */
--count;
// marker
SetErrorCode(-1034);
SetErrorCode(2);
SetAdapterError(1);
engine->SetErrorCode(10);
return -3000 - static_cast<LONG>(error);
constexpr LONG kBusyError = -2121;
constexpr DWORD kCancelledExit = static_cast<DWORD>(-1032);
case -13: case -10: return kErrTiffFormat;
if (focused == m_reported) return -2;
return r ? r->format : -3;
m_errorCode = -5;
if (status != -8) fail();
if (-9 == rc) fail();
bool winInet = code <= -15000;

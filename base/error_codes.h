// The engine's error codes and their fixed English texts, which the page reads through
// ErrorString. A TWAIN condition code t is stored as -1000 - t, a system error n as -3000 - n.
#pragma once

#include "lumetta_win.h"

#include <cstddef>

enum EngineError : LONG {
    kErrSuccess = 0,
    kErrGeneralFailure = -1001,
    kErrNoMemory = -1002,
    kErrSourceNotFound = -1003,
    kErrSourceBusy = -1004,
    kErrSourceReported = -1005,
    kErrCapabilityUnsupported = -1006,
    kErrBadTriplet = -1009,
    kErrBadValueRange = -1010,
    kErrSequence = -1011,
    kErrBadDestination = -1012,
    kErrCapabilityNotSupported = -1013,
    kErrCapabilityBadOperation = -1014,
    kErrCapabilitySequence = -1015,
    kErrFileDenied = -1016,
    kErrFileExists = -1017,
    kErrFileNotFound = -1018,
    kErrDirectoryNotEmpty = -1019,
    kErrPaperJam = -1020,
    kErrPaperDoubleFeed = -1021,
    kErrFileWrite = -1022,
    kErrCheckDeviceOnline = -1023,
    kErrInterlock = -1024,
    kErrDamagedCorner = -1025,
    kErrFocusError = -1026,
    kErrDocumentTooLight = -1027,
    kErrDocumentTooDark = -1028,
    kErrNoMedia = -1029,
    kErrSourceManagerOpen = -1030,
    kErrStateSequence = -1031,
    kErrUserCancelled = -1032,
    kErrInvalidIndex = -1033,
    kErrInvalidValue = -1034,
    kErrNoImage = -1035,
    kErrFileRead = -1036,
    kErrBmpFile = -1070,
    kErrJpegFile = -1071,
    kErrJpegDepth = -1073,
    kErrTiffGeneral = -1080,
    kErrTiffFormat = -1081,
    kErrBmpFormat = -1090,
    kErrPngFormat = -1100,
    kErrFileExtension = -1110,
    kErrFormatUnsupported = -1111,
    kErrPdfFormat = -1200,
    kErrInternetSession = -2000,
    kErrHttpRequest = -2001,
    kErrHttpServer = -2002,
    kErrHttpProcess = -2003,
    kErrFtpTooBig = -2004,
    kErrNoSelectedImagesSize = -2005,
    kErrNoMoreData = -2006,
    kErrUploadTooBig = -2100,
    kErrPropertyReadonly = -2110,
    kErrNoSuchProperty = -2111,
    kErrNoSuchMethod = -2112,
    kErrBadParameter = -2113,
    kErrNoCertificate = -2114,
    kErrFileDialog = -2115,
    kErrOpenFiles = -2116,
    kErrPropertyUnsupported = -2117,
    kErrMethodUnsupported = -2118,
    kErrCustom2119 = -2119,
    kErrCustom2120 = -2120,
    kErrCustom2121 = -2121,
    kErrPropertyNotForDevice = -2122,
    kErrWrongDeviceType = -2123,
    kErrNoCamera = -2124,
    kErrNoDevice = -2125,
};

// The fixed text of a code, or null when it has none (custom-text codes, system and WinInet
// errors, unknown codes). The plug-in names its own source manager library in -1030.
const char* FixedErrorText(LONG code, bool pluginHost = false);

// -2119, -2120 and -2121: the failing operation attaches its own text.
inline bool IsCustomTextError(LONG code) { return code <= kErrCustom2119 && code >= kErrCustom2121; }

// The system error number a code stands for (-3000 - code).
inline LONG SystemErrorNumber(LONG code) { return -3000 - code; }

// -15000 to -15175: WinInet's errors 12000 to 12175, whose texts live in wininet.dll.
inline bool IsWinInetError(LONG code) { return code <= -15000 && code >= -15175; }

// Every code of the fixed table, in table order, for tests and listings.
struct FixedErrorEntry {
    LONG code;
    const char* text;
};
const FixedErrorEntry* FixedErrorTable(size_t* count);

#include "base/error_codes.h"

namespace {

constexpr FixedErrorEntry kTable[] = {
    {0, "Successful."},
    {-1001, "General failure."},
    {-1002, "Not enough memory to perform operation."},
    {-1003, "Source Manager unable to find the specified Source."},
    {-1004, "Source is connected to maximum supported number of applications."},
    {-1005, "Source or Source Manager reported an error to the user and handled the error."},
    {-1006, "Capability not supported by Source or operation is not supported on capability, or capability had "
            "dependencies on other capabilities and cannot be operated upon at this time."},
    {-1009, "Unrecognized operation triplet."},
    {-1010, "Data parameter out of supported range."},
    {-1011, "Operation out of expected sequence."},
    {-1012, "Unknown destination in DSM_Entry."},
    {-1013, "Capability not supported by source."},
    {-1014, "Operation not supported by capability."},
    {-1015, "Capability has dependancy on other capability and cannot be operated upon at this time."},
    {-1016, "File System operation is denied (file is protected)."},
    {-1017, "Operation failed because file already exists."},
    {-1018, "File not found."},
    {-1019, "Operation failed because directory is not empty."},
    {-1020, "The feeder is jammed."},
    {-1021, "The feeder detected multiple pages."},
    {-1022, "Error writing file."},
    {-1023, "The device went offline prior to or during this operation."},
    {-1024, "Cover or door is open."},
    {-1025, "Document has a damaged corner."},
    {-1026, "Focusing error during document capture."},
    {-1027, "Document is too light."},
    {-1028, "Document is too dark."},
    {-1029, "Source has nothing to capture."},
    {-1030, "Can not open Source Manager. TWAINDSM.dll is missing or is in use by another application."},
    {-1031, "Sequence error. The operation can not be performed upon the current Source Manager or Source state."},
    {-1032, "User cancelled the operation."},
    {-1033, "Invalid index."},
    {-1034, "Invalid value."},
    {-1035, "There is no image."},
    {-1036, "Error reading file."},
    {-1070, "BMP file or format error."},
    {-1071, "JPEG file or format error."},
    {-1073, "Only 24-bit true color bmp and 8-bit gray-scaled image are supported for JPEG compression."},
    {-1080, "General TIFF error."},
    {-1081, "TIFF format error or not supported."},
    {-1090, "BMP format error or not supported."},
    {-1100, "PNG format error or not supported."},
    {-1110, "Unrecognized file extension."},
    {-1111, "This format is not currently supported."},
    {-1200, "PDF format error or not supported."},
    {-2000, "Can not initiate the internet session."},
    {-2001, "HTTP request error."},
    {-2002, "HTTP server error."},
    {-2003, "HTTP process error."},
    {-2004, "The file too big for FTP."},
    {-2005, "Please call GetSelectedImagesSize first."},
    {-2006, "No more data."},
    {-2100, "The file too big for upload."},
    {-2110, "The property is readonly."},
    {-2111, "The property doesn't exist."},
    {-2112, "The method doesn't exist."},
    {-2113, "The parameter is not valid."},
    {-2114, "Could not find the desired certificate."},
    {-2115, "Failed to open file dialog box."},
    {-2116, "Failed to open some file(s)."},
    {-2117, "The current version does not support this property."},
    {-2118, "The current version does not support this method."},
    {-2122, "The property is not supported by current device type."},
    {-2123, "Wrong device type."},
    {-2124, "No camera device is found."},
    {-2125, "No device is found."},
};

constexpr char kPluginSourceManagerText[] =
    "Can not open Source Manager. TWain_32.dll is missing or is in use by another application.";

}  // namespace

const char* FixedErrorText(LONG code, bool pluginHost) {
    if (code == kErrSourceManagerOpen && pluginHost) return kPluginSourceManagerText;
    for (const FixedErrorEntry& e : kTable) {
        if (e.code == code) return e.text;
    }
    return nullptr;
}

const FixedErrorEntry* FixedErrorTable(size_t* count) {
    if (count) *count = sizeof(kTable) / sizeof(kTable[0]);
    return kTable;
}

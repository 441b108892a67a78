// Image types of the file I/O layer, their file extensions and dialog filters, and the
// recognition of a type from a file name or from the first bytes of a file.
#pragma once

#include "lumetta_win.h"

#include <cstdint>

enum ImageType : SHORT {
    kImageTypeUnspecified = -2,  // an open dialog's own choice: each file's extension gives its type
    OSTRL_BMP = 0,
    OSTRL_JPG = 1,
    OSTRL_TIF = 2,
    OSTRL_PNG = 3,
    OSTRL_PDF = 4,
    kImageTypeOther = 5,      // any other format GDI+ reads (".gif"); never offered to the page
    kImageTypeRawFile = 32767,  // a local file whose bytes travel unchanged
};

enum TIFFCompressionType : LONG {
    TIFF_AUTO = 0,
    TIFF_NONE = 1,
    TIFF_RLE = 2,
    TIFF_FAX3 = 3,
    TIFF_T4 = 3,
    TIFF_FAX4 = 4,
    TIFF_T6 = 4,
    TIFF_LZW = 5,
    TIFF_PACKBITS = 32773,
};

enum PDFCompressionType : LONG {
    enumAutoEncode = 0,
    enumCCITTFax3Encode = 1,
    enumCCITTFax4Encode = 2,
    enumLZWEncode = 3,
    enumRunLengthEncode = 4,
    enumJPEGEncode = 5,
};

// The save-dialog description of a type 0..4: its filter entry, pattern and default extension.
struct ImageTypeFilter {
    const char* name;
    const char* pattern;
    const char* defaultExtension;
};
// The types 0..kFileImageTypes-1 have a file format of their own (a filter, extensions, a codec).
constexpr int kFileImageTypes = OSTRL_PDF + 1;
// Null for a type outside 0..kFileImageTypes-1.
const ImageTypeFilter* FilterOfImageType(int type);
// The open dialog's "Supported files" entry: every type's patterns in type order, e.g.
// "*.bmp;*.jpg;...;*.pdf", with its name "Supported files (<patterns>)".
const char* SupportedFilesPattern();
const char* SupportedFilesName();

// Type from the text after the last "." of a file name: 0 and the type, or -1110 when there is
// no "." or the extension is unknown (the type then 65535 for an unknown one), -1034 for null.
LONG GetImageTypeFromFileName(const char* name, SHORT* type);

// 1 and the type when the first four bytes are a known signature, else 0 (type untouched).
BOOL DetectImageType(const BYTE* bytes, uint64_t length, SHORT* type);

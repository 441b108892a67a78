#include "codecs/image_type.h"

#include <cstring>
#include <string>

#include "base/error_codes.h"

namespace {

const ImageTypeFilter kFilters[] = {
    {"BMP (*.bmp)", "*.bmp", "bmp"},
    {"JPEG (*.jpg;*.jpeg;*.jpe;*.jfif)", "*.jpg;*.jpeg;*.jpe;*.jfif", "jpg"},
    {"TIFF (*.tif;*.tiff)", "*.tif;*.tiff", "tif"},
    {"PNG (*.png)", "*.png", "png"},
    {"PDF (*.pdf)", "*.pdf", "pdf"},
};

struct Extension {
    const char* text;
    SHORT type;
};

const Extension kExtensions[] = {
    {".bmp", OSTRL_BMP}, {".dib", OSTRL_BMP}, {".jpg", OSTRL_JPG}, {".jpe", OSTRL_JPG},
    {".jpeg", OSTRL_JPG}, {".jfif", OSTRL_JPG}, {".tif", OSTRL_TIF}, {".tiff", OSTRL_TIF},
    {".png", OSTRL_PNG}, {".pdf", OSTRL_PDF}, {".gif", kImageTypeOther},
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool SameIgnoringCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (Lower(*a) != Lower(*b)) return false;
    }
    return *a == *b;
}

}  // namespace

static_assert(sizeof(kFilters) / sizeof(kFilters[0]) == kFileImageTypes, "one filter a file type");

const ImageTypeFilter* FilterOfImageType(int type) {
    return type >= 0 && type < kFileImageTypes ? &kFilters[type] : nullptr;
}

const char* SupportedFilesPattern() {
    static const std::string pattern = [] {
        std::string all;
        for (const ImageTypeFilter& f : kFilters) {
            if (!all.empty()) all.push_back(';');
            all.append(f.pattern);
        }
        return all;
    }();
    return pattern.c_str();
}

const char* SupportedFilesName() {
    static const std::string name = [] {
        std::string text("Supported files (");
        text.append(SupportedFilesPattern());
        text.push_back(')');
        return text;
    }();
    return name.c_str();
}

LONG GetImageTypeFromFileName(const char* name, SHORT* type) {
    if (!name || !type) return kErrInvalidValue;
    const char* dot = std::strrchr(name, '.');
    if (!dot) return kErrFileExtension;
    for (const Extension& e : kExtensions) {
        if (SameIgnoringCase(dot, e.text)) {
            *type = e.type;
            return 0;
        }
    }
    *type = SHORT(-1);  // 65535
    return kErrFileExtension;
}

BOOL DetectImageType(const BYTE* b, uint64_t length, SHORT* type) {
    if (!b || !type || length < 4) return FALSE;
    SHORT t;
    if (b[0] == 'B' && b[1] == 'M') {
        t = OSTRL_BMP;
    } else if (b[0] == 0xFF && b[1] == 0xD8) {
        t = OSTRL_JPG;
    } else if ((b[0] == 'I' && b[1] == 'I' && b[2] == '*' && b[3] == 0) ||
               (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && b[3] == '*')) {
        t = OSTRL_TIF;
    } else if (b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G') {
        t = OSTRL_PNG;
    } else if (b[0] == '%' && Lower(char(b[1])) == 'p' && Lower(char(b[2])) == 'd' && Lower(char(b[3])) == 'f') {
        t = OSTRL_PDF;
    } else {
        return FALSE;
    }
    *type = t;
    return TRUE;
}

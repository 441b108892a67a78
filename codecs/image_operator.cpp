#include "codecs/image_operator.h"

#include "engine/dib_convert.h"

CImageOperator::CImageOperator() = default;
CImageOperator::~CImageOperator() = default;

HGLOBAL CImageOperator::NormalizeIncomingImage(HGLOBAL dib) {
    HGLOBAL kept = ConvertDIBTo24Bit(dib);
    if (!kept) {
        // Never keep an image that cannot be read safely: it is freed and the add fails.
        SetErrorCode(-1002);
        GlobalFree(dib);
        return nullptr;
    }
    if (kept != dib) GlobalFree(dib);
    return kept;
}

void CImageOperator::OnPostLoad(const char*, const char*, SHORT) {}

void CImageOperator::OnGetFilePath(BOOL, LONG, LONG, char*, char*) {}

// CImageOperator: the engine layer that gives the image buffer file and memory input and output,
// and normalises every image entering the buffer.
#pragma once

#include "engine/multi_image_twain.h"

class CImageOperator : public CMultiImageTWAIN {
public:
    CImageOperator();
    ~CImageOperator() override;

    // Engine slot 12: a 32-bit image becomes a new 24-bit one; an image the layout check refuses
    // is freed and refused (-1002 when no conversion could be made).
    HGLOBAL NormalizeIncomingImage(HGLOBAL dib) override;
    // Engine slot 13: a file was loaded.
    virtual void OnPostLoad(const char* path, const char* name, SHORT type);
    // Engine slot 14: the page may name the path of the next file to save or load.
    virtual void OnGetFilePath(BOOL save, LONG count, LONG index, char* path, char* name);
};

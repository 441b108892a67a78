// CImageFilter: decides whether a scanned or captured page is blank, and reports the measured
// value that the page reads back as BlankImageCurrentStdDev.
#pragma once

#include "engine/image.h"

class CImageFilter {
public:
    CImageFilter() = default;
    virtual ~CImageFilter() = default;

    // Tests a copy of the DIB (the DIB itself is not changed). Mode 0: the rectangle is cut
    // out, thresholded to black and white and smoothed, and the statistic runs on the result;
    // any other mode: the statistic runs on the rectangle of the colour copy. current receives
    // the statistic / 100000, clamped to 0..100 (0 on failure). True when maximum >= current.
    bool IsBlankImage(HGLOBAL dib, int threshold, float maximum, const ImageRect& rect, int mode, double* current);
    // The CImage result code of the last test.
    LONG GetErrorCode() const { return m_result; }

private:
    LONG m_result = kImageOk;
};

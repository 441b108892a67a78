#include "engine/image_filter.h"

#include <algorithm>

bool CImageFilter::IsBlankImage(HGLOBAL dib, int threshold, float maximum, const ImageRect& rect, int mode,
                                double* current) {
    m_result = kImageOk;
    if (current) *current = 0;
    // The test changes only images it made itself, except the grey conversion of an 8-bit
    // image, which works in place: only that case needs a copy of the caller's block.
    CImage image;
    if (!image.AttachHandle(dib, FALSE, TRUE) ||
        (mode == 0 && image.GetBitCount() == 8 && !image.AttachHandle(dib, TRUE))) {
        m_result = image.GetResult();
        return false;
    }
    ImageRect statistic = rect;
    if (mode == 0) {
        // Thresholding cuts the rectangle out; the weighted 3 x 3 majority then removes specks.
        static const int kSmooth[9] = {1, 2, 1, 2, 4, 2, 1, 2, 1};
        if (!image.Threshold(rect, threshold) || !image.Convolve(kSmooth, 3, 16, 0)) {
            m_result = image.GetResult();
            return false;
        }
        statistic = ImageRect{};
    }
    const double deviation = image.GetColorDeviation(statistic);
    if (image.GetResult() != kImageOk) {
        m_result = image.GetResult();
        return false;
    }
    const double value = std::clamp(deviation / 100000.0, 0.0, 100.0);
    if (current) *current = value;
    return double(maximum) >= value;
}

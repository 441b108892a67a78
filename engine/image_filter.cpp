#include "engine/image_filter.h"

#include <algorithm>

bool CImageFilter::IsBlankImage(HGLOBAL dib, int threshold, float maximum, const ImageRect& rect, int mode,
                                double* current) {
    m_result = kImageOk;
    if (current) *current = 0;
    CImage image;
    if (!image.AttachHandle(dib, TRUE)) {
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

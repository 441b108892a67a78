#include "codecs/codec_result_map.h"

LONG JpegResultToErrorCode(LONG r) {
    switch (r) {
        case -4: case 2: return -1071;
        case -3: return -1073;
        case -2: case 3: return -1070;
        case -1: case 1: return -1002;
        default: return 0;
    }
}

LONG TiffResultToErrorCode(LONG r) {
    switch (r) {
        case -13: case -10: case -8: case -4: case -3: return -1081;
        case -12: return -1080;
        case -11: case -9: case -5: case -2: return -1022;
        case -7: case -6: case -1: return -1002;
        default: return 0;
    }
}

LONG PngResultToErrorCode(LONG r) {
    switch (r) {
        case -11: case -9: case -5: case -2: return -1022;
        case -10: case -8: case -4: case -3: return -1100;
        case -7: case -6: case -1: return -1002;
        default: return 0;
    }
}

LONG PdfResultToErrorCode(LONG r) {
    switch (r) {
        case 0: return 0;
        case -9: return -1073;
        case -7: case -6: case -1: return -1002;
        case -3: return -1036;
        case -2: return -1022;
        default: return -1200;
    }
}

LONG GdiplusStatusToErrorCode(LONG status) {
    if (status == 0) return 0;
    if (status >= 1 && status <= 20) return -1201 - status;
    return -1202;  // outside the documented range: GenericError
}

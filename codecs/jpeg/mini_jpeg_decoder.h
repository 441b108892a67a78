// CMiniJpegDecoder: the own baseline JPEG decoder. Turns a JPEG stream into a packed bottom-up
// DIB: 24-bit for colour, 8-bit with a grey palette for one component.
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>

namespace jpeg {
struct JpegStreamInfo;
struct JpegRangeLimit;
struct JpegColorTables;
}  // namespace jpeg

class CMiniJpegDecoder {
public:
    // Results of Decode.
    static constexpr int kOk = 0;
    static constexpr int kNoMemory = 1;
    static constexpr int kBadFormat = 2;

    CMiniJpegDecoder();
    ~CMiniJpegDecoder();
    CMiniJpegDecoder(const CMiniJpegDecoder&) = delete;
    CMiniJpegDecoder& operator=(const CMiniJpegDecoder&) = delete;

    // Decodes the stream into a new DIB. The bytes stay the caller's.
    int Decode(const BYTE* bytes, SIZE_T length);

    // False for a baseline stream whose frame needs more bits than its entropy-coded bytes hold
    // (Decode refuses it with kBadFormat); true for any other stream, also one Decode cannot
    // read, so another decoder may still try it.
    static bool FrameFitsData(const BYTE* bytes, SIZE_T length);

    // The size of the DIB block Decode makes for the stream, read from its frame, so that a
    // caller can reserve it before decoding; 0 when Decode would refuse the stream before it
    // reserves anything (unreadable segments, a frame over the DIB limit or over its data).
    static uint64_t BlockBytesOf(const BYTE* bytes, SIZE_T length);

    // The DIB of the last successful decode; the caller owns it from then on (null when none).
    HGLOBAL GetDIB();

private:
    int DecodeScan(BYTE* pixels, uint64_t stride);

    jpeg::JpegStreamInfo* m_info = nullptr;
    jpeg::JpegRangeLimit* m_limit = nullptr;
    jpeg::JpegColorTables* m_colors = nullptr;
    const BYTE* m_data = nullptr;
    SIZE_T m_size = 0;
    HGLOBAL m_dib = nullptr;
};

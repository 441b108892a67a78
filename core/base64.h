// CBase64: Base64 text (RFC 4648 alphabet and "=" padding, no line breaks) for the script, and a
// lenient decoder for the page's text. One object serves one encode or decode and owns its two
// grow-only buffers: the input buffer (the decoded bytes, or what SetInput copied) and the output
// buffer (the text after an encode, or what FilterText left). Both are always followed by zero
// bytes, so the text is NUL-terminated. Encode reads the caller's bytes in place and Decode
// filters the text on the fly: large images are not copied once more on the way.
//
// Sizes are checked: a request that does not fit the 32-bit buffer sizes fails, the buffer is then
// null, and callers report a null text as memory exhaustion.
#pragma once

#include "lumetta_win.h"

class CBase64 {
public:
    // Three bytes (encoding) or four 6-bit values (decoding), and how many of them count.
    struct Group {
        BYTE bytes[4];
        int count;
    };

    CBase64() = default;
    CBase64(const CBase64&) = delete;
    CBase64& operator=(const CBase64&) = delete;
    virtual ~CBase64();

    // Encodes a NUL-terminated text; a null text does nothing.
    virtual bool EncodeText(const char* text);
    virtual bool Encode(const BYTE* bytes, DWORD length);
    // Decodes a NUL-terminated text; a null text does nothing.
    virtual bool DecodeText(const char* text);
    // Never refuses a character: blanks and control characters 7 to 13 are skipped, a byte with
    // its high bit set stands for its lower seven bits, any other stray character for "+".
    virtual bool Decode(const char* text, DWORD length);

    // The buffers are handed out writable: what the caller leaves in them is not known afterwards.
    virtual BYTE* GetData() {
        m_inputZeroFrom = m_inputCapacity;
        return m_input;
    }
    virtual BYTE* GetDecodedData(DWORD* length) {
        if (length) *length = m_inputLength;
        m_inputZeroFrom = m_inputCapacity;
        return m_input;
    }
    // The text of the last encode; null before any encode or when memory ran out.
    virtual char* GetEncodedText() {
        m_outputZeroFrom = m_outputCapacity;
        return reinterpret_cast<char*>(m_output);
    }

    // Buffers of at least size bytes, zero-filled, length 0. False (and a null buffer) when the
    // size does not fit or memory runs out.
    virtual bool PrepareOutput(ULONGLONG size);
    virtual bool PrepareInput(ULONGLONG size);
    // The output buffer receives the text without its skipped characters.
    virtual bool FilterText(const char* text, DWORD length);
    // Copies the bytes into the input buffer.
    virtual bool SetInput(const BYTE* bytes, DWORD length);

    // Four characters for a group of one to three bytes, "=" for the missing ones.
    virtual void EncodeGroup(const Group& group, char out[4]);
    // Three bytes for a group of four 6-bit values.
    virtual void DecodeGroup(const Group& group, BYTE out[3]);
    virtual void SplitGroup(const BYTE in[3], BYTE values[4]);
    virtual void JoinGroup(const BYTE values[4], BYTE out[3]);
    virtual bool IsSkippedCharacter(BYTE c);

    DWORD InputLength() const { return m_inputLength; }
    DWORD OutputLength() const { return m_outputLength; }

    // Value of each byte in the text: its alphabet index, 254 outside the alphabet, 255 for "=".
    static const BYTE* DecodingTable();

private:
    // Grow-only buffer of at least size bytes, zero-filled, for the caller to fill (zeroFrom
    // becomes the capacity).
    static bool Grow(BYTE*& buffer, DWORD& capacity, DWORD& zeroFrom, ULONGLONG size);
    // The same buffer without the fill: zeroed says whether it is a new, zero-filled block.
    static bool Claim(BYTE*& buffer, DWORD& capacity, ULONGLONG size, bool* zeroed);
    // Zeros the buffer from used on, as far as anything may have been written there: the last
    // stores and whatever lay before zeroFrom.
    static void ClearPast(BYTE* buffer, DWORD capacity, DWORD used, DWORD zeroFrom);
    // Bytes the codec's stores may reach past the data they leave.
    static constexpr DWORD kStoreSlack = 16;

    BYTE* m_input = nullptr;
    BYTE* m_output = nullptr;
    DWORD m_inputCapacity = 0;
    DWORD m_outputCapacity = 0;
    DWORD m_inputLength = 0;
    DWORD m_outputLength = 0;
    // From here to the capacity the buffer holds zeros (the capacity: nothing is known).
    DWORD m_inputZeroFrom = 0;
    DWORD m_outputZeroFrom = 0;
};

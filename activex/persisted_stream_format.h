// The stream format of the control's persisted properties, read without the platform: a version
// word, the extent, then one serialised value per table entry (its 16-bit variant type, then 2 or
// 4 bytes, or a 32-bit byte count and UTF-16 text with its terminator). A stream comes from the
// container's storage and is not trusted: every value is checked against the entry's type and
// every text against its bound before a byte is kept.
#pragma once

#include "lumetta_win.h"

#include <cstdint>
#include <vector>

constexpr uint32_t kPersistedStreamVersion = 0x0900;
// The longest persisted text a stream may carry, in bytes with its terminator.
constexpr uint32_t kMaxPersistedTextBytes = 64 * 1024;

// The variant types a value is stored with (their numbers are those of the stream).
enum PersistedType : uint16_t {
    kPersistedShort = 2,   // VT_I2
    kPersistedLong = 3,    // VT_I4
    kPersistedFloat = 4,   // VT_R4
    kPersistedText = 8,    // VT_BSTR
    kPersistedBool = 11,   // VT_BOOL
    kPersistedInt = 22,    // VT_INT
};

// Results: 0, the failure a source reported, or one of these (the system's own status values).
constexpr LONG kPersistedBadFormat = static_cast<LONG>(0x80004005);  // E_FAIL
constexpr LONG kPersistedNoMemory = static_cast<LONG>(0x8007000E);   // E_OUTOFMEMORY

struct PersistedStreamHead {
    uint32_t version;
    uint32_t cx, cy;  // the extent in HIMETRIC
};

struct PersistedValue {
    uint16_t type = 0;          // the entry's type (a VT_INT entry may arrive as VT_I4)
    uint8_t bytes[4] = {};      // a number's 2 or 4 bytes as stored, the rest zero
    bool nullText = false;      // a text stored with byte count 0
    std::vector<uint16_t> text; // a text's characters without the terminator
};

// Bytes of a numeric value of a type: 2 or 4, 0 for texts and unknown types.
uint32_t PersistedValueBytes(uint16_t type);

class PersistedStreamReader {
public:
    virtual ~PersistedStreamReader() = default;
    // Reads exactly size bytes: 0, or a failure status (a short read is kPersistedBadFormat).
    virtual LONG ReadExact(void* data, uint32_t size) = 0;

    // The version and extent; a version above kPersistedStreamVersion is kPersistedBadFormat.
    LONG ReadHead(PersistedStreamHead* head);
    // The next value for an entry of the given type: another stored type, an odd or oversized
    // text, or a text without its terminator is kPersistedBadFormat.
    LONG ReadValue(uint16_t entryType, PersistedValue* value);
};

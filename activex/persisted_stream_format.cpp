#include "activex/persisted_stream_format.h"

#include <new>

uint32_t PersistedValueBytes(uint16_t type) {
    switch (type) {
        case kPersistedShort:
        case kPersistedBool: return 2;
        case kPersistedLong:
        case kPersistedInt:
        case kPersistedFloat: return 4;
        default: return 0;
    }
}

LONG PersistedStreamReader::ReadHead(PersistedStreamHead* head) {
    uint8_t bytes[12];
    LONG status = ReadExact(bytes, 4);
    if (status != 0) return status;
    head->version = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
    if (head->version > kPersistedStreamVersion) return kPersistedBadFormat;
    status = ReadExact(bytes + 4, 8);
    if (status != 0) return status;
    head->cx = uint32_t(bytes[4]) | uint32_t(bytes[5]) << 8 | uint32_t(bytes[6]) << 16 | uint32_t(bytes[7]) << 24;
    head->cy = uint32_t(bytes[8]) | uint32_t(bytes[9]) << 8 | uint32_t(bytes[10]) << 16 | uint32_t(bytes[11]) << 24;
    return 0;
}

LONG PersistedStreamReader::ReadValue(uint16_t entryType, PersistedValue* value) {
    *value = PersistedValue();
    uint8_t word[4];
    LONG status = ReadExact(word, 2);
    if (status != 0) return status;
    const uint16_t type = static_cast<uint16_t>(word[0] | word[1] << 8);
    const bool accepted = type == entryType || (entryType == kPersistedInt && type == kPersistedLong);
    if (!accepted) return kPersistedBadFormat;
    value->type = type;
    if (type != kPersistedText) {
        const uint32_t size = PersistedValueBytes(type);
        if (size == 0) return kPersistedBadFormat;
        return ReadExact(value->bytes, size);
    }
    status = ReadExact(word, 4);
    if (status != 0) return status;
    const uint32_t bytes = uint32_t(word[0]) | uint32_t(word[1]) << 8 | uint32_t(word[2]) << 16 | uint32_t(word[3]) << 24;
    if (bytes == 0) {
        value->nullText = true;
        return 0;
    }
    if (bytes % 2 != 0 || bytes < 2 || bytes > kMaxPersistedTextBytes) return kPersistedBadFormat;
    try {
        value->text.resize(bytes / 2);
    } catch (const std::bad_alloc&) {
        return kPersistedNoMemory;
    }
    status = ReadExact(value->text.data(), bytes);
    if (status != 0) return status;
    if (value->text.back() != 0) return kPersistedBadFormat;
    value->text.pop_back();
    return 0;
}

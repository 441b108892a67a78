#include "capture/twain/twain_capability_area.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

struct ItemTypeGroup {
    TW_UINT16 itemType;
    const TW_UINT16* ids;
    size_t count;
};

constexpr TW_UINT16 kInt16Caps[] = {0x0001, 0x1033, 0x1034, 0x113E, 0x1153};
constexpr TW_UINT16 kInt32Caps[] = {0x1019, 0x101A, 0x101B, 0x101C, 0x1032, 0x1134};
constexpr TW_UINT16 kUInt8Caps[] = {0x1104};
constexpr TW_UINT16 kUInt16Caps[] = {
    0x0100, 0x0101, 0x0102, 0x0103, 0x1005, 0x1006, 0x1012, 0x1018, 0x101D, 0x1020, 0x1026, 0x1029, 0x102C,
    0x102D, 0x102E, 0x1035, 0x1037, 0x103A, 0x1106, 0x110C, 0x110E, 0x1110, 0x111A, 0x111C, 0x111D, 0x111E,
    0x111F, 0x1120, 0x1122, 0x1126, 0x1127, 0x1128, 0x112A, 0x112B, 0x112C, 0x1136, 0x1138, 0x113A, 0x113B,
    0x1140, 0x1142, 0x1143, 0x1146, 0x1147, 0x1148, 0x1149, 0x1154, 0x1155, 0x1156, 0x115A, 0x115E};
constexpr TW_UINT16 kUInt32Caps[] = {0x1016, 0x101E, 0x1028, 0x1139, 0x113C, 0x113D, 0x1141, 0x1144, 0x1145};
constexpr TW_UINT16 kBoolCaps[] = {0x1002, 0x1003, 0x1007, 0x1008, 0x1009, 0x100A, 0x100B, 0x100D, 0x100E,
                                   0x100F, 0x1010, 0x1011, 0x1013, 0x1014, 0x1021, 0x1027, 0x1030, 0x1036,
                                   0x1038, 0x1039, 0x103B, 0x1100, 0x1107, 0x110D, 0x111B, 0x112D, 0x112F,
                                   0x1137, 0x113F, 0x1150, 0x1151, 0x1152, 0x1157, 0x1158, 0x1159, 0x115B};
constexpr TW_UINT16 kFix32Caps[] = {0x1101, 0x1103, 0x1105, 0x1108, 0x110A, 0x1111, 0x1112, 0x1113, 0x1116, 0x1117,
                                    0x1118, 0x1119, 0x1121, 0x1123, 0x1124, 0x1125, 0x1130, 0x1131, 0x115D};
constexpr TW_UINT16 kFrameCaps[] = {0x1114};
constexpr TW_UINT16 kStr32Caps[] = {0x1004, 0x101F, 0x1109};
constexpr TW_UINT16 kStr128Caps[] = {0x1000};
constexpr TW_UINT16 kStr255Caps[] = {0x1001, 0x1024, 0x102A, 0x102B, 0x103C};

#define LUMETTA_GROUP(type, ids) {type, ids, sizeof(ids) / sizeof(ids[0])}
constexpr ItemTypeGroup kGroups[] = {
    LUMETTA_GROUP(TWTY_INT16, kInt16Caps),   LUMETTA_GROUP(TWTY_INT32, kInt32Caps),
    LUMETTA_GROUP(TWTY_UINT8, kUInt8Caps),   LUMETTA_GROUP(TWTY_UINT16, kUInt16Caps),
    LUMETTA_GROUP(TWTY_UINT32, kUInt32Caps), LUMETTA_GROUP(TWTY_BOOL, kBoolCaps),
    LUMETTA_GROUP(TWTY_FIX32, kFix32Caps),   LUMETTA_GROUP(TWTY_FRAME, kFrameCaps),
    LUMETTA_GROUP(TWTY_STR32, kStr32Caps),   LUMETTA_GROUP(TWTY_STR128, kStr128Caps),
    LUMETTA_GROUP(TWTY_STR255, kStr255Caps),
};
#undef LUMETTA_GROUP

bool IsStringType(TW_UINT16 t) { return t >= TWTY_STR32 && t <= TWTY_STR255; }

template <typename T>
T Load(const uint8_t* p) {
    T v;
    memcpy(&v, p, sizeof(T));
    return v;
}

template <typename T>
void Store(uint8_t* p, T v) {
    memcpy(p, &v, sizeof(T));
}

// A numeric item of a known type at p (which holds at least its size). False for other types.
bool ReadNumber(const uint8_t* p, TW_UINT16 t, double* out) {
    switch (t) {
        case TWTY_INT8: *out = Load<int8_t>(p); return true;
        case TWTY_UINT8: *out = Load<uint8_t>(p); return true;
        case TWTY_INT16: *out = Load<int16_t>(p); return true;
        case TWTY_UINT16:
        case TWTY_BOOL: *out = Load<uint16_t>(p); return true;
        case TWTY_INT32: *out = Load<int32_t>(p); return true;
        case TWTY_UINT32: *out = Load<uint32_t>(p); return true;
        case TWTY_FIX32: *out = Fix32ToFloat(Load<TW_FIX32>(p)); return true;
        default: return false;
    }
}

int64_t Truncate(double v, double lo, double hi) {
    if (std::isnan(v)) return 0;
    return static_cast<int64_t>(std::clamp(v, lo, hi));
}

// Writes a number as an item of type t; types without a numeric form stay zero.
void WriteNumber(uint8_t* p, TW_UINT16 t, double v) {
    switch (t) {
        case TWTY_INT8: Store<int8_t>(p, static_cast<int8_t>(Truncate(v, -128, 127))); break;
        case TWTY_UINT8: Store<uint8_t>(p, static_cast<uint8_t>(Truncate(v, 0, 255))); break;
        case TWTY_INT16: Store<int16_t>(p, static_cast<int16_t>(Truncate(v, -32768, 32767))); break;
        case TWTY_UINT16:
        case TWTY_BOOL: Store<uint16_t>(p, static_cast<uint16_t>(Truncate(v, 0, 65535))); break;
        case TWTY_INT32: Store<int32_t>(p, static_cast<int32_t>(Truncate(v, -2147483648.0, 2147483647.0))); break;
        case TWTY_UINT32: Store<uint32_t>(p, static_cast<uint32_t>(Truncate(v, 0, 4294967295.0))); break;
        case TWTY_FIX32: Store<TW_FIX32>(p, FloatToFix32(v)); break;
        default: break;
    }
}

TwainFrame ReadFrame(const uint8_t* p) {
    return {Fix32ToFloat(Load<TW_FIX32>(p)), Fix32ToFloat(Load<TW_FIX32>(p + 4)), Fix32ToFloat(Load<TW_FIX32>(p + 8)),
            Fix32ToFloat(Load<TW_FIX32>(p + 12))};
}

void WriteFrame(uint8_t* p, const TwainFrame& f) {
    Store(p, FloatToFix32(f.left));
    Store(p + 4, FloatToFix32(f.top));
    Store(p + 8, FloatToFix32(f.right));
    Store(p + 12, FloatToFix32(f.bottom));
}

// Copies a fixed-size string item, cut at its size - 1 and at the first zero.
void ReadString(const uint8_t* p, uint32_t itemSize, char (&out)[kCapStringSize]) {
    size_t n = strnlen(reinterpret_cast<const char*>(p), std::min<size_t>(itemSize - 1, kCapStringSize - 1));
    memcpy(out, p, n);
    out[n] = '\0';
}

void WriteString(uint8_t* p, uint32_t itemSize, const char (&in)[kCapStringSize]) {
    size_t n = strnlen(in, std::min<size_t>(itemSize - 1, kCapStringSize - 1));
    memcpy(p, in, n);
    p[n] = 0;
}

void DecodeItems(const uint8_t* items, size_t bytes, TW_UINT16 t, TW_UINT32 declared, TwainCapabilityArea& area) {
    uint32_t size = TwainItemSize(t);
    uint64_t n = std::min<uint64_t>({declared, kMaxCapItems, bytes / size});
    for (uint64_t i = 0; i < n; ++i) {
        const uint8_t* p = items + i * size;
        if (t == TWTY_FRAME) {
            area.frames[i] = ReadFrame(p);
        } else if (IsStringType(t)) {
            ReadString(p, size, area.strings[i]);
        } else {
            ReadNumber(p, t, &area.items[i]);
        }
    }
}

void EncodeItem(uint8_t* p, TW_UINT16 t, const TwainCapabilityArea& area, int i) {
    if (t == TWTY_FRAME) {
        WriteFrame(p, area.frames[i]);
    } else if (IsStringType(t)) {
        WriteString(p, TwainItemSize(t), area.strings[i]);
    } else {
        WriteNumber(p, t, area.items[i]);
    }
}

constexpr size_t kOneValueBlock = 262;
constexpr size_t kEnumHeader = 14;   // ItemType, NumItems, CurrentIndex, DefaultIndex
constexpr size_t kArrayHeader = 6;   // ItemType, NumItems

}  // namespace

uint32_t TwainItemSize(TW_UINT16 t) {
    switch (t) {
        case TWTY_INT8:
        case TWTY_UINT8: return 1;
        case TWTY_INT16:
        case TWTY_UINT16:
        case TWTY_BOOL: return 2;
        case TWTY_INT32:
        case TWTY_UINT32:
        case TWTY_FIX32: return 4;
        case TWTY_FRAME: return 16;
        case TWTY_STR32: return 34;
        case TWTY_STR64: return 66;
        case TWTY_STR128: return 130;
        case TWTY_STR255: return 256;
        case TWTY_STR1024: return 1026;
        case TWTY_UNI512: return 1024;
        default: return 2;
    }
}

TW_UINT16 CapabilityItemType(TW_UINT16 capability, TW_UINT16 fallback) {
    for (const auto& g : kGroups) {
        if (std::find(g.ids, g.ids + g.count, capability) != g.ids + g.count) return g.itemType;
    }
    return fallback;
}

float Fix32ToFloat(TW_FIX32 value) { return static_cast<float>(value.Whole + value.Frac / 65536.0); }

TW_FIX32 FloatToFix32(double value) {
    double scaled = value * 65536.0 + (value < 0 ? -0.5 : 0.5);
    int32_t v = static_cast<int32_t>(Truncate(scaled, -2147483648.0, 2147483647.0));
    TW_FIX32 f;
    f.Whole = static_cast<TW_INT16>(v >> 16);
    f.Frac = static_cast<TW_UINT16>(v & 0xFFFF);
    return f;
}

bool DecodeCapabilityContainer(TW_UINT16 conType, const uint8_t* block, size_t size, TwainCapabilityArea& area) {
    if (size < 2) return false;
    TW_UINT16 t = Load<TW_UINT16>(block);
    switch (conType) {
        case TWON_ONEVALUE: {
            uint32_t itemSize = TwainItemSize(t);
            if (size < 2 + std::max<uint32_t>(itemSize, 4)) return false;
            area.itemType = t;
            const uint8_t* item = block + 2;
            if (t == TWTY_FRAME) {
                area.oneFrame = ReadFrame(item);
            } else if (IsStringType(t)) {
                ReadString(item, itemSize, area.oneString);
            } else if (t != TWTY_INT8 && t != TWTY_UINT8) {
                ReadNumber(item, t, &area.oneValue);
            }
            return true;
        }
        case TWON_RANGE: {
            if (size < sizeof(TW_RANGE)) return false;
            area.itemType = t;
            if (t == TWTY_INT16 || t == TWTY_INT32 || t == TWTY_UINT16 || t == TWTY_UINT32 || t == TWTY_FIX32) {
                double* fields[] = {&area.rangeMin, &area.rangeMax, &area.rangeStep, &area.rangeDefault,
                                    &area.rangeCurrent};
                for (int i = 0; i < 5; ++i) ReadNumber(block + 2 + 4 * i, t, fields[i]);
            }
            return true;
        }
        case TWON_ENUMERATION: {
            if (size < kEnumHeader) return false;
            area.enumItemType = t;
            area.enumCount = Load<TW_UINT32>(block + 2);
            area.enumCurrent = Load<TW_UINT32>(block + 6);
            area.enumDefault = Load<TW_UINT32>(block + 10);
            DecodeItems(block + kEnumHeader, size - kEnumHeader, t, area.enumCount, area);
            return true;
        }
        case TWON_ARRAY: {
            if (size < kArrayHeader) return false;
            area.arrayItemType = t;
            area.arrayCount = Load<TW_UINT32>(block + 2);
            DecodeItems(block + kArrayHeader, size - kArrayHeader, t, area.arrayCount, area);
            return true;
        }
        default: return true;
    }
}

HGLOBAL EncodeCapabilityContainer(const TwainCapabilityArea& area, TW_UINT16 t) {
    uint32_t itemSize = TwainItemSize(t);
    size_t bytes = 0;
    uint32_t count = 0;
    switch (area.conType) {
        case TWON_ONEVALUE: bytes = kOneValueBlock; break;
        case TWON_RANGE: bytes = sizeof(TW_RANGE); break;
        case TWON_ENUMERATION:
            count = std::min<uint32_t>(area.enumCount, kMaxCapItems);
            bytes = static_cast<size_t>(itemSize) * count + 16;
            break;
        case TWON_ARRAY:
            count = std::min<uint32_t>(area.arrayCount, kMaxCapItems);
            bytes = static_cast<size_t>(itemSize) * count + 8;
            break;
        default: return nullptr;
    }
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    if (!h) return nullptr;
    auto* p = static_cast<uint8_t*>(GlobalLock(h));
    if (!p) {
        GlobalFree(h);
        return nullptr;
    }
    Store<TW_UINT16>(p, t);
    switch (area.conType) {
        case TWON_ONEVALUE:
            if (t == TWTY_FRAME) {
                WriteFrame(p + 2, area.oneFrame);
            } else if (IsStringType(t)) {
                WriteString(p + 2, itemSize, area.oneString);
            } else if (t != TWTY_INT8 && t != TWTY_UINT8) {
                // Integers go into the 32-bit item field whole: its low bytes hold the short forms.
                TW_UINT16 wide = t == TWTY_INT16 ? TWTY_INT32 : (t == TWTY_UINT16 || t == TWTY_BOOL) ? TWTY_UINT32 : t;
                WriteNumber(p + 2, wide, area.oneValue);
            }
            break;
        case TWON_RANGE: {
            const double values[] = {area.rangeMin, area.rangeMax, area.rangeStep, area.rangeDefault, area.rangeCurrent};
            if (t == TWTY_INT16 || t == TWTY_INT32 || t == TWTY_UINT16 || t == TWTY_UINT32 || t == TWTY_FIX32) {
                for (int i = 0; i < 5; ++i) WriteNumber(p + 2 + 4 * i, t, values[i]);
            }
            break;
        }
        case TWON_ENUMERATION:
            Store<TW_UINT32>(p + 2, count);
            Store<TW_UINT32>(p + 6, area.enumCurrent);
            for (uint32_t i = 0; i < count; ++i) EncodeItem(p + kEnumHeader + i * itemSize, t, area, i);
            break;
        case TWON_ARRAY:
            Store<TW_UINT32>(p + 2, count);
            for (uint32_t i = 0; i < count; ++i) EncodeItem(p + kArrayHeader + i * itemSize, t, area, i);
            break;
    }
    GlobalUnlock(h);
    return h;
}

bool DecodeOneValueNumber(TW_UINT16 conType, const uint8_t* block, size_t size, double* value) {
    if (conType != TWON_ONEVALUE || size < sizeof(TW_ONEVALUE)) return false;
    return ReadNumber(block + 2, Load<TW_UINT16>(block), value);
}

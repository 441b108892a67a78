#include "scanner_capabilities.h"

#include <cstring>

namespace {

template <typename T>
void Put(std::vector<uint8_t>& v, T value) {
    size_t at = v.size();
    v.resize(at + sizeof(T));
    memcpy(v.data() + at, &value, sizeof(T));
}

template <typename T>
T Get(const std::vector<uint8_t>& v, size_t at) {
    T value{};
    if (at + sizeof(T) <= v.size()) memcpy(&value, v.data() + at, sizeof(T));
    return value;
}

uint32_t ItemSize(TW_UINT16 t) {
    switch (t) {
        case TWTY_INT8: case TWTY_UINT8: return 1;
        case TWTY_INT16: case TWTY_UINT16: case TWTY_BOOL: return 2;
        case TWTY_INT32: case TWTY_UINT32: case TWTY_FIX32: return 4;
        case TWTY_FRAME: return 16;
        case TWTY_STR32: return 34;
        case TWTY_STR64: return 66;
        case TWTY_STR128: return 130;
        case TWTY_STR255: return 256;
        default: return 2;
    }
}

uint32_t Fix(double v) {
    int32_t i = static_cast<int32_t>(v * 65536 + (v < 0 ? -0.5 : 0.5));
    TW_FIX32 f{static_cast<TW_INT16>(i >> 16), static_cast<TW_UINT16>(i & 0xFFFF)};
    uint32_t out;
    memcpy(&out, &f, 4);
    return out;
}

std::vector<uint8_t> OneValue(TW_UINT16 t, uint32_t item) {
    std::vector<uint8_t> v;
    Put(v, t);
    Put(v, item);
    return v;
}

std::vector<uint8_t> OneString(TW_UINT16 t, const char* text) {
    std::vector<uint8_t> v;
    Put(v, t);
    v.resize(2 + ItemSize(t), 0);
    memcpy(v.data() + 2, text, strnlen(text, ItemSize(t) - 1));
    return v;
}

std::vector<uint8_t> Range(TW_UINT16 t, uint32_t lo, uint32_t hi, uint32_t step, uint32_t def, uint32_t cur) {
    std::vector<uint8_t> v;
    Put(v, t);
    for (uint32_t x : {lo, hi, step, def, cur}) Put(v, x);
    return v;
}

std::vector<uint8_t> Enumeration(TW_UINT16 t, const std::vector<uint32_t>& items, uint32_t current, uint32_t def) {
    std::vector<uint8_t> v;
    Put(v, t);
    Put(v, static_cast<uint32_t>(items.size()));
    Put(v, current);
    Put(v, def);
    for (uint32_t x : items) {
        if (ItemSize(t) == 2) Put(v, static_cast<uint16_t>(x));
        else if (ItemSize(t) == 1) Put(v, static_cast<uint8_t>(x));
        else Put(v, x);
    }
    return v;
}

// The value an enumeration or range holds as current, as a one value of its item type.
std::vector<uint8_t> CurrentOf(TW_UINT16 conType, const std::vector<uint8_t>& c) {
    TW_UINT16 t = Get<TW_UINT16>(c, 0);
    if (conType == TWON_RANGE) return OneValue(t, Get<uint32_t>(c, 18));
    if (conType == TWON_ENUMERATION && t != TWTY_FRAME && ItemSize(t) <= 4) {
        uint32_t index = Get<uint32_t>(c, 6);
        uint32_t size = ItemSize(t);
        uint32_t item = 0;
        if (14 + size * (index + 1) <= c.size()) memcpy(&item, c.data() + 14 + size * index, size);
        return OneValue(t, item);
    }
    return {};
}

}  // namespace

void ScannerCapabilities::Reset(const ScannerScenario& s) {
    m_caps.clear();
    m_lastSet.clear();
    m_setCount.clear();
    m_mechanism = 0;
    m_slowCapMs = s.slowCapMs;
    Add(CAP_XFERCOUNT, {TWON_ONEVALUE, OneValue(TWTY_INT16, 0xFFFF)});
    Add(ICAP_XFERMECH, {TWON_ENUMERATION, Enumeration(TWTY_UINT16, {0, 1, 2}, 0, 0)});
    Add(ICAP_PIXELTYPE, {TWON_ENUMERATION, Enumeration(TWTY_UINT16, {0, 1, 2, 3}, s.pixelType, 2)});
    Add(ICAP_UNITS, {TWON_ONEVALUE, OneValue(TWTY_UINT16, TWUN_INCHES)});
    Add(ICAP_XRESOLUTION, {TWON_RANGE, Range(TWTY_FIX32, Fix(50), Fix(1200), Fix(1), Fix(300), Fix(s.resolution))});
    Add(ICAP_YRESOLUTION, {TWON_RANGE, Range(TWTY_FIX32, Fix(50), Fix(1200), Fix(1), Fix(300), Fix(s.resolution))});
    Add(ICAP_BRIGHTNESS, {TWON_RANGE, Range(TWTY_FIX32, Fix(-1000), Fix(1000), Fix(1), Fix(0), Fix(0))});
    Add(ICAP_CONTRAST, {TWON_RANGE, Range(TWTY_FIX32, Fix(-1000), Fix(1000), Fix(1), Fix(0), Fix(-12.5))});
    Add(ICAP_SUPPORTEDSIZES, {TWON_ENUMERATION, Enumeration(TWTY_UINT16, {0, 1, 2, 3}, 1, 1)});
    Add(ICAP_PIXELFLAVOR, {TWON_ONEVALUE, OneValue(TWTY_UINT16, TWPF_CHOCOLATE)});
    Add(ICAP_BITDEPTH, {TWON_ENUMERATION, Enumeration(TWTY_UINT16, {1, 8, 24}, 2, 2)});
    Add(CAP_INDICATORS, {TWON_ONEVALUE, OneValue(TWTY_BOOL, 1)});
    Add(CAP_UICONTROLLABLE, {TWON_ONEVALUE, OneValue(TWTY_BOOL, 1)});
    Add(CAP_AUTOSCAN, {TWON_ONEVALUE, OneValue(TWTY_BOOL, 0)});
    Add(CAP_PAPERDETECTABLE, {TWON_ONEVALUE, OneValue(TWTY_BOOL, 1)});
    Add(CAP_DUPLEX, {TWON_ONEVALUE, OneValue(TWTY_UINT16, 1)});
    Add(CAP_DUPLEXENABLED, {TWON_ONEVALUE, OneValue(TWTY_BOOL, 0)});
    Add(ICAP_AUTOBRIGHT, {TWON_ONEVALUE, OneValue(TWTY_BOOL, 0)});
    Add(ICAP_AUTOMATICBORDERDETECTION, {TWON_ONEVALUE, OneValue(TWTY_BOOL, 0)});
    Add(ICAP_AUTOMATICDESKEW, {TWON_ENUMERATION, Enumeration(TWTY_BOOL, {1}, 0, 0)});
    Add(CAP_DEVICEONLINE, {TWON_ONEVALUE, OneValue(TWTY_BOOL, 1)});
    Add(ICAP_AUTODISCARDBLANKPAGES, {TWON_ONEVALUE, OneValue(TWTY_INT32, static_cast<uint32_t>(TWBP_DISABLE))});
    Add(0x1000, {TWON_ONEVALUE, OneString(TWTY_STR128, "Corvanta test author")});  // CAP_AUTHOR
    Add(0x1004, {TWON_ONEVALUE, OneString(TWTY_STR32, "a caption that runs longer than thirty-three")});
    if (!s.flatbed) {
        Add(CAP_FEEDERENABLED, {TWON_ONEVALUE, OneValue(TWTY_BOOL, 1)});
        Add(CAP_FEEDERLOADED, {TWON_ONEVALUE, OneValue(TWTY_BOOL, 1)});
        Add(CAP_AUTOFEED, {TWON_ONEVALUE, OneValue(TWTY_BOOL, 1)});
        Add(CAP_FEEDPAGE, {TWON_ONEVALUE, OneValue(TWTY_BOOL, 0)});
        Add(CAP_REWINDPAGE, {TWON_ONEVALUE, OneValue(TWTY_BOOL, 0)});
    }
    std::vector<uint32_t> many;
    for (uint32_t i = 0; i < 1200; ++i) many.push_back(i * 3);
    Add(kCapLongEnumeration, {TWON_ENUMERATION, Enumeration(TWTY_UINT16, many, 1100, 5)});
    std::vector<uint8_t> strings;
    Put(strings, static_cast<TW_UINT16>(TWTY_STR32));
    Put(strings, static_cast<uint32_t>(3));
    for (const char* text : {"alpha", "beta", "0123456789abcdef0123456789abcdefXYZ"}) {
        size_t at = strings.size();
        strings.resize(at + 34, 0);
        memcpy(strings.data() + at, text, strnlen(text, 34));  // the last one fills the item unterminated
    }
    Add(kCapStringArray, {TWON_ARRAY, strings});
    Add(kCapInt32Range, {TWON_RANGE, Range(TWTY_INT32, static_cast<uint32_t>(-5), 70000, 5, 10, 65540)});
    std::vector<uint8_t> hostile = Enumeration(TWTY_UINT32, {7, 8}, 0, 0);
    memcpy(hostile.data() + 2, "\xff\xff\xff\x7f", 4);
    Add(kCapHostileEnumeration, {TWON_ENUMERATION, hostile});
    std::vector<uint8_t> frames;
    Put(frames, static_cast<TW_UINT16>(TWTY_FRAME));
    Put(frames, static_cast<uint32_t>(2));
    Put(frames, static_cast<uint32_t>(1));
    Put(frames, static_cast<uint32_t>(0));
    for (double f : {0.0, 0.0, 8.5, 11.0, 0.25, 0.5, 4.0, 6.0}) Put(frames, Fix(f));
    Add(kCapFrames, {TWON_ENUMERATION, frames});
}

TW_UINT16 ScannerCapabilities::Handle(TW_UINT16 msg, TW_CAPABILITY* cap, TW_UINT16* condition) {
    if (!cap) {
        *condition = TWCC_BADVALUE;
        return TWRC_FAILURE;
    }
    auto it = m_caps.find(cap->Cap);
    if (it == m_caps.end()) {
        *condition = TWCC_CAPUNSUPPORTED;
        return TWRC_FAILURE;
    }
    Entry& e = it->second;
    auto hand = [&](TW_UINT16 conType, const std::vector<uint8_t>& bytes) {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        memcpy(GlobalLock(h), bytes.data(), bytes.size());
        GlobalUnlock(h);
        cap->ConType = conType;
        cap->hContainer = h;
        return static_cast<TW_UINT16>(TWRC_SUCCESS);
    };
    switch (msg) {
        case MSG_GET:
            if (m_slowCapMs && cap->Cap == CAP_XFERCOUNT) Sleep(m_slowCapMs);
            return hand(e.current.conType, e.current.bytes);
        case MSG_GETCURRENT:
        case MSG_GETDEFAULT: {
            const Container& c = msg == MSG_GETCURRENT ? e.current : e.initial;
            std::vector<uint8_t> one = CurrentOf(c.conType, c.bytes);
            if (!one.empty()) return hand(TWON_ONEVALUE, one);
            return hand(c.conType, c.bytes);
        }
        case MSG_RESET: e.current = e.initial; return hand(e.current.conType, e.current.bytes);
        case MSG_QUERYSUPPORT: return hand(TWON_ONEVALUE, OneValue(TWTY_INT32, 0x3F));
        case MSG_SET: {
            void* p = cap->hContainer ? GlobalLock(cap->hContainer) : nullptr;
            if (!p) {
                *condition = TWCC_BADVALUE;
                return TWRC_FAILURE;
            }
            Container in{cap->ConType, std::vector<uint8_t>(static_cast<uint8_t*>(p),
                                                            static_cast<uint8_t*>(p) + GlobalSize(cap->hContainer))};
            GlobalUnlock(cap->hContainer);
            m_lastSet[cap->Cap] = in;
            ++m_setCount[cap->Cap];
            if (in.conType == TWON_ONEVALUE && e.current.conType == TWON_RANGE) {
                uint32_t v = Get<uint32_t>(in.bytes, 2);
                auto asNumber = [&](uint32_t raw) {
                    TW_FIX32 f;
                    memcpy(&f, &raw, 4);
                    return Get<TW_UINT16>(e.current.bytes, 0) == TWTY_FIX32 ? f.Whole + f.Frac / 65536.0
                                                                           : double(int32_t(raw));
                };
                if (asNumber(v) < asNumber(Get<uint32_t>(e.current.bytes, 2)) ||
                    asNumber(v) > asNumber(Get<uint32_t>(e.current.bytes, 6))) {
                    *condition = TWCC_BADVALUE;
                    return TWRC_FAILURE;
                }
                memcpy(e.current.bytes.data() + 18, &v, 4);
            } else if (in.conType == TWON_ONEVALUE && e.current.conType == TWON_ENUMERATION &&
                       ItemSize(Get<TW_UINT16>(e.current.bytes, 0)) <= 4) {
                uint32_t size = ItemSize(Get<TW_UINT16>(e.current.bytes, 0));
                uint32_t v = Get<uint32_t>(in.bytes, 2) & (size == 4 ? 0xFFFFFFFFu : (1u << (8 * size)) - 1);
                uint32_t n = Get<uint32_t>(e.current.bytes, 2);
                bool found = false;
                for (uint32_t i = 0; i < n && !found; ++i) {
                    uint32_t item = 0;
                    memcpy(&item, e.current.bytes.data() + 14 + i * size, size);
                    if (item == v) {
                        memcpy(e.current.bytes.data() + 6, &i, 4);
                        found = true;
                    }
                }
                if (!found) {
                    *condition = TWCC_BADVALUE;
                    return TWRC_FAILURE;
                }
            } else {
                e.current = in;
            }
            if (cap->Cap == ICAP_XFERMECH && in.conType == TWON_ONEVALUE) m_mechanism = Get<TW_UINT16>(in.bytes, 2);
            return TWRC_SUCCESS;
        }
        default: *condition = TWCC_CAPBADOPERATION; return TWRC_FAILURE;
    }
}

bool ScannerCapabilities::LastSet(TW_UINT16 cap, std::vector<uint8_t>* bytes, TW_UINT16* conType) const {
    auto it = m_lastSet.find(cap);
    if (it == m_lastSet.end()) return false;
    *bytes = it->second.bytes;
    *conType = it->second.conType;
    return true;
}

int ScannerCapabilities::SetCount(TW_UINT16 cap) const {
    auto it = m_setCount.find(cap);
    return it == m_setCount.end() ? 0 : it->second;
}

// The capabilities of the test scanner: one container per capability (every container and item
// type is represented), answers to the six reads, set, reset and query-support, and a record of
// the last container each capability was set with, for the tests to read back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <vector>

#include "scanner_scenario.h"
#include "twain/twain.h"

// Capabilities of the scanner's own (private range) that the tests use.
constexpr TW_UINT16 kCapLongEnumeration = 0x8001;  // 1200 UINT16 items
constexpr TW_UINT16 kCapStringArray = 0x8002;      // STR32 array
constexpr TW_UINT16 kCapInt32Range = 0x8003;       // INT32 range
constexpr TW_UINT16 kCapHostileEnumeration = 0x8004;  // declares more items than its block holds
constexpr TW_UINT16 kCapFrames = 0x1114;           // ICAP_FRAMES, FRAME enumeration

class ScannerCapabilities {
public:
    void Reset(const ScannerScenario& scenario);
    // Handles DG_CONTROL / DAT_CAPABILITY; returns the return code and sets the condition code.
    TW_UINT16 Handle(TW_UINT16 msg, TW_CAPABILITY* cap, TW_UINT16* condition);
    // The raw bytes and container type of the last set of a capability; false when never set.
    bool LastSet(TW_UINT16 cap, std::vector<uint8_t>* bytes, TW_UINT16* conType) const;
    TW_UINT16 TransferMechanism() const { return m_mechanism; }
    int SetCount(TW_UINT16 cap) const;

private:
    struct Container {
        TW_UINT16 conType;
        std::vector<uint8_t> bytes;
    };
    struct Entry {
        Container current, initial;
    };
    void Add(TW_UINT16 cap, Container c) { m_caps[cap] = {c, c}; }

    std::map<TW_UINT16, Entry> m_caps;
    std::map<TW_UINT16, Container> m_lastSet;
    std::map<TW_UINT16, int> m_setCount;
    TW_UINT16 m_mechanism = 0;
    int m_slowCapMs = 0;
};

// The run-length and two-dimensional codes of CCITT fax coding, both ways: code words to write
// for a run, and lookup tables that turn the next bits of a stream into a run or a mode.
#pragma once

#include <cstdint>

namespace fax {

// A code word: `length` bits, the low bits of `bits`, sent highest first.
struct Code {
    uint16_t bits;
    uint8_t length;
};

// Terminating codes (runs 0..63) and make-up codes (index n for a run of 64 * (n + 1), up to 2560:
// the codes from 1792 on are the same for both colours).
extern const Code kWhiteTerminating[64];
extern const Code kBlackTerminating[64];
extern const Code kWhiteMakeUp[40];
extern const Code kBlackMakeUp[40];

constexpr Code kEol = {0x001, 12};

// Two-dimensional mode codes.
constexpr Code kPass = {0x1, 4};
constexpr Code kHorizontal = {0x1, 3};
// Vertical modes, indexed by (a1 - b1) + 3.
extern const Code kVertical[7];

// One entry of a run lookup table, indexed by the next kRunBits bits of the stream.
struct RunEntry {
    int16_t run;      // run length (terminating or make-up)
    uint8_t length;   // bits of the code; 0 for an invalid code
    uint8_t kind;     // RunKind
};
enum RunKind : uint8_t { kInvalid = 0, kTerminating = 1, kMakeUp = 2, kEndOfLine = 3 };

constexpr int kWhiteBits = 12;
constexpr int kBlackBits = 13;
const RunEntry* WhiteRunTable();  // 1 << kWhiteBits entries
const RunEntry* BlackRunTable();  // 1 << kBlackBits entries

// One entry of the mode lookup table, indexed by the next kModeBits bits.
enum ModeKind : uint8_t {
    kModeInvalid = 0,
    kModePass,
    kModeHorizontal,
    kModeVertical,     // offset a1 - b1 in `offset`
    kModeExtension,    // 0000001xxx: uncompressed mode and other extensions
    kModeZeros,        // seven zero bits: an EOL (or a damaged stream)
};
struct ModeEntry {
    uint8_t kind;
    int8_t offset;
    uint8_t length;
};
constexpr int kModeBits = 7;
const ModeEntry* ModeTable();  // 1 << kModeBits entries

}  // namespace fax

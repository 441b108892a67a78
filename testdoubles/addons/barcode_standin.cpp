// A stand-in barcode library with the real entry point "ReadBarcode" and the real result block:
// it answers what the scenario says and logs what it was given, so tests see both sides.
//
// Scenarios: results (two barcodes, one with a zero byte), none (null), message (a message block),
// malformed (counts and lengths that claim more than the block), slow (results after 1.5 s).
#include <cstring>
#include <string>

#include "addon_scenario.h"

namespace {

void PutU32(std::string& out, DWORD v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
void PutFloat(std::string& out, float f) {
    DWORD bits;
    std::memcpy(&bits, &f, 4);
    PutU32(out, bits);
}

std::string Results() {
    std::string block;
    PutU32(block, 2);
    PutU32(block, 0x20);  // format
    PutU32(block, 8);
    block += "LUMETTA1";
    PutU32(block, 4);
    const float points[] = {10, 20, 110, 20, 110, 60, 10, 60};
    for (float p : points) PutFloat(block, p);
    PutU32(block, 0x400);
    PutU32(block, 5);
    block += std::string("ab\0cd", 5);
    PutU32(block, 0);
    return block;
}

}  // namespace

extern "C" __declspec(dllexport) HGLOBAL __cdecl ReadBarcode(const void* image, LONG size, SHORT mode, LONG left,
                                                             LONG top, LONG right, LONG bottom, LONG format,
                                                             LONG* sizeOut, const char* passKey) {
    std::string head;
    if (mode == 0 && image) head = static_cast<const char*>(image);
    if (mode == 1 && image && size >= 8) head = std::string(static_cast<const char*>(image) + 1, 3);  // "PNG"
    AppendCallLog("ReadBarcode mode=" + std::to_string(mode) + " size=" + std::to_string(size) + " rect=" +
                  std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(right) + "," +
                  std::to_string(bottom) + " format=" + std::to_string(format) +
                  " key=" + std::to_string(passKey ? std::strlen(passKey) : 0) + " image=" + head);
    const std::string scenario = AddOnScenario();
    if (scenario == "none") return nullptr;
    if (scenario == "message") {
        *sizeOut = 0;
        return BlockOf(std::string("License expired", 15));  // not terminated: the engine must bound it
    }
    if (scenario == "malformed") {
        std::string block;
        PutU32(block, 0x7FFFFFFF);
        PutU32(block, 1);
        PutU32(block, 0x10000000);
        block += "cut";
        *sizeOut = 0x7FFFFFFF;  // more than the block holds
        return BlockOf(block);
    }
    if (scenario == "slow") Sleep(1500);
    const std::string block = Results();
    *sizeOut = static_cast<LONG>(block.size());
    return BlockOf(block);
}

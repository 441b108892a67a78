// A stand-in text-recognition library with the real entry points "OCRFile1" and "OCRMemory1": it
// "recognises" a description of what it was handed, so tests see the arguments arrive.
//
// Scenarios: results (the description), none (null), overlong (a length past the block),
// discarded (a moveable block of no bytes, which cannot be locked).
#include <cstring>
#include <string>

#include "addon_scenario.h"

namespace {

std::string Settings(LONG resultFormat, const char* dataFolder, const char* language, LONG pageSegMode,
                     const char* font, LONG useDetectedFont) {
    return " format=" + std::to_string(resultFormat) + " data=" + (dataFolder ? dataFolder : "") +
           " lang=" + (language ? language : "") + " psm=" + std::to_string(pageSegMode) +
           " font=" + (font ? font : "") + " detect=" + std::to_string(useDetectedFont);
}

HGLOBAL Answer(const std::string& text, LONG* lengthOut) {
    const std::string scenario = AddOnScenario();
    if (scenario == "none") return nullptr;
    if (scenario == "discarded") return GlobalAlloc(GMEM_MOVEABLE, 0);
    *lengthOut = static_cast<LONG>(text.size());
    if (scenario == "overlong") *lengthOut = 0x7FFFFFF0;
    return BlockOf(text);
}

}  // namespace

extern "C" __declspec(dllexport) HGLOBAL __cdecl OCRFile1(LONG fileCount, const char** files, LONG* lengthOut,
                                                          const char* passKey, LONG resultFormat,
                                                          const char* dataFolder, const char* language,
                                                          LONG pageSegMode, const char* font, LONG useDetectedFont) {
    std::string text = "files=" + std::to_string(fileCount);
    for (LONG i = 0; i < fileCount; ++i) text += std::string(" [") + (files[i] ? files[i] : "") + "]";
    text += Settings(resultFormat, dataFolder, language, pageSegMode, font, useDetectedFont);
    AppendCallLog("OCRFile1 " + text + " key=" + std::to_string(passKey ? std::strlen(passKey) : 0));
    return Answer(text, lengthOut);
}

extern "C" __declspec(dllexport) HGLOBAL __cdecl OCRMemory1(LONG imageCount, const BYTE* image, const LONG* imageSize,
                                                            LONG* lengthOut, const char* passKey, LONG resultFormat,
                                                            const char* dataFolder, const char* language,
                                                            LONG pageSegMode, const char* font, LONG useDetectedFont) {
    const LONG size = imageSize ? *imageSize : 0;
    // A TIFF starts "II*\0"; the page count follows from the IFD chain, which the test reads itself.
    const bool tiff = image && size >= 4 && std::memcmp(image, "II*\0", 4) == 0;
    std::string text = "images=" + std::to_string(imageCount) + " bytes=" + std::to_string(size) +
                       (tiff ? " tiff" : " other");
    text += Settings(resultFormat, dataFolder, language, pageSegMode, font, useDetectedFont);
    AppendCallLog("OCRMemory1 " + text + " key=" + std::to_string(passKey ? std::strlen(passKey) : 0));
    return Answer(text, lengthOut);
}

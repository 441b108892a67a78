// The scripted scenario of the test scanner and the pixel pattern of its pages, shared by the
// scanner and the tests that check what arrived. A scenario is a text "key=value;key=value" taken
// from the environment variable LUMETTA_SCANNER_SCENARIO, else from the registry value
// HKCU\Software\Lumetta\TestScanner\Scenario (which the demo sets).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

struct ScannerScenario {
    int pages = 2;
    int pixelType = 2;      // 0 BW, 1 gray, 2 RGB, 3 palette
    int width = 17;
    int height = 11;
    int rowsPerStrip = 3;   // rows of one memory strip
    bool paddedRows = false;  // memory strips with rows padded to 4 bytes
    int cancelAt = -1;      // the transfer of this page (0-based) is cancelled
    int failAt = -1;        // the transfer of this page fails
    bool failAll = false;   // every transfer fails
    // pages=-1: the scanner does not know its page count and reports 0xFFFF pending forever.
    bool barcodes = false;  // two barcodes and magnetic data per page
    bool noExtInfo = false; // DAT_EXTIMAGEINFO not supported
    bool closeRequest = false;  // enabling asks to close instead of offering images
    bool flatbed = false;   // no feeder capabilities
    int slowCapMs = 0;      // reading CAP_XFERCOUNT takes this long
    std::string hostile;    // "length", "colors", "written", "barcodes", "strips", "handle", "emptyblock"
    int resolution = 300;   // dpi
    int sources = 1;        // scanners the data source offers to the manager (0: none)
};

// Parses a scenario text; unknown keys are ignored.
ScannerScenario ParseScannerScenario(const char* text);
// The scenario the scanner runs now (environment first, then the registry).
ScannerScenario CurrentScannerScenario();

// Bits per pixel the scanner reports for a pixel type.
inline int ScannerBitsPerPixel(int pixelType) {
    switch (pixelType) {
        case 0: return 1;
        case 1: return 8;
        case 2: return 24;
        default: return 8;
    }
}

// Sample c (0 red, 1 green, 2 blue) of pixel (x, y), y counted from the top row, of a page.
inline uint8_t ScannerSample(int page, int x, int y, int c) {
    return static_cast<uint8_t>(page * 37 + x * 11 + y * 7 + c * 85);
}
// The bit of a black-and-white page.
inline int ScannerBit(int page, int x, int y) { return (x + 2 * y + page) % 3 == 0 ? 1 : 0; }
// The palette index of a palette page, and its 16 colours.
inline uint8_t ScannerPaletteIndex(int page, int x, int y) { return static_cast<uint8_t>((x + 3 * y + page) % 16); }
inline RGBQUAD ScannerPaletteColor(int i) {
    return {static_cast<BYTE>(i * 8), static_cast<BYTE>(255 - i * 16), static_cast<BYTE>(i * 16), 0};
}

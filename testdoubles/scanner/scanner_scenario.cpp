#include "scanner_scenario.h"

#include <cstdlib>
#include <cstring>

ScannerScenario ParseScannerScenario(const char* text) {
    ScannerScenario s;
    std::string all = text ? text : "";
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find(';', pos);
        if (end == std::string::npos) end = all.size();
        std::string item = all.substr(pos, end - pos);
        pos = end + 1;
        size_t eq = item.find('=');
        if (eq == std::string::npos) continue;
        std::string key = item.substr(0, eq), value = item.substr(eq + 1);
        int n = atoi(value.c_str());
        if (key == "pages") s.pages = n;
        else if (key == "pixel") s.pixelType = value == "bw" ? 0 : value == "gray" ? 1 : value == "palette" ? 3 : 2;
        else if (key == "width") s.width = n;
        else if (key == "height") s.height = n;
        else if (key == "strip") s.rowsPerStrip = n;
        else if (key == "padded") s.paddedRows = n != 0;
        else if (key == "cancelAt") s.cancelAt = n;
        else if (key == "failAt") s.failAt = n;
        else if (key == "failAll") s.failAll = n != 0;
        else if (key == "barcodes") s.barcodes = n != 0;
        else if (key == "noext") s.noExtInfo = n != 0;
        else if (key == "closereq") s.closeRequest = n != 0;
        else if (key == "flatbed") s.flatbed = n != 0;
        else if (key == "slowcap") s.slowCapMs = n;
        else if (key == "hostile") s.hostile = value;
        else if (key == "dpi") s.resolution = n;
        else if (key == "sources") s.sources = n;
    }
    return s;
}

ScannerScenario CurrentScannerScenario() {
    char text[1024] = {};
    DWORD n = GetEnvironmentVariableA("LUMETTA_SCANNER_SCENARIO", text, sizeof(text));
    if (n > 0 && n < sizeof(text)) return ParseScannerScenario(text);
    DWORD size = sizeof(text) - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, "Software\\Lumetta\\TestScanner", "Scenario", RRF_RT_REG_SZ, nullptr, text,
                     &size) == ERROR_SUCCESS) {
        return ParseScannerScenario(text);
    }
    return ParseScannerScenario("");
}

#include "support/test_printer.h"

#include "lumetta_win.h"

#include <commdlg.h>
#include <winspool.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace {

const char kPrinterName[] = "Lumetta Test Printer";
const char kDriverName[] = "Wine PostScript Driver";

const char kA4Description[] =
    "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
    "*LanguageEncoding: ISOLatin1\n*PCFileName: \"LUMTEST.PPD\"\n*Manufacturer: \"Lumetta\"\n"
    "*Product: \"(Lumetta Test)\"\n*PSVersion: \"(3010) 0\"\n*ModelName: \"Lumetta Test Printer\"\n"
    "*ShortNickName: \"Lumetta Test Printer\"\n*NickName: \"Lumetta Test Printer\"\n*ColorDevice: True\n"
    "*DefaultColorSpace: RGB\n*LanguageLevel: \"3\"\n*DefaultResolution: 600dpi\n"
    "*OpenUI *PageSize/Page Size: PickOne\n*DefaultPageSize: A4\n"
    "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n*CloseUI: *PageSize\n*DefaultPageRegion: A4\n"
    "*PageRegion A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n*DefaultImageableArea: A4\n"
    "*ImageableArea A4/A4: \"0 0 595 842\"\n*DefaultPaperDimension: A4\n*PaperDimension A4/A4: \"595 842\"\n";

std::string s_output, s_port;
int s_pageWidth = 0, s_pageHeight = 0, s_dpi = 0;
bool s_installed = false;

}  // namespace

std::string TestPrinter::Install() {
    if (s_installed) return "";
    char windowsOutput[MAX_PATH];
    GetTempPathA(MAX_PATH, windowsOutput);
    lstrcatA(windowsOutput, "lumetta_print_test.ps");
    using UnixName = char*(CDECL*)(const WCHAR*);
    auto toUnix = reinterpret_cast<UnixName>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
    if (!toUnix) return "the test printer's file port needs Wine";
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, windowsOutput, -1, wide, MAX_PATH);
    char* unixName = toUnix(wide);
    if (!unixName) return "no Unix name for " + std::string(windowsOutput);
    s_output = windowsOutput;
    s_port = unixName;
    HeapFree(GetProcessHeap(), 0, unixName);

    char driverDir[MAX_PATH];
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(driverDir), sizeof driverDir, &needed))
        return "no printer driver folder";
    const std::string descriptionDir = std::string(driverDir) + "\\3";
    CreateDirectoryA(descriptionDir.c_str(), nullptr);
    std::ofstream(descriptionDir + "\\lumetta_a4.ppd", std::ios::binary) << kA4Description;

    DRIVER_INFO_3A driver = {};
    driver.cVersion = 3;
    driver.pName = const_cast<char*>(kDriverName);
    driver.pDriverPath = const_cast<char*>("wineps.drv");
    driver.pDataFile = const_cast<char*>("lumetta_a4.ppd");
    driver.pConfigFile = const_cast<char*>("wineps.drv");
    AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&driver));

    HANDLE existing = nullptr;
    if (OpenPrinterA(const_cast<char*>(kPrinterName), &existing, nullptr)) {
        ClosePrinter(existing);
    } else {
        PRINTER_INFO_2A info = {};
        info.pPrinterName = const_cast<char*>(kPrinterName);
        info.pPortName = const_cast<char*>(s_port.c_str());
        info.pDriverName = const_cast<char*>(kDriverName);
        info.pPrintProcessor = const_cast<char*>("WinPrint");
        info.pDatatype = const_cast<char*>("RAW");
        info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
        if (!printer) return "AddPrinter failed: " + std::to_string(GetLastError());
        ClosePrinter(printer);
    }
    if (!SetDefaultPrinterA(kPrinterName)) return "SetDefaultPrinter failed";
    HDC dc = CreateDCA(nullptr, kPrinterName, nullptr, nullptr);
    if (!dc) return "no device context of the test printer";
    s_pageWidth = GetDeviceCaps(dc, HORZRES);
    s_pageHeight = GetDeviceCaps(dc, VERTRES);
    s_dpi = GetDeviceCaps(dc, LOGPIXELSX);
    DeleteDC(dc);
    s_installed = true;
    return "";
}

void TestPrinter::ClearOutput() { DeleteFileA(s_output.c_str()); }

const std::string& TestPrinter::OutputPath() { return s_output; }
int TestPrinter::PageWidth() { return s_pageWidth; }
int TestPrinter::PageHeight() { return s_pageHeight; }
int TestPrinter::Dpi() { return s_dpi; }

PrintedJob TestPrinter::ReadJob() {
    PrintedJob job;
    std::ifstream file(s_output, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    const std::string ps = text.str();
    const std::regex page("%%Page: \\d+ \\d+");
    job.pages = static_cast<int>(std::distance(std::sregex_iterator(ps.begin(), ps.end(), page), std::sregex_iterator()));
    const std::regex image(
        "(-?\\d+) (-?\\d+) translate\\s+(-?\\d+) (-?\\d+) scale\\s+<<\\s+/ImageType 1\\s+/Width (\\d+)\\s+/Height (\\d+)");
    for (auto it = std::sregex_iterator(ps.begin(), ps.end(), image); it != std::sregex_iterator(); ++it) {
        const auto& m = *it;
        job.images.push_back({std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4]), std::stoi(m[5]),
                              std::stoi(m[6])});
    }
    return job;
}

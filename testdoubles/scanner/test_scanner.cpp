// The test scanner: a TWAIN data source (a DLL with DS_Entry) that simulates a scanner running a
// scripted scenario. Installed as twain_32\sane.ds / twain_64\sane.ds under the Windows folder,
// where Wine's source manager looks for sources. It reports images through the manager's entry
// point (Wine's manager never sends DAT_ENTRYPOINT, so the scanner finds it by module name).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "scanner_capabilities.h"
#include "scanner_scenario.h"
#include "twain/twain.h"

namespace {

struct ScannerState {
    TW_IDENTITY self = {};
    TW_IDENTITY app = {};
    ScannerScenario scenario;
    ScannerCapabilities caps;
    TW_UINT16 condition = TWCC_SUCCESS;
    bool open = false;
    bool enabled = false;
    int page = 0;         // page being transferred
    int pagesLeft = 0;
    int nextRow = 0;      // next row of a memory transfer
    TW_SETUPFILEXFER file = {};
    TW_IMAGELAYOUT layout = {};
    std::vector<std::string> log;
    int listed = 0;       // identities handed out to the manager's source search
};

ScannerState g;

// The name of scanner k of those the data source offers.
std::string ScannerName(int k) { return k == 0 ? "Lumetta Test Scanner" : "Lumetta Test Scanner " + std::to_string(k + 1); }

void FillIdentity(TW_IDENTITY* id, int scanner = 0) {
    TW_UINT32 keep = id->Id;
    memset(id, 0, sizeof(*id));
    id->Id = keep;
    id->Version.MajorNum = 1;
    id->Version.Language = TWLG_ENGLISH_USA;
    id->Version.Country = TWCY_USA;
    strcpy(id->Version.Info, "1.0 test");
    id->ProtocolMajor = 2;
    id->ProtocolMinor = 1;
    id->SupportedGroups = DG_CONTROL | DG_IMAGE | DF_DS2;
    strcpy(id->Manufacturer, "Corvanta Test Devices");
    strcpy(id->ProductFamily, "Simulated");
    strcpy(id->ProductName, ScannerName(scanner).c_str());
}

// Which of the offered scanners a manager asks to open by name (the first when it names none).
int ScannerIndexOf(const TW_IDENTITY* id) {
    for (int k = 1; k < std::max(CurrentScannerScenario().sources, 1); ++k) {
        if (ScannerName(k) == id->ProductName) return k;
    }
    return 0;
}

DSMENTRYPROC ManagerEntry() {
    for (const char* name : {"twain_32.dll", "TWAINDSM.DLL"}) {
        HMODULE m = GetModuleHandleA(name);
        if (m) {
            auto entry = reinterpret_cast<DSMENTRYPROC>(GetProcAddress(m, "DSM_Entry"));
            if (entry) return entry;
        }
    }
    return nullptr;
}

void Notify(TW_UINT16 msg) {
    if (DSMENTRYPROC entry = ManagerEntry()) entry(&g.self, &g.app, DG_CONTROL, DAT_NULL, msg, nullptr);
}

TW_UINT16 Fail(TW_UINT16 condition) {
    g.condition = condition;
    return TWRC_FAILURE;
}

int Bits() { return ScannerBitsPerPixel(g.scenario.pixelType); }
uint32_t RowBytes() { return (uint32_t(g.scenario.width) * Bits() + 7) / 8; }
uint32_t StripRowBytes() { return g.scenario.paddedRows ? (RowBytes() + 3) & ~3u : RowBytes(); }

// One row (top-down index y) of the current page in the scanner's own order (RGB).
void WriteRow(uint8_t* dst, int y, bool bgr) {
    const ScannerScenario& s = g.scenario;
    memset(dst, 0, RowBytes());
    for (int x = 0; x < s.width; ++x) {
        switch (s.pixelType) {
            case 0:
                if (ScannerBit(g.page, x, y)) dst[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
                break;
            case 1: dst[x] = ScannerSample(g.page, x, y, 0); break;
            case 2:
                for (int c = 0; c < 3; ++c) dst[3 * x + (bgr ? 2 - c : c)] = ScannerSample(g.page, x, y, c);
                break;
            default: dst[x] = ScannerPaletteIndex(g.page, x, y); break;
        }
    }
}

HGLOBAL MakeDib() {
    const ScannerScenario& s = g.scenario;
    int colors = s.pixelType == 0 ? 2 : s.pixelType == 1 ? 256 : s.pixelType == 2 ? 0 : 16;
    uint32_t stride = ((uint32_t(s.width) * Bits() + 31) / 32) * 4;
    size_t size = sizeof(BITMAPINFOHEADER) + colors * 4 + size_t(stride) * s.height;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* p = static_cast<uint8_t*>(GlobalLock(h));
    auto* bi = reinterpret_cast<BITMAPINFOHEADER*>(p);
    bi->biSize = sizeof(BITMAPINFOHEADER);
    bi->biWidth = s.width;
    bi->biHeight = s.height;
    bi->biPlanes = 1;
    bi->biBitCount = static_cast<WORD>(Bits());
    bi->biSizeImage = stride * s.height;
    bi->biClrUsed = colors;
    auto* table = reinterpret_cast<RGBQUAD*>(p + sizeof(BITMAPINFOHEADER));
    for (int i = 0; i < colors; ++i) {
        if (s.pixelType == 0) table[i] = i ? RGBQUAD{0, 0, 0, 0} : RGBQUAD{255, 255, 255, 0};
        else if (s.pixelType == 1) table[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
        else table[i] = ScannerPaletteColor(i);
    }
    uint8_t* bits = p + sizeof(BITMAPINFOHEADER) + colors * 4;
    for (int y = 0; y < s.height; ++y) WriteRow(bits + size_t(s.height - 1 - y) * stride, y, true);
    GlobalUnlock(h);
    return h;
}

TW_UINT16 ImageInfo(TW_IMAGEINFO* info) {
    const ScannerScenario& s = g.scenario;
    memset(info, 0, sizeof(*info));
    info->XResolution.Whole = info->YResolution.Whole = static_cast<TW_INT16>(s.resolution);
    info->ImageWidth = s.width;
    info->ImageLength = s.hostile == "length" ? -1 : s.height;
    info->SamplesPerPixel = s.pixelType == 2 ? 3 : 1;
    info->BitsPerSample[0] = static_cast<TW_INT16>(s.pixelType == 2 ? 8 : Bits());
    info->BitsPerPixel = static_cast<TW_INT16>(Bits());
    info->PixelType = static_cast<TW_INT16>(s.pixelType);
    return TWRC_SUCCESS;
}

// Cancel and failure scenarios hit the page they name.
TW_UINT16 PageOutcome() {
    if (g.page == g.scenario.cancelAt) return TWRC_CANCEL;
    if (g.page == g.scenario.failAt || g.scenario.failAll) return Fail(TWCC_OPERATIONERROR);
    return TWRC_XFERDONE;
}

TW_UINT16 MemoryStrip(TW_IMAGEMEMXFER* x) {
    TW_UINT16 outcome = PageOutcome();
    if (outcome != TWRC_XFERDONE) return outcome;
    const ScannerScenario& s = g.scenario;
    uint32_t bpr = StripRowBytes();
    uint32_t rows = std::min<uint32_t>(s.rowsPerStrip, s.height - g.nextRow);
    if (x->Memory.Length < bpr) return Fail(TWCC_BADVALUE);
    rows = std::min<uint32_t>(rows, x->Memory.Length / bpr);
    auto* dst = static_cast<uint8_t*>(x->Memory.TheMem);
    if (s.hostile == "strips") rows = 0;
    for (uint32_t r = 0; r < rows; ++r) {
        memset(dst + r * bpr, 0xEE, bpr);  // padding the engine must not show
        WriteRow(dst + r * bpr, g.nextRow + int(r), false);
    }
    x->Compression = 0;
    x->BytesPerRow = bpr;
    x->Columns = s.width;
    x->Rows = rows;
    x->XOffset = 0;
    x->YOffset = g.nextRow;
    // Unpadded strips end right after the last row's bytes.
    x->BytesWritten = rows ? (rows - 1) * bpr + RowBytes() : 0;
    if (s.hostile == "written") x->BytesWritten = x->Memory.Length + 100;
    g.nextRow += int(rows);
    return g.nextRow >= s.height ? TWRC_XFERDONE : TWRC_SUCCESS;
}

HGLOBAL TextBlock(const char* text) {
    size_t n = strlen(text) + 1;
    HGLOBAL h = GlobalAlloc(GMEM_FIXED, n);
    memcpy(h, text, n);
    return h;
}

TW_UINT16 ExtImageInfo(TW_EXTIMAGEINFO* ext) {
    if (g.scenario.noExtInfo) return Fail(TWCC_BADPROTOCOL);
    int seen[0x50] = {};
    for (TW_UINT32 i = 0; i < ext->NumInfos; ++i) {
        TW_INFO& info = ext->Info[i];
        int nth = info.InfoID >= 0x1200 && info.InfoID < 0x1250 ? seen[info.InfoID - 0x1200]++ : 0;
        info.ReturnCode = TWRC_INFONOTSUPPORTED;
        info.NumItems = 1;
        if (!g.scenario.barcodes) continue;
        info.ReturnCode = TWRC_SUCCESS;
        switch (info.InfoID) {
            case TWEI_BARCODECOUNT:
                info.ItemType = TWTY_UINT32;
                info.Item = g.scenario.hostile == "barcodes" ? 0x7FFFFFFF : 2;
                break;
            case TWEI_BARCODEX: info.ItemType = TWTY_UINT32; info.Item = 100 + nth; break;
            case TWEI_BARCODEY: info.ItemType = TWTY_UINT32; info.Item = 200 + nth; break;
            case TWEI_BARCODETYPE: info.ItemType = TWTY_UINT32; info.Item = 5 + nth; break;
            case TWEI_BARCODECONFIDENCE: info.ItemType = TWTY_UINT32; info.Item = 90 + nth; break;
            case TWEI_BARCODEROTATION: info.ItemType = TWTY_UINT32; info.Item = nth * 90; break;
            case TWEI_BARCODETEXTLENGTH: info.ItemType = TWTY_UINT32; info.Item = nth ? 6 : 5; break;
            case TWEI_BARCODETEXT:
                info.ItemType = TWTY_HANDLE;
                info.Item = reinterpret_cast<TW_UINTPTR>(TextBlock(nth ? "CODE-2" : "12345"));
                break;
            case TWEI_MAGTYPE: info.ItemType = TWTY_UINT16; info.Item = 1; break;
            case TWEI_MAGDATA:
                info.ItemType = TWTY_HANDLE;
                if (g.scenario.hostile == "emptyblock") {
                    // A block of no bytes is still the application's to free; the test finds it
                    // by the process environment.
                    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
                    char text[32];
                    snprintf(text, sizeof(text), "%llx",
                             static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(empty)));
                    SetEnvironmentVariableA("LUMETTA_SCANNER_EMPTY_BLOCK", text);
                    info.Item = reinterpret_cast<TW_UINTPTR>(empty);
                } else {
                    info.Item = reinterpret_cast<TW_UINTPTR>(TextBlock("MICR 0042"));
                }
                break;
            default: info.ReturnCode = TWRC_INFONOTSUPPORTED; break;
        }
    }
    return TWRC_SUCCESS;
}

TW_UINT16 WriteFile(const char* path) {
    HGLOBAL dib = MakeDib();
    SIZE_T size = GlobalSize(dib);
    auto* bi = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfSize = static_cast<DWORD>(sizeof(fh) + size);
    fh.bfOffBits = static_cast<DWORD>(sizeof(fh) + sizeof(BITMAPINFOHEADER) + bi->biClrUsed * 4);
    HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = f != INVALID_HANDLE_VALUE;
    DWORD written = 0;
    if (ok) ok = ::WriteFile(f, &fh, sizeof(fh), &written, nullptr) && ::WriteFile(f, bi, DWORD(size), &written, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    GlobalUnlock(dib);
    GlobalFree(dib);
    return ok ? TWRC_XFERDONE : Fail(TWCC_FILEWRITEERROR);
}

TW_UINT16 Control(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    switch (dat) {
        case DAT_IDENTITY:
            if (msg == MSG_GET) {
                // A manager asks again and again while it finds new names: hand out the offered
                // scanners in order, then the last one again, which ends its search; the next
                // search starts from the first.
                int sources = CurrentScannerScenario().sources;
                if (sources <= 0) return Fail(TWCC_NODS);
                int scanner = sources - 1;
                if (g.listed < sources) {
                    scanner = g.listed++;
                } else {
                    g.listed = 0;
                }
                FillIdentity(static_cast<pTW_IDENTITY>(data), scanner);
                return TWRC_SUCCESS;
            }
            if (msg == MSG_OPENDS) {
                // The manager assigned the Id; the rest of the identity is the scanner's own.
                auto* id = static_cast<pTW_IDENTITY>(data);
                FillIdentity(id, ScannerIndexOf(id));
                g.self = *static_cast<pTW_IDENTITY>(data);
                g.scenario = CurrentScannerScenario();
                g.caps.Reset(g.scenario);
                strcpy(g.file.FileName, "TWAIN.BMP");
                g.file.Format = TWFF_BMP;
                g.open = true;
                return TWRC_SUCCESS;
            }
            if (msg == MSG_CLOSEDS) {
                g.open = g.enabled = false;
                return TWRC_SUCCESS;
            }
            return Fail(TWCC_BADPROTOCOL);
        case DAT_CAPABILITY: return g.caps.Handle(msg, static_cast<TW_CAPABILITY*>(data), &g.condition);
        case DAT_STATUS: {
            auto* status = static_cast<TW_STATUS*>(data);
            status->ConditionCode = g.condition;
            status->Data = 0;
            g.condition = TWCC_SUCCESS;
            return TWRC_SUCCESS;
        }
        case DAT_EVENT: {
            auto* event = static_cast<TW_EVENT*>(data);
            event->TWMessage = MSG_NULL;
            return TWRC_NOTDSEVENT;
        }
        case DAT_USERINTERFACE:
            if (msg == MSG_ENABLEDS) {
                if (g.enabled) return Fail(TWCC_SEQERROR);
                g.enabled = true;
                g.scenario = CurrentScannerScenario();
                g.page = 0;
                g.pagesLeft = g.scenario.pages;
                g.nextRow = 0;
                Notify(g.scenario.closeRequest ? MSG_CLOSEDSREQ : MSG_XFERREADY);
                return TWRC_SUCCESS;
            }
            if (msg == MSG_DISABLEDS) {
                if (!g.enabled) return Fail(TWCC_SEQERROR);
                g.enabled = false;
                return TWRC_SUCCESS;
            }
            return Fail(TWCC_BADPROTOCOL);
        case DAT_PENDINGXFERS: {
            auto* pending = static_cast<TW_PENDINGXFERS*>(data);
            if (msg == MSG_ENDXFER) {
                if (g.pagesLeft > 0) --g.pagesLeft;  // an unknown count (-1) stays unknown
                ++g.page;
                g.nextRow = 0;
            } else if (msg == MSG_RESET) {
                g.pagesLeft = 0;
            } else if (msg != MSG_GET) {
                return Fail(TWCC_BADPROTOCOL);
            }
            pending->Count = g.pagesLeft < 0 ? 0xFFFF : static_cast<TW_UINT16>(g.pagesLeft);
            pending->EOJ = 0;
            return TWRC_SUCCESS;
        }
        case DAT_SETUPMEMXFER: {
            auto* setup = static_cast<TW_SETUPMEMXFER*>(data);
            setup->MinBufSize = StripRowBytes();
            setup->MaxBufSize = setup->Preferred = StripRowBytes() * std::max(g.scenario.rowsPerStrip, 1);
            return TWRC_SUCCESS;
        }
        case DAT_SETUPFILEXFER:
            if (msg == MSG_SET) g.file = *static_cast<TW_SETUPFILEXFER*>(data);
            else *static_cast<TW_SETUPFILEXFER*>(data) = g.file;
            return TWRC_SUCCESS;
        default: return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 Image(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    switch (dat) {
        case DAT_IMAGEINFO: return ImageInfo(static_cast<TW_IMAGEINFO*>(data));
        case DAT_IMAGELAYOUT: {
            auto* layout = static_cast<TW_IMAGELAYOUT*>(data);
            if (msg == MSG_SET) {
                g.layout = *layout;
                return TWRC_SUCCESS;
            }
            if (msg == MSG_RESET) memset(&g.layout, 0, sizeof(g.layout));
            if (msg == MSG_GETDEFAULT) {
                TW_IMAGELAYOUT def = {};
                def.Frame.Right.Whole = 8;
                def.Frame.Right.Frac = 0x8000;
                def.Frame.Bottom.Whole = 11;
                *layout = def;
            } else {
                *layout = g.layout;
                layout->PageNumber = g.page + 1;
            }
            return TWRC_SUCCESS;
        }
        case DAT_IMAGENATIVEXFER: {
            TW_UINT16 outcome = PageOutcome();
            if (outcome == TWRC_XFERDONE) {
                // A "handle" below 32 is what some drivers hand out for an image they did not make.
                *static_cast<TW_HANDLE*>(data) =
                    g.scenario.hostile == "handle" ? reinterpret_cast<TW_HANDLE>(5) : MakeDib();
            }
            return outcome;
        }
        case DAT_IMAGEFILEXFER: {
            TW_UINT16 outcome = PageOutcome();
            return outcome == TWRC_XFERDONE ? WriteFile(g.file.FileName) : outcome;
        }
        case DAT_IMAGEMEMXFER: return MemoryStrip(static_cast<TW_IMAGEMEMXFER*>(data));
        case DAT_PALETTE8: {
            if (g.scenario.pixelType != 3) return Fail(TWCC_BADPROTOCOL);
            auto* palette = static_cast<TW_PALETTE8*>(data);
            memset(palette, 0, sizeof(*palette));
            palette->NumColors = g.scenario.hostile == "colors" ? 300 : 16;
            for (int i = 0; i < 16; ++i) {
                RGBQUAD c = ScannerPaletteColor(i);
                palette->Colors[i] = {BYTE(i), c.rgbRed, c.rgbGreen, c.rgbBlue};
            }
            return TWRC_SUCCESS;
        }
        case DAT_EXTIMAGEINFO: return ExtImageInfo(static_cast<TW_EXTIMAGEINFO*>(data));
        default: return Fail(TWCC_BADPROTOCOL);
    }
}

}  // namespace

extern "C" __declspec(dllexport) TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat,
                                                           TW_UINT16 msg, TW_MEMREF data) {
    if (origin && dat != DAT_IDENTITY) g.app = *origin;
    if (dat == DAT_IDENTITY && msg == MSG_OPENDS && origin) g.app = *origin;
    if (dg == DG_CONTROL) return Control(dat, msg, data);
    if (dg == DG_IMAGE) return Image(dat, msg, data);
    return Fail(TWCC_BADPROTOCOL);
}

// For the tests: the container a capability was last set with (its bytes copied into out, up to
// size). Returns the container type, or 0 when the capability was never set.
extern "C" __declspec(dllexport) int WINAPI TestScanner_LastSet(TW_UINT16 cap, BYTE* out, int size, int* length) {
    std::vector<uint8_t> bytes;
    TW_UINT16 conType = 0;
    if (!g.caps.LastSet(cap, &bytes, &conType)) return 0;
    int n = std::min<int>(size, static_cast<int>(bytes.size()));
    memcpy(out, bytes.data(), n);
    if (length) *length = static_cast<int>(bytes.size());
    return conType;
}

// For the tests: how often a capability was set, and the transfer mechanism in force.
extern "C" __declspec(dllexport) int WINAPI TestScanner_SetCount(TW_UINT16 cap) { return g.caps.SetCount(cap); }
extern "C" __declspec(dllexport) int WINAPI TestScanner_Mechanism() { return g.caps.TransferMechanism(); }
extern "C" __declspec(dllexport) void WINAPI TestScanner_Layout(TW_IMAGELAYOUT* out) { *out = g.layout; }

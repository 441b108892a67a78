// Barcodes and text recognition through the two add-on libraries: the long operations that the
// script members of both hosts call (worker kinds 1 to 5), the barcode results as the script
// reads them, and the language-pack install.
#include <algorithm>
#include <cstdio>
#include <vector>
#include <cstring>

#include "base/error_codes.h"
#include "core/base64.h"
#include "core/browser_addon_base.h"
#include "core/language_pack.h"
#include "core/worker_runner.h"
#include "engine/module_paths.h"

namespace {

constexpr LONG kTiffTypeInUploads = OSTRL_TIF;
constexpr LONG kPngTypeInUploads = OSTRL_PNG;
constexpr LONG kTiffLzw = 5;

BOOL BarcodeRegionWork(WorkerTaskContext& task) {
    return task.engine->ReadBarcodeRegionNow(SHORT(task.index), task.rect, task.value);
}
BOOL BarcodeFileWork(WorkerTaskContext& task) {
    return task.engine->ReadBarcodeFileNow(static_cast<const char*>(task.fileNameList), task.rect, task.value);
}
BOOL OcrBufferWork(WorkerTaskContext& task) {
    return task.engine->RecogniseBufferImagesNow(static_cast<const SHORT*>(task.indexList), task.count,
                                                 task.outputFileName, task.scriptString);
}
BOOL OcrFilesWork(WorkerTaskContext& task) {
    return task.engine->RecogniseFilesNow(static_cast<const char*>(task.fileNameList), task.outputFileName,
                                          task.scriptString);
}
BOOL OcrAreaWork(WorkerTaskContext& task) {
    return task.engine->RecogniseAreaNow(SHORT(task.index), task.rect, task.scriptString);
}

// Hands size bytes of an encoded image block to the OCR library and frees the block; the
// library's result or null (the binding's last message says why). The encoder's size is trusted
// only as far as the block reaches.
HGLOBAL RecogniseEncodedImage(COcrAddOn& ocr, HGLOBAL encoded, SIZE_T size, LONG* length) {
    const SIZE_T usable = std::min<SIZE_T>(GlobalSize(encoded), size);
    const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(encoded));
    HGLOBAL result = bytes ? ocr.OCRMemory(bytes, LONG(usable), length) : nullptr;
    if (bytes) GlobalUnlock(encoded);
    GlobalFree(encoded);
    return result;
}

}  // namespace

// --- Barcodes --------------------------------------------------------------------------------

void CBrowserAddOnBase::ClearBeforeAddOnCall() {
    SetErrorCode(kErrSuccess);
    m_errorTexts.FreeCustomText();
    m_ocr.ForgetResultNotCopied();
}

BOOL CBrowserAddOnBase::FailAddOn(CAddOnLibrary& library, LONG code) {
    m_errorTexts.SetCustomText(library.LastMessage());
    SetErrorCode(code);
    return FALSE;
}

BOOL CBrowserAddOnBase::FailRecognition() {
    if (!m_ocr.ResultNotCopied()) return FailAddOn(m_ocr, kErrCustom2120);
    // The engine's own memory ran out, not the library: the code's own text, no older one.
    m_errorTexts.FreeCustomText();
    SetErrorCode(kErrNoMemory);
    return FALSE;
}

BOOL CBrowserAddOnBase::ReadBarcodeEx(SHORT index, LONG left, LONG top, LONG right, LONG bottom, LONG format) {
    const RECT rect = {left, top, right, bottom};
    switch (RouteLongOperation(this)) {
        case LongOperationRoute::Busy: return FALSE;
        case LongOperationRoute::Worker: {
            WorkerTaskContext task(this, kWorkerBarcodeRegion, &BarcodeRegionWork);
            task.index = index;
            task.rect = rect;
            task.value = format;
            RunInWorkerThread(this, WorkerThreadProc, &task);
            return task.result;
        }
        case LongOperationRoute::Direct: break;
    }
    return ReadBarcodeRegionNow(index, rect, format);
}

BOOL CBrowserAddOnBase::ReadBarcode(SHORT index, LONG format) { return ReadBarcodeEx(index, 0, 0, -1, -1, format); }

BOOL CBrowserAddOnBase::ReadBarcodeRegionNow(SHORT index, const RECT& rect, LONG format) {
    ClearBeforeAddOnCall();
    ClearTwainBarcodes();
    ReportOperationStatus(this, "Preparing data...", 5);
    LONG size = 0;
    HGLOBAL png = GetSelectedImagesData(&index, 1, kPngTypeInUploads, &size);
    if (!png) return FALSE;  // the encoder's error
    ReportOperationStatus(this, "Reading barcode...", 10);
    const SIZE_T usable = std::min<SIZE_T>(GlobalSize(png), SIZE_T(size > 0 ? size : 0));
    const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(png));
    const bool read = bytes && m_barcode.ReadRegion(bytes, LONG(usable), rect.left, rect.top, rect.right,
                                                    rect.bottom, format);
    if (bytes) GlobalUnlock(png);
    GlobalFree(png);
    return read ? TRUE : FailAddOn(m_barcode, kErrCustom2119);
}

BOOL CBrowserAddOnBase::ReadBarcodeDirectlyEx(const char* path, LONG left, LONG top, LONG right, LONG bottom,
                                              LONG format) {
    // The library is handed the page's path whole or not at all.
    if (path && !PathFits(path)) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    const RECT rect = {left, top, right, bottom};
    switch (RouteLongOperation(this)) {
        case LongOperationRoute::Busy: return FALSE;
        case LongOperationRoute::Worker: {
            WorkerTaskContext task(this, kWorkerBarcodeHandle, &BarcodeFileWork);
            task.fileNameList = const_cast<char*>(path);
            task.rect = rect;
            task.value = format;
            RunInWorkerThread(this, WorkerThreadProc, &task);
            return task.result;
        }
        case LongOperationRoute::Direct: break;
    }
    return ReadBarcodeFileNow(path, rect, format);
}

BOOL CBrowserAddOnBase::ReadBarcodeDirectly(const char* path, LONG format) {
    return ReadBarcodeDirectlyEx(path, 0, 0, -1, -1, format);
}

BOOL CBrowserAddOnBase::ReadBarcodeFileNow(const char* path, const RECT& rect, LONG format) {
    ClearBeforeAddOnCall();
    ClearTwainBarcodes();
    ReportOperationStatus(this, "Reading barcode...", 5);
    if (m_barcode.ReadWhole(path ? path : "", rect.left, rect.top, rect.right, rect.bottom, format)) return TRUE;
    return FailAddOn(m_barcode, kErrCustom2119);
}

void CBrowserAddOnBase::ClearTwainBarcodes() { m_extInfo.barcodeCount = 0; }

LONG CBrowserAddOnBase::GetScriptBarcodeCount() const {
    const LONG scanned = GetBarcodeCount();
    return scanned > 0 ? scanned : m_barcode.GetResultCount();
}

BOOL CBrowserAddOnBase::BarcodeTextForScript(LONG index, void* scriptString) {
    SetErrorCode(kErrSuccess);
    // The scan's own barcodes first, then the library's results.
    if (index >= 0 && index < GetBarcodeCount()) {
        if (const char* scanned = GetBarcodeText(index)) return SetScriptString(scriptString, scanned, TRUE);
    }
    LONG length = 0;
    const char* text = m_barcode.GetResultText(index, &length);
    if (!text) {
        SetScriptString(scriptString, "", TRUE);
        SetErrorCode(kErrInvalidIndex);
        return FALSE;
    }
    // A text with zero bytes in it goes out as Base64 of all its bytes.
    if (static_cast<LONG>(std::strlen(text)) == length) return SetScriptString(scriptString, text, TRUE);
    CBase64 base64;
    const char* encoded = base64.Encode(reinterpret_cast<const BYTE*>(text), DWORD(length)) ? base64.GetEncodedText() : nullptr;
    if (!encoded) {
        SetScriptString(scriptString, "", TRUE);
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    return SetScriptString(scriptString, encoded, TRUE);
}

LONG CBrowserAddOnBase::BarcodeInfoForScript(LONG index, LONG infoType) {
    SetErrorCode(kErrSuccess);
    LONG value = 0;
    if (index >= 0 && index < GetBarcodeCount() && GetBarcodeInfo(infoType, index, &value)) return value;
    if (index < 0 || index >= m_barcode.GetResultCount() || infoType < 0 || infoType > 5) {
        SetErrorCode(kErrInvalidIndex);
        return 0;
    }
    // The library's results: the first point's position, the format and the text length.
    float x = 0, y = 0;
    m_barcode.GetResultPoint(index, 0, &x, &y);
    switch (infoType) {
        case 0: return LONG(x);
        case 1: return LONG(y);
        case 2: return m_barcode.GetResultFormat(index);
        case 5: return m_barcode.GetResultLength(index);
        default: return 0;  // confidence and rotation are not reported by the library
    }
}

// --- Text recognition ---------------------------------------------------------------------------

BOOL CBrowserAddOnBase::HandRecognisedText(HGLOBAL result, LONG length, const char* outputFile, void* scriptString) {
    const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(result));
    BOOL ok = FALSE;
    if (outputFile) {
        ReportOperationStatus(this, "Saving to file...", 98);
        ok = bytes && WriteMemoryToFile(outputFile, bytes, DWORD(length));
    } else {
        ReportOperationStatus(this, "Building string...", 98);
        if (m_ocr.GetResultFormat() != 0) {
            CBase64 base64;
            const char* text = bytes && base64.Encode(bytes, DWORD(length)) ? base64.GetEncodedText() : nullptr;
            ok = text ? SetScriptString(scriptString, text, TRUE) : FALSE;
            if (!text) SetErrorCode(kErrNoMemory);
        } else {
            ok = bytes ? SetScriptString(scriptString, reinterpret_cast<const char*>(bytes), TRUE) : FALSE;
        }
    }
    if (bytes) GlobalUnlock(result);
    GlobalFree(result);
    return ok;
}

BOOL CBrowserAddOnBase::RunOcrOperation(LONG kind, const SHORT* indices, LONG count, const char* files,
                                        SHORT index, const RECT* rect, const char* outputFile, void* scriptString) {
    WorkerOperation work = kind == kWorkerOcrFiles ? &OcrFilesWork : kind == kWorkerOcrArea ? &OcrAreaWork : &OcrBufferWork;
    switch (RouteLongOperation(this)) {
        case LongOperationRoute::Busy: return FALSE;
        case LongOperationRoute::Worker: {
            WorkerTaskContext task(this, kind, work);
            task.indexList = const_cast<SHORT*>(indices);
            task.count = count;
            task.fileNameList = const_cast<char*>(files);
            task.index = index;
            if (rect) task.rect = *rect;
            task.outputFileName = outputFile;
            task.scriptString = scriptString;
            RunInWorkerThread(this, WorkerThreadProc, &task);
            return task.result;
        }
        case LongOperationRoute::Direct: break;
    }
    if (kind == kWorkerOcrFiles) return RecogniseFilesNow(files, outputFile, scriptString);
    if (kind == kWorkerOcrArea) return RecogniseAreaNow(index, *rect, scriptString);
    return RecogniseBufferImagesNow(indices, count, outputFile, scriptString);
}

BOOL CBrowserAddOnBase::RecogniseBufferImagesNow(const SHORT* indices, LONG count, const char* outputFile,
                                                 void* scriptString) {
    ClearBeforeAddOnCall();
    ReportOperationStatus(this, "Preparing data...", 5);
    const LONG compression = m_tiffCompressionType;
    m_tiffCompressionType = kTiffLzw;
    LONG size = 0;
    HGLOBAL tiff = count > 0 ? GetSelectedImagesData(indices, count, kTiffTypeInUploads, &size) : nullptr;
    m_tiffCompressionType = compression;
    if (!tiff) {
        // No image listed (nothing selected): there is nothing to recognise.
        if (count <= 0) SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    ReportOperationStatus(this, "OCR...", 10);
    LONG length = 0;
    HGLOBAL result = RecogniseEncodedImage(m_ocr, tiff, size > 0 ? SIZE_T(size) : 0, &length);
    if (!result) return FailRecognition();
    return HandRecognisedText(result, length, outputFile, scriptString);
}

BOOL CBrowserAddOnBase::RecogniseFilesNow(const char* files, const char* outputFile, void* scriptString) {
    ClearBeforeAddOnCall();
    ReportOperationStatus(this, "OCR...", 10);
    LONG length = 0;
    HGLOBAL result = m_ocr.OCRFile(files ? files : "", &length);
    if (!result) return FailRecognition();
    return HandRecognisedText(result, length, outputFile, scriptString);
}

BOOL CBrowserAddOnBase::RecogniseAreaNow(SHORT index, const RECT& rect, void* scriptString) {
    ClearBeforeAddOnCall();
    ReportOperationStatus(this, "Cropping image...", 1);
    HGLOBAL area = GetCroppedImage(index, rect.left, rect.top, rect.right, rect.bottom);
    if (!area) return FALSE;  // the facade's error
    ReportOperationStatus(this, "Saving image...", 5);
    DWORD size = 0;
    HGLOBAL tiff = nullptr;
    if (!EncodeDIBAsTIFFToMemory(area, &tiff, &size, kTiffLzw)) tiff = nullptr;
    if (!tiff) {
        GlobalFree(area);
        return FALSE;
    }
    ReportOperationStatus(this, "OCR...", 10);
    LONG length = 0;
    HGLOBAL result = RecogniseEncodedImage(m_ocr, tiff, SIZE_T(size), &length);
    GlobalFree(area);
    if (!result) return FailRecognition();
    return HandRecognisedText(result, length, nullptr, scriptString);
}

BOOL CBrowserAddOnBase::OCR(SHORT index, const char* outputFile) {
    return RunOcrOperation(kWorkerOcrBufferImages, &index, 1, nullptr, 0, nullptr, outputFile, nullptr);
}
BOOL CBrowserAddOnBase::OCREx(SHORT index, void* scriptString) {
    return RunOcrOperation(kWorkerOcrBufferImages, &index, 1, nullptr, 0, nullptr, nullptr, scriptString);
}
BOOL CBrowserAddOnBase::OCRSelectedImages(const char* outputFile) {
    const std::vector<SHORT> selected = SelectedImageIndices();
    return RunOcrOperation(kWorkerOcrBufferImages, selected.data(), LONG(selected.size()), nullptr, 0, nullptr,
                           outputFile, nullptr);
}
BOOL CBrowserAddOnBase::OCRSelectedImagesEx(void* scriptString) {
    const std::vector<SHORT> selected = SelectedImageIndices();
    return RunOcrOperation(kWorkerOcrBufferImages, selected.data(), LONG(selected.size()), nullptr, 0, nullptr,
                           nullptr, scriptString);
}
BOOL CBrowserAddOnBase::OCRDirectly(const char* files, const char* outputFile) {
    return RunOcrOperation(kWorkerOcrFiles, nullptr, 0, files, 0, nullptr, outputFile, nullptr);
}
BOOL CBrowserAddOnBase::OCRDirectlyEx(const char* files, void* scriptString) {
    return RunOcrOperation(kWorkerOcrFiles, nullptr, 0, files, 0, nullptr, nullptr, scriptString);
}
BOOL CBrowserAddOnBase::OCREx1(SHORT index, LONG left, LONG top, LONG right, LONG bottom, void* scriptString) {
    const RECT rect = {left, top, right, bottom};
    return RunOcrOperation(kWorkerOcrArea, nullptr, 0, nullptr, index, &rect, nullptr, scriptString);
}

BOOL CBrowserAddOnBase::SetOcrDataFolder(const char* folder) {
    SetErrorCode(kErrSuccess);
    if (m_ocr.SetDataFolder(folder)) return TRUE;
    SetErrorCode(kErrInvalidValue);
    return FALSE;
}

BOOL CBrowserAddOnBase::SetAddOnFolder(const char* folder) {
    SetErrorCode(kErrSuccess);
    // One folder for both libraries, or neither changes.
    if (!PathFits(folder ? folder : "")) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    m_ocr.SetDllFolder(folder);
    m_barcode.SetDllFolder(folder);
    return TRUE;
}

BOOL CBrowserAddOnBase::SetOcrLanguage(const char* language) {
    SetErrorCode(kErrSuccess);
    if (m_ocr.SetLanguage(language)) return TRUE;
    SetErrorCode(kErrInvalidValue);
    return FALSE;
}

BOOL CBrowserAddOnBase::HTTPDownloadOCRLangData(const char* server, const char* remotePath, BOOL onlyIfMissing) {
    ClearBeforeAddOnCall();
    if (onlyIfMissing && m_ocr.HasLanguageData()) return TRUE;
    char zipPath[MAX_PATH];
    if (!m_ocr.GetLanguageZipPath(zipPath)) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    DeleteFileA(zipPath);
    if (!DownloadToLocalFile(server, remotePath, zipPath)) {
        DeleteFileA(zipPath);
        return FALSE;  // the download's error
    }
    char message[MAX_PATH];
    // The result is the unpack's: a pack without the current language's data installs what it
    // holds, and the next recognition names the missing file.
    const bool ok = UnpackLanguagePack(zipPath, m_ocr.GetDataFolder(), message);
    DeleteFileA(zipPath);
    if (!ok) {
        m_errorTexts.SetCustomText(message);
        SetErrorCode(kErrCustom2120);
        return FALSE;
    }
    return TRUE;
}

std::vector<SHORT> CBrowserAddOnBase::SelectedImageIndices() const {
    std::vector<SHORT> indices;
    for (int index : m_viewer.SelectedIndices()) indices.push_back(static_cast<SHORT>(index));
    return indices;
}

BOOL CBrowserAddOnBase::DownloadToLocalFile(const char* server, const char* remotePath, const char* localPath) {
    return HTTPDownloadDirectly(server, remotePath, localPath);
}

namespace {

// A recognition setting's text into its buffer; -1034 when it does not fit. Clears the error code
// first.
bool FitSettingText(CBrowserAddOnBase& engine, std::string_view text, char (&buffer)[MAX_PATH]) {
    engine.SetErrorCode(0);
    if (FitText(text.data(), text.size(), buffer, sizeof(buffer), TextFit::Refuse)) return true;
    engine.SetErrorCode(kErrInvalidValue);
    return false;
}

}  // namespace

BOOL CBrowserAddOnBase::OCRTessDataPath(std::string_view folder) {
    char text[MAX_PATH];
    return FitSettingText(*this, folder, text) && SetOcrDataFolder(text);
}

BOOL CBrowserAddOnBase::OCRLanguage(std::string_view language) {
    char text[MAX_PATH];
    return FitSettingText(*this, language, text) && SetOcrLanguage(text);
}

BOOL CBrowserAddOnBase::OCRDllPath(std::string_view folder) {
    // One folder for both libraries.
    char text[MAX_PATH];
    return FitSettingText(*this, folder, text) && SetAddOnFolder(text);
}

BOOL CBrowserAddOnBase::OCRUnicodeFontName(std::string_view name) {
    char text[MAX_PATH];
    if (!FitSettingText(*this, name, text)) return FALSE;
    m_ocr.SetUnicodeFontName(text);
    return TRUE;
}

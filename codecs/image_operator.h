// CImageOperator: the engine layer that gives the image buffer file and memory input and output.
// It routes every load and save to the engine's own codecs or, by two flags fixed at
// construction, to GDI+ (image_operator_gdiplus.cpp); shows the file dialogs
// (image_operator_dialogs.cpp); and normalises every image entering the buffer.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include "codecs/gdiplus_api.h"
#include "codecs/image_type.h"
#include "codecs/pdf/pdf_settings.h"
#include "engine/multi_image_twain.h"

// The images of one load, held until the load ends: when they need more than the load budget for
// the input's size (LoadBudgetFor), none of them is added.
class LoadBatch {
public:
    explicit LoadBatch(uint64_t inputBytes);
    ~LoadBatch();  // frees every image not added
    LoadBatch(const LoadBatch&) = delete;
    LoadBatch& operator=(const LoadBatch&) = delete;

    // Takes an image over; false once the images taken exceed the budget (then every image,
    // this one too, is freed). A reader's page sink.
    bool Take(HGLOBAL dib);
    static bool TakePage(void* batch, HGLOBAL dib) { return static_cast<LoadBatch*>(batch)->Take(dib); }
    bool OverBudget() const { return m_over; }
    // Adds the images in order: false when over budget (error -1002, nothing added) or when the
    // buffer refuses one (its error code); else the load's own code decides.
    BOOL Finish(CMultiImageTWAIN& engine, LONG code);

private:
    void FreeAll();

    HGLOBAL* m_images = nullptr;
    size_t m_count = 0;
    size_t m_capacity = 0;
    uint64_t m_budget;
    uint64_t m_total = 0;
    bool m_over = false;
};

// One file chosen in an open dialog.
struct ImagePathRecord {
    SHORT type;
    char path[MAX_PATH];
};

// How the engines of this process reach GDI+, set once by the deliverable before any engine is
// made: the control passes the linked table and saves through GDI+; the plug-in passes its table
// of stubs with its own load and unload of "GDIPLUS.dll", so each engine holds one load and only
// loads through GDI+ when that load succeeded. With neither, each engine loads "GDIPLUS.dll" by
// name and binds the table to it.
struct PlatformImageLibrary {
    const GdiplusApi* table = nullptr;
    bool saveThroughLibrary = false;
    HMODULE (*loadLibrary)() = nullptr;        // one load per engine; null when GDI+ is missing
    void (*unloadLibrary)(HMODULE) = nullptr;  // gives that load back
};

// The common dialogs, replaceable so tests run unattended.
struct FileDialogApi {
    BOOL(WINAPI* getOpenFileName)(OPENFILENAMEA*);
    BOOL(WINAPI* getSaveFileName)(OPENFILENAMEA*);
};
const FileDialogApi& SystemFileDialogs();

// What a load passes to its reader (each format reads the fields it has).
struct ImageLoadParameters {
    LONG page = -1;                   // TIFF and PDF: the page to read, -1 every page
    PdfSettings* settings = nullptr;  // PDF: receives the document's settings
};

// What a save of one image passes to its codec (each format reads the fields it has).
struct ImageSaveParameters {
    USHORT quality = 0;
    LONG compression = 0;
    BOOL newFile = TRUE;
    bool transferFile = false;  // the file as the transfer layer carries it (EncodeImagesToMemory)
};

// An image index list whose first entry is kAllImages (65535 as an unsigned 16-bit index) names
// every image of the buffer in index order; so does the index kAllImages of the PDF saves.
constexpr SHORT kAllImages = SHORT(-1);
inline bool ListsAllImages(const SHORT* list) { return USHORT(list[0]) == USHORT(kAllImages); }

class CImageOperator : public CMultiImageTWAIN {
public:
    CImageOperator();
    ~CImageOperator() override;

    static void SetPlatformImageLibrary(const PlatformImageLibrary& library);

    // Engine slot 12: a 32-bit image becomes a new 24-bit one; an image the layout check refuses
    // is freed and refused (-1002 when no conversion could be made).
    HGLOBAL NormalizeIncomingImage(HGLOBAL dib) override;
    // Engine slot 13: a file was loaded (folder, file name, type), successfully or not.
    virtual void OnPostLoad(const char* folder, const char* name, SHORT type);
    // Engine slot 14: a file dialog of ShowFileDialog reports each chosen path.
    virtual void OnGetFilePath(BOOL save, LONG count, LONG index, const char* folder, const char* name);

    // Loading into the buffer. 1 success, 0 failure (the error code says why).
    BOOL LoadBMPFile(const char* path);
    BOOL LoadBMPFromMemory(DWORD size, const BYTE* bytes);
    BOOL LoadJPEGFile(const char* path);
    BOOL LoadJPEGFromMemory(DWORD size, const BYTE* bytes);
    BOOL LoadJPEGFromHandle(HGLOBAL block);
    BOOL LoadTIFFFile(const char* path, LONG page);
    BOOL LoadTIFFFromMemory(DWORD size, const BYTE* bytes, LONG page);
    BOOL LoadTIFFFromHandle(HGLOBAL block, LONG page);
    BOOL LoadPNGFile(const char* path);
    BOOL LoadPNGFromMemory(DWORD size, const BYTE* bytes);
    BOOL LoadPNGFromHandle(HGLOBAL block);
    BOOL LoadPDFFile(const char* path, LONG page, PdfSettings* settings);
    BOOL LoadPDFFromMemory(DWORD size, const BYTE* bytes, LONG page, PdfSettings* settings);
    BOOL LoadPDFFromHandle(HGLOBAL block, LONG page, PdfSettings* settings);
    BOOL LoadImageFileGdiplus(const char* path);
    BOOL LoadImageFromMemoryGdiplus(const BYTE* bytes, DWORD size);
    BOOL LoadImageEx(const char* path, SHORT type);
    // An encoded image in memory loaded by its type through the format's row of the load table,
    // every page of it; -1110 for a type no row reads. documentSettings, when given, receives the
    // settings of a document that loaded (PDF); it stays as it was for a failed load and for a
    // format without them.
    BOOL LoadEncodedImage(LONG type, DWORD size, const BYTE* bytes, PdfSettings* documentSettings);

    // Saving buffer images to files.
    BOOL SaveAsBMP(const char* path, SHORT index);
    BOOL SaveAsJPEG(const char* path, SHORT index, USHORT quality);
    BOOL SaveAsTIFF(const char* path, SHORT index, BOOL newFile, LONG compression);
    BOOL SaveAllAsMultiPageTIFF(const char* path, LONG compression);
    BOOL SaveSelectedImagesAsMultiPageTIFF(const char* path, const SHORT* list, LONG count, LONG compression);
    BOOL SaveAsPNG(const char* path, SHORT index);
    BOOL SaveAsPDF(const char* path, SHORT index, const PdfSettings* settings, LONG compression, USHORT quality);
    BOOL SaveSelectedImagesAsMultiPagePDF(const char* path, const SHORT* list, LONG count, const PdfSettings* settings,
                                          LONG compression, USHORT quality);

    // Saving to memory: a new fixed global block the caller owns, and its size.
    BOOL SaveAsJPEGToMemory(HGLOBAL* out, SHORT index, DWORD* size, USHORT quality);
    BOOL SaveAsTIFFToMemory(HGLOBAL* out, SHORT index, DWORD* size, LONG compression);
    BOOL SaveAllAsTIFFToMemory(HGLOBAL* out, DWORD* size, LONG compression);
    BOOL SaveImagesAsTIFFToMemory(HGLOBAL* out, const SHORT* list, LONG count, DWORD* size, LONG compression);
    BOOL SaveAsPNGToMemory(HGLOBAL* out, SHORT index, DWORD* size);
    BOOL SaveAsPDFToMemory(HGLOBAL* out, SHORT index, const PdfSettings* settings, DWORD* size, LONG compression,
                           USHORT quality);
    BOOL SaveImagesAsPDFToMemory(HGLOBAL* out, const SHORT* list, LONG count, const PdfSettings* settings,
                                 DWORD* size, LONG compression, USHORT quality);
    BOOL EncodeDIBAsTIFFToMemory(HGLOBAL dib, HGLOBAL* out, DWORD* size, LONG compression);
    // The whole BMP of a buffer image (the own writer).
    BOOL SaveAsBMPToMemory(HGLOBAL* out, SHORT index, DWORD* size);
    // The file of buffer images that an upload or a byte array carries, encoded by its type
    // through the format's row of the save table with the engine's settings (JPEGQuality, the
    // TIFF and PDF compression, the PDF settings): a format of pages (TIFF, PDF) takes every
    // listed image, any other the first listed one (image 0 for kAllImages). A BMP header's file
    // size counts the headers, colours and rows only. -1034 for no list or a count below 1,
    // -1110 for a type no row encodes.
    BOOL EncodeImagesToMemory(LONG type, const SHORT* list, LONG count, HGLOBAL* out, DWORD* size);
    // Whether EncodeImagesToMemory encodes the type.
    static bool EncodesImagesToMemory(LONG type);

    // Files and small utilities.
    HGLOBAL ReadFileToMemory(const char* path, DWORD* size);
    // The two halves of ReadFileToMemory, for a caller that reads the file into a block of its
    // own: the open file and its size (INVALID_HANDLE_VALUE with the error code set on failure),
    // then the whole file into bytes (false with the error code set; the handle stays open).
    HANDLE OpenFileToRead(const char* path, DWORD* size);
    BOOL ReadWholeFile(HANDLE file, BYTE* bytes, DWORD size);
    BOOL WriteMemoryToFile(const char* path, const BYTE* bytes, DWORD count);
    static BOOL ClearReadOnly(const char* path);
    static BOOL DetectImageType(const BYTE* bytes, DWORD length, SHORT* type);
    BOOL GetImageTypeFromFileName(const char* name, SHORT* type);
    BOOL GetImageInfoHeader(SHORT index, BITMAPINFOHEADER* header);
    static LONG SystemErrorToErrorCode(LONG n);

    // Dialogs.
    BOOL GetSavedFilePath(const char* filter, DWORD filterIndex, const char* defaultExtension, const char* folder,
                          BOOL overwritePrompt, DWORD flags, char* path, LONG force);
    BOOL GetSaveFilePathForType(char* path, SHORT type);
    BOOL GetOpenFilePath(const char* filter, DWORD filterIndex, const char* folder, BOOL multiSelect, DWORD flags,
                         SHORT type, LONG force);
    BOOL GetOpenFilePathsForType(const char* path, SHORT type);
    // Reports once through OnGetFilePath: each chosen path, or on any failure or cancel one
    // report as a cancel (ReportFileDialogCancel).
    BOOL ShowFileDialog(BOOL save, const char* filter, DWORD filterIndex, const char* defaultExtension,
                        const char* folder, BOOL multiSelect, BOOL overwritePrompt, DWORD flags);
    // The one report of a file dialog that chose nothing: count 0, index -1, the initial folder
    // (none when it does not fit a path whole: a cut one names another folder), an empty name.
    void ReportFileDialogCancel(BOOL save, const char* folder);
    void SetFileDialogApi(const FileDialogApi* api) { m_dialogs = api ? api : &SystemFileDialogs(); }
    // The records of the last open dialog (or of the path given without one).
    int PathRecordCount() const { return m_pathCount; }
    const ImagePathRecord& PathRecord(int i) const { return m_paths[i]; }

    // The GDI+ bridge.
    BOOL StartGdiplus();
    void ShutdownGdiplus();
    BOOL GetEncoderClsid(const WCHAR* mimeType, CLSID* clsid);
    UINT GetFrameCount(GdiplusApi::Image* image);
    // A bitmap over the DIB's pixels: the DIB stays locked until ReleaseBitmapOfDIB.
    GdiplusApi::Bitmap* CreateBitmapFromDIB(HGLOBAL dib);
    void ReleaseBitmapOfDIB(GdiplusApi::Bitmap* bitmap, HGLOBAL dib);
    HGLOBAL BitmapToDIB(GdiplusApi::Image* image);
    // inputBytes: the size of the file or bytes decoded, for the load budget.
    BOOL AddBitmapFramesToBuffer(GdiplusApi::Image* image, uint64_t inputBytes);
    BOOL SaveDIBToStream(IStream* stream, HGLOBAL dib);
    BOOL SaveImageFileGdiplus(const char* path, SHORT index);
    BOOL SaveAsToMemoryGdiplus(HGLOBAL* out, SHORT index, DWORD* size);
    BOOL SaveImagesAsTIFFFileGdiplus(const char* path, const SHORT* list, LONG count, BOOL append);
    BOOL SaveImagesToMemoryGdiplus(HGLOBAL* out, const SHORT* list, LONG count, DWORD* size);
    // For the PDF codec's JPEG images: a DIB encoded as JPEG at the quality (the save target
    // becomes JPEG), and the first frame of an image in memory as a new DIB (null with the
    // error code set on failure).
    BOOL EncodeDIBAsJPEGGdiplus(HGLOBAL dib, USHORT quality, HGLOBAL* out, DWORD* size);
    HGLOBAL DecodeImageGdiplus(const BYTE* bytes, DWORD size);

    // Settings.
    LONG m_ifShowPrintUI = 1;
    LONG m_ifShowFileDialog = 0;
    PdfSettings m_pdfSettings;
    LONG m_ifTiffMultiPage = 0;
    LONG m_tiffCompressionType = TIFF_AUTO;
    LONG m_pdfCompressionType = enumAutoEncode;
    USHORT m_jpegQuality = 80;

    BOOL UsesLibraryForSaving() const { return m_saveThroughLibrary; }
    BOOL UsesLibraryForLoading() const { return m_loadThroughLibrary; }
    bool HasGdiplusStarted() const { return m_gdiplusToken != 0; }

protected:
    // Sets the two routing flags of this engine (loading through GDI+ only when it is there).
    // The deliverables choose them through SetPlatformImageLibrary; tests drive every route.
    void SetLibraryRouting(BOOL save, BOOL load) {
        m_saveThroughLibrary = save && m_gdiplusToken;
        m_loadThroughLibrary = load && m_gdiplusToken;
    }

private:
    // One buffer image saved as type through the format's row of the save table.
    BOOL SaveImageFile(SHORT type, const char* path, SHORT index, const ImageSaveParameters& with);
    BOOL SaveImageToMemory(SHORT type, HGLOBAL* out, SHORT index, DWORD* size, const ImageSaveParameters& with);
    void SetBridgeTarget(SHORT type, const ImageSaveParameters& with);
    // Path step and folder creation shared by every file save; false ends the save.
    bool PrepareSavePath(const char* path, SHORT type, char* chosen, bool clearReadOnly);
    // Own-route file read into a new fixed zeroed block (for the decoders that take memory).
    HGLOBAL ReadWholeFile(const char* path, DWORD* size);
    BOOL AddDecoded(LONG code, HGLOBAL dib, uint64_t inputBytes);
    // A load of type (0 BMP .. 4 PDF) through the format's row of the load table.
    BOOL LoadImageFile(SHORT type, const char* path, const ImageLoadParameters& with);
    BOOL LoadImageBytes(SHORT type, DWORD size, const BYTE* bytes, const ImageLoadParameters& with);
    BOOL LoadImageHandle(SHORT type, HGLOBAL block, const ImageLoadParameters& with);
    BOOL GrowPathList(int needed);
    void ClearPathList();
    BOOL AppendPathRecord(SHORT type, const char* path);
    HGLOBAL BufferDib(SHORT index);
    BOOL FetchListDibs(const SHORT* list, LONG count, HGLOBAL** dibs, int* n);
    BOOL FinishMemorySave(LONG code, HGLOBAL block, uint64_t size, HGLOBAL* out, DWORD* outSize);
    BOOL ImportImageStream(IStream* stream, uint64_t inputBytes);
    BOOL WriteTiffListToStream(IStream* stream, const SHORT* list, LONG count, GdiplusApi::Image* existing);
    BOOL AppendTiffPages(IStream* stream, GdiplusApi::Image* first, const SHORT* list, LONG count);
    BOOL CopyStreamToBlock(IStream* stream, HGLOBAL* out, DWORD* size);
    // A DIB encoded to the bridge target type, in a new block.
    BOOL SaveDIBToBlock(HGLOBAL dib, HGLOBAL* out, DWORD* size);
    BOOL ReplaceFileWithStream(const char* path, IStream* stream);
    bool FirstFrameDimension(GdiplusApi::Image* image, GUID* dimension);
    // Stores the engine code of a failed GDI+ call; false for any status but Ok.
    bool GdipOk(GdiplusApi::Status status);

    HMODULE m_libraryModule = nullptr;
    void (*m_unloadLibrary)(HMODULE) = nullptr;
    GdiplusApi m_api = {};
    BOOL m_saveThroughLibrary = FALSE;
    BOOL m_loadThroughLibrary = FALSE;
    LONG m_bridgeTarget = 0;
    ULONG_PTR m_gdiplusToken = 0;
    const FileDialogApi* m_dialogs;
    ImagePathRecord* m_paths = nullptr;
    int m_pathCount = 0;
    int m_pathCapacity = 0;
};

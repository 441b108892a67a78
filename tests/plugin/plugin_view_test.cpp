// The plug-in's viewer, document, drawing, editor and printing members as a page calls them:
// text drawn on an image against the same text measured and drawn by GDI here, viewer settings
// and selections read back, documents written for qpdf, poppler and libtiff to check (see
// check_view_documents.sh), and print jobs read back from the test printer.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bmp_file.h"
#include "script_object_fixture.h"
#include "support/dialog_answer.h"
#include "support/test_printer.h"

namespace {

using browser::BoolVariant;
using browser::DoubleVariant;
using browser::IntVariant;
using browser::PageObject;

std::string TempPath(const std::string& name) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + "lumetta_view_" + std::to_string(GetCurrentProcessId()) + "_" + name;
}

// Where the documents for the reference tools go (the ctest sets it; otherwise the temp folder).
std::string DocumentPath(const std::string& name) {
    const char* folder = std::getenv("LUMETTA_VIEW_DOCUMENTS");
    if (!folder || !*folder) return TempPath(name);
    const std::string path(folder);
    CreateDirectoryA(path.substr(0, path.find_last_of("/\\")).c_str(), nullptr);
    CreateDirectoryA(folder, nullptr);
    return path + "\\" + name;
}

// The font a page asks for with CreateTextFont, as a LOGFONT.
struct FontRequest {
    int height = -16, width = 0, weight = 700;
    int italic = 0, quality = NONANTIALIASED_QUALITY;
    std::string face = "Tahoma";
    LOGFONTA Log() const {
        LOGFONTA log{};
        log.lfHeight = height;
        log.lfWidth = width;
        log.lfWeight = weight;
        log.lfItalic = static_cast<BYTE>(italic);
        log.lfCharSet = DEFAULT_CHARSET;
        log.lfQuality = static_cast<BYTE>(quality);
        lstrcpynA(log.lfFaceName, face.c_str(), LF_FACESIZE);
        return log;
    }
};

// The text as GDI measures and draws it alone: white glyphs on black in a box of the measured size.
Pixels TextMask(const FontRequest& request, const std::string& text) {
    Pixels mask;
    HDC dc = CreateCompatibleDC(nullptr);
    LOGFONTA log = request.Log();
    HFONT font = CreateFontIndirectA(&log);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, OPAQUE);
    RECT box{0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), -1, &box, DT_CALCRECT | DT_NOPREFIX);
    mask.width = box.right - box.left;
    mask.height = box.bottom - box.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = mask.width;
    info.bmiHeader.biHeight = -mask.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = SelectObject(dc, section);
    const size_t stride = (static_cast<size_t>(mask.width) * 3 + 3) & ~size_t(3);
    std::fill_n(static_cast<uint8_t*>(bits), stride * mask.height, 0);
    RECT whole{0, 0, mask.width, mask.height};
    DrawTextA(dc, text.c_str(), -1, &whole, DT_NOPREFIX);
    GdiFlush();
    mask.bgr.resize(static_cast<size_t>(mask.width) * mask.height * 3);
    for (int y = 0; y < mask.height; ++y)
        std::copy_n(static_cast<uint8_t*>(bits) + y * stride, mask.width * 3, mask.At(0, y));
    SelectObject(dc, oldBitmap);
    SelectObject(dc, oldFont);
    DeleteObject(section);
    DeleteObject(font);
    DeleteDC(dc);
    return mask;
}

class ViewMembers : public ScriptObject {
protected:
    void TearDown() override {
        for (const std::string& path : made) DeleteFileA(path.c_str());
        ScriptObject::TearDown();
    }
    bool LoadBmp(const std::vector<uint8_t>& file) {
        return Call("LoadImageFromBytes", {IntVariant(static_cast<int32_t>(file.size())), Array(file), IntVariant(0)}) &&
               result.type == NPVariantType_Bool && result.value.boolValue;
    }
    // Loads through a file, as a page's LoadImage does (the viewer learns of it at once).
    bool LoadBmpFile(const std::vector<uint8_t>& file) {
        const std::string path = TempPath("load" + std::to_string(made.size()) + ".bmp");
        made.push_back(path);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                   static_cast<std::streamsize>(file.size()));
        return Call("LoadImage", {Text(path)}) && BoolResult();
    }
    bool BoolResult() const { return result.type == NPVariantType_Bool && result.value.boolValue; }
    Pixels Saved(int index) {
        const std::string path = TempPath("saved.bmp");
        made.push_back(path);
        DeleteFileA(path.c_str());
        EXPECT_TRUE(Call("SaveAsBMP", {Text(path), IntVariant(index)}) && BoolResult()) << ErrorCode();
        return ReadBmp24(path);
    }
    bool CreateFont(const FontRequest& f) {
        std::vector<NPVariant> args = {IntVariant(f.height), IntVariant(f.width), IntVariant(0), IntVariant(0),
                                       IntVariant(f.weight), IntVariant(f.italic), IntVariant(0), IntVariant(0),
                                       IntVariant(DEFAULT_CHARSET), IntVariant(0), IntVariant(0), IntVariant(f.quality),
                                       IntVariant(0), Text(f.face)};
        return Call("CreateTextFont", args) && BoolResult();
    }
    bool AddText(int index, int x, int y, const std::string& text, int32_t textColour, int32_t backColour,
                 double radius, double opacity) {
        return Call("AddText", {IntVariant(index), IntVariant(x), IntVariant(y), Text(text), IntVariant(textColour),
                                IntVariant(backColour), DoubleVariant(radius), DoubleVariant(opacity)}) &&
               BoolResult();
    }
    int32_t IntOf(const char* property) { return Get(property).value.intValue; }

    std::vector<std::string> made;
};

// The box and glyphs a drawn text must leave, computed from the mask of the same text.
Pixels ExpectedText(const Pixels& before, const Pixels& mask, int x, int y, const uint8_t* textBgr,
                    const uint8_t* boxBgr) {
    Pixels expected = before;
    for (int row = 0; row < mask.height; ++row)
        for (int column = 0; column < mask.width; ++column) {
            const int ix = x + column, iy = y + 1 + row;  // the text's first row is row y + 1
            if (ix < 0 || iy < 0 || ix >= before.width || iy >= before.height) continue;
            const bool glyph = mask.At(column, row)[0] != 0;
            const uint8_t* colour = glyph ? textBgr : boxBgr;
            if (colour) std::copy_n(colour, 3, expected.At(ix, iy));
        }
    return expected;
}

int CountDifferences(const Pixels& a, const Pixels& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    int differ = 0;
    for (size_t i = 0; i < a.bgr.size(); i += 3)
        if (a.bgr[i] != b.bgr[i] || a.bgr[i + 1] != b.bgr[i + 1] || a.bgr[i + 2] != b.bgr[i + 2]) ++differ;
    return differ;
}

TEST_F(ViewMembers, AddTextDrawsTheMeasuredBoxAndTheGlyphsOfTheChosenFont) {
    ASSERT_TRUE(LoadBmp(SolidBmp(180, 48, 255, 255, 255)));
    const Pixels before = Saved(0);
    ASSERT_EQ(before.width, 180);

    FontRequest font;
    ASSERT_TRUE(CreateFont(font));
    const std::string text = "Lumetta 26";
    const Pixels mask = TextMask(font, text);
    ASSERT_GT(mask.width, 20);
    ASSERT_GT(mask.height, 8);

    // Script colours carry red in the low byte: 0x0000FF is red, 0xFF0000 blue.
    const uint8_t red[3] = {0, 0, 255}, blue[3] = {255, 0, 0};
    // A solid box (opacity 1): square corners, no margin, the background colour behind the glyphs.
    ASSERT_TRUE(AddText(0, 7, 5, text, 0x0000FF, 0xFF0000, 0.2, 1.0)) << ErrorCode();
    const Pixels boxed = Saved(0);
    EXPECT_EQ(CountDifferences(boxed, ExpectedText(before, mask, 7, 5, red, blue)), 0);
    int glyphs = 0;
    for (size_t i = 0; i < mask.bgr.size(); i += 3) glyphs += mask.bgr[i] != 0;
    EXPECT_GT(glyphs, 40);

    // Opacity 0: only the glyphs; a box that runs past the right edge is clipped.
    ASSERT_TRUE(LoadBmp(SolidBmp(180, 48, 255, 255, 255)));
    ASSERT_TRUE(AddText(1, 150, 20, text, 0x0000FF, 0xFF0000, 0.2, 0.0)) << ErrorCode();
    EXPECT_EQ(CountDifferences(Saved(1), ExpectedText(before, mask, 150, 20, red, nullptr)), 0);

    // A missing image fails and leaves the buffer as it was.
    EXPECT_FALSE(AddText(7, 0, 0, text, 0, 0, 0, 0));
    EXPECT_NE(ErrorCode(), 0);
    EXPECT_EQ(Count(), 2);
}

// The dialogs this thread makes while the hook is set.
int g_dialogsMade = 0;
LRESULT CALLBACK CountDialogs(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        char name[16] = {};
        GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name);
        if (std::string(name) == "#32770") ++g_dialogsMade;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The blank test of an area runs on the worker without the progress dialog, whatever
// IfShowProgressBar says (on by default), and leaves that setting as the page set it.
TEST_F(ViewMembers, TheBlankTestShowsNoProgressDialogAndKeepsTheSetting) {
    ASSERT_TRUE(LoadBmp(SolidBmp(40, 40, 255, 255, 255)));
    NPVariant on = Get("IfShowProgressBar");
    EXPECT_EQ(on.type, NPVariantType_Bool);
    EXPECT_TRUE(on.value.boolValue) << "on by default";
    HHOOK hook = SetWindowsHookExA(WH_CBT, CountDialogs, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    for (bool show : {true, false, true}) {
        SCOPED_TRACE(show);
        EXPECT_TRUE(Set("IfShowProgressBar", BoolVariant(show)));
        EXPECT_EQ(Get("IfShowProgressBar").value.boolValue, show);
        g_dialogsMade = 0;
        ASSERT_TRUE(Call("IsBlankImageEx", {IntVariant(0), IntVariant(0), IntVariant(0), IntVariant(40), IntVariant(40),
                                            BoolVariant(false)}));
        EXPECT_TRUE(BoolResult()) << ErrorCode();
        EXPECT_EQ(g_dialogsMade, 0);
        EXPECT_EQ(Get("IfShowProgressBar").value.boolValue, show);
    }
    UnhookWindowsHookEx(hook);
}

TEST_F(ViewMembers, OverlayRectangleLeavesTheBufferImageAsItWas) {
    ASSERT_TRUE(LoadBmp(SolidBmp(64, 40, 10, 200, 30)));
    const Pixels before = Saved(0);
    ASSERT_TRUE(Call("OverlayRectangle", {IntVariant(0), IntVariant(4), IntVariant(4), IntVariant(30), IntVariant(20),
                                          IntVariant(0), DoubleVariant(0.5)}));
    EXPECT_TRUE(BoolResult()) << ErrorCode();
    EXPECT_EQ(CountDifferences(Saved(0), before), 0);
    ASSERT_TRUE(Call("OverlayRectangle", {IntVariant(3), IntVariant(4), IntVariant(4), IntVariant(30), IntVariant(20),
                                          IntVariant(0), DoubleVariant(0.5)}));
    EXPECT_FALSE(BoolResult());
    EXPECT_NE(ErrorCode(), 0);
}

TEST_F(ViewMembers, ViewerSettingsReadBackAsSet) {
    // Numbers.
    EXPECT_TRUE(Set("BackgroundColor", IntVariant(0x123456)));
    EXPECT_EQ(IntOf("BackgroundColor"), 0x123456);
    EXPECT_TRUE(Set("SelectionImageBorderColor", IntVariant(0x00FF00)));
    EXPECT_EQ(IntOf("SelectionImageBorderColor"), 0x00FF00);
    EXPECT_TRUE(Set("Zoom", DoubleVariant(1.5)));
    EXPECT_DOUBLE_EQ(Get("Zoom").value.doubleValue, 1.5);

    // Border styles 0 to 2; anything else is refused and keeps the style.
    EXPECT_TRUE(Set("BorderStyle", IntVariant(2)));
    EXPECT_EQ(IntOf("BorderStyle"), 2);
    EXPECT_TRUE(Set("BorderStyle", IntVariant(3)));
    EXPECT_EQ(ErrorCode(), -1034);
    EXPECT_EQ(IntOf("BorderStyle"), 2);
    EXPECT_TRUE(Set("BorderStyle", IntVariant(-1)));
    EXPECT_EQ(ErrorCode(), -1034);

    // Flags.
    for (const char* flag : {"EnableInteractiveZoom", "AllowMultiSelect", "MouseShape", "IfShowPrintUI",
                             "IfShowFileDialog", "ImageEditorIfReadonly", "ImageEditorIfModal",
                             "ImageEditorIfEnableEnumerator"}) {
        EXPECT_TRUE(Set(flag, BoolVariant(true)));
        EXPECT_TRUE(Get(flag).value.boolValue) << flag;
        EXPECT_EQ(ErrorCode(), 0) << flag;
        EXPECT_TRUE(Set(flag, BoolVariant(false)));
        EXPECT_FALSE(Get(flag).value.boolValue) << flag;
    }

    // The view mode goes out through the "value" of two page objects.
    EXPECT_TRUE(Call("SetViewMode", {IntVariant(3), IntVariant(2)}) && BoolResult());
    PageObject* columns = PageObject::NewOutObject();
    PageObject* rows = PageObject::NewOutObject();
    EXPECT_TRUE(Call("GetViewMode", {browser::ObjectVariant(columns), browser::ObjectVariant(rows)}) && BoolResult());
    EXPECT_EQ(columns->Get("value").type, NPVariantType_Int32);
    EXPECT_EQ(columns->Get("value").intValue, 3);
    EXPECT_EQ(rows->Get("value").intValue, 2);
    browser::ReleaseObject(columns);
    browser::ReleaseObject(rows);
    // Numbers where objects belong fail the type test.
    EXPECT_TRUE(Call("GetViewMode", {IntVariant(1), IntVariant(2)}));
    EXPECT_FALSE(BoolResult());
    EXPECT_EQ(ErrorCode(), -2113);

    // The mouse position is read-only.
    EXPECT_EQ(Get("MouseX").type, NPVariantType_Int32);
    EXPECT_FALSE(Set("MouseY", IntVariant(4)));
    EXPECT_EQ(ErrorCode(), -2110);
    EXPECT_TRUE(Set("LogLevel", IntVariant(0)));
    EXPECT_EQ(IntOf("LogLevel"), 0);
    // Only 0 and 1 are levels: 2 is refused, and the page can read that it was.
    EXPECT_TRUE(Set("LogLevel", IntVariant(2)));
    EXPECT_EQ(ErrorCode(), -1034);
    EXPECT_EQ(IntOf("LogLevel"), 0);
}

TEST_F(ViewMembers, SelectionRoundTripsAndRefusals) {
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(LoadBmpFile(SolidBmp(20 + i, 10, 0, 0, 0)));
    EXPECT_TRUE(Call("SetSelectedImageIndex", {IntVariant(0), IntVariant(3)}) && BoolResult());
    EXPECT_TRUE(Call("GetSelectedImageIndex", {IntVariant(0)}));
    EXPECT_EQ(result.type, NPVariantType_Int32);
    EXPECT_EQ(result.value.intValue, 3);
    EXPECT_EQ(IntOf("SelectedImagesCount"), 1);

    // An image that is not in the buffer cannot be selected.
    EXPECT_TRUE(Call("SetSelectedImageIndex", {IntVariant(0), IntVariant(9)}));
    EXPECT_FALSE(BoolResult());
    EXPECT_EQ(ErrorCode(), -1033);

    // An area on an image: a failure reads 1.
    EXPECT_TRUE(Call("SetSelectedImageArea", {IntVariant(1), IntVariant(2), IntVariant(2), IntVariant(8), IntVariant(6)}));
    EXPECT_TRUE(BoolResult()) << ErrorCode();
    EXPECT_EQ(ErrorCode(), 0);
    EXPECT_TRUE(Call("SetSelectedImageArea", {IntVariant(12), IntVariant(2), IntVariant(2), IntVariant(8), IntVariant(6)}));
    EXPECT_FALSE(BoolResult());
    EXPECT_EQ(ErrorCode(), -1001);  // 1, "General failure."
}

// A page declares how many images it selects, then names them one position after the other:
// each step moves the viewer's focus, which must not rebuild the viewer and drop the declaration.
TEST_F(ViewMembers, MultipleSelectionNamedPositionByPosition) {
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(LoadBmpFile(SolidBmp(20 + i, 10, 0, 0, 0)));
    EXPECT_TRUE(Set("AllowMultiSelect", BoolVariant(true)));
    EXPECT_TRUE(Set("SelectedImagesCount", IntVariant(3)));
    EXPECT_EQ(ErrorCode(), 0);
    const int chosen[] = {0, 2, 3};
    for (int position = 0; position < 3; ++position) {
        EXPECT_TRUE(Call("SetSelectedImageIndex", {IntVariant(position), IntVariant(chosen[position])}));
        EXPECT_TRUE(BoolResult()) << "position " << position << ", error " << ErrorCode();
    }
    EXPECT_EQ(IntOf("SelectedImagesCount"), 3);
    for (int position = 0; position < 3; ++position) {
        EXPECT_TRUE(Call("GetSelectedImageIndex", {IntVariant(position)}));
        EXPECT_EQ(result.value.intValue, chosen[position]) << "position " << position;
    }
    // A fourth position was never declared.
    EXPECT_TRUE(Call("SetSelectedImageIndex", {IntVariant(3), IntVariant(1)}));
    EXPECT_FALSE(BoolResult());
    EXPECT_EQ(ErrorCode(), -1033);
}

TEST_F(ViewMembers, MembersOfTheControlThatThePluginDoesNotCarry) {
    for (const char* name : {"IfThrowException", "hDIB", "Picture", "SelectedImageIndex"}) {
        EXPECT_FALSE(object->_class->hasProperty(object, browser::StringIdentifier(name))) << name;
        EXPECT_FALSE(object->_class->hasMethod(object, browser::StringIdentifier(name))) << name;
    }
}

TEST_F(ViewMembers, DocumentTextsAreCutToTheirFields) {
    EXPECT_TRUE(Set("PDFTitle", Text(std::string(300, 't'))));
    EXPECT_EQ(GetText("PDFTitle"), std::string(255, 't'));
    EXPECT_TRUE(Set("PDFVersion", Text(std::string(40, '1'))));
    EXPECT_EQ(GetText("PDFVersion"), std::string(31, '1'));
    EXPECT_TRUE(Set("ImageEditorWindowTitle", Text("Pages")));
    EXPECT_EQ(GetText("ImageEditorWindowTitle"), "Pages");
    for (const char* name : {"PDFAuthor", "PDFSubject", "PDFKeywords", "PDFCreationDate", "PDFModifiedDate",
                             "PDFCreator", "PDFProducer"}) {
        EXPECT_TRUE(Set(name, Text(name)));
        EXPECT_EQ(GetText(name), name);
    }
}

// Writes the documents that check_view_documents.sh reads with qpdf, pdfinfo, pdftoppm and tiffinfo.
TEST_F(ViewMembers, SavedDocumentsOfAllAndOfTheSelectedImages) {
    ASSERT_TRUE(LoadBmpFile(SolidBmp(64, 48, 0, 0, 255)));  // red
    ASSERT_TRUE(LoadBmpFile(SolidBmp(96, 48, 0, 255, 0)));  // green
    ASSERT_TRUE(LoadBmpFile(SolidBmp(32, 32, 255, 0, 0)));  // blue
    EXPECT_TRUE(Set("PDFCompressionType", IntVariant(3)));  // LZW: the colours survive as they are
    EXPECT_TRUE(Set("PDFTitle", Text("Lumetta pages")));
    EXPECT_TRUE(Set("PDFAuthor", Text("The view test")));
    EXPECT_TRUE(Set("PDFSubject", Text("Three colours")));
    EXPECT_TRUE(Set("PDFKeywords", Text("red green blue")));

    const std::string all = DocumentPath("all.pdf"), selectedPdf = DocumentPath("selected.pdf"),
                      selectedTiff = DocumentPath("selected.tif");
    for (const std::string& path : {all, selectedPdf, selectedTiff}) DeleteFileA(path.c_str());
    EXPECT_TRUE(Call("SaveAllAsPDF", {Text(all)}) && BoolResult()) << ErrorCode();

    EXPECT_TRUE(Call("SetSelectedImageIndex", {IntVariant(0), IntVariant(2)}) && BoolResult());
    EXPECT_TRUE(Call("SaveSelectedImagesAsMultiPagePDF", {Text(selectedPdf)}) && BoolResult()) << ErrorCode();
    EXPECT_TRUE(Call("SaveSelectedImagesAsMultiPageTIFF", {Text(selectedTiff)}) && BoolResult()) << ErrorCode();

    // What the files start with; the reference tools check the rest.
    const std::vector<unsigned char> pdf = ReadFile(all);
    EXPECT_EQ(std::string(pdf.begin(), pdf.begin() + std::min<size_t>(pdf.size(), 5)), "%PDF-");
    const std::vector<unsigned char> tiff = ReadFile(selectedTiff);
    ASSERT_GT(tiff.size(), 8u);
    EXPECT_TRUE((tiff[0] == 'I' && tiff[1] == 'I' && tiff[2] == 42) || (tiff[0] == 'M' && tiff[1] == 'M' && tiff[3] == 42));

    // A path longer than the field is refused and writes nothing.
    const std::string longPath = TempPath(std::string(600, 'p') + ".pdf");
    EXPECT_TRUE(Call("SaveAllAsPDF", {Text(longPath)}));
    EXPECT_FALSE(BoolResult());
    EXPECT_EQ(ErrorCode(), -1034);
}

TEST_F(ViewMembers, ImageDataSizesAndHandles) {
    ASSERT_TRUE(LoadBmp(SolidBmp(30, 20, 1, 2, 3)));
    // A BMP of 30 x 20 at 24 bits: 54 header bytes and 20 rows of 92 bytes.
    EXPECT_TRUE(Call("GetImageSizeWithSpecifiedType", {IntVariant(0), IntVariant(0)}));
    EXPECT_EQ(result.type, NPVariantType_Int32);
    EXPECT_EQ(result.value.intValue, 54 + 20 * 92);
    EXPECT_TRUE(Call("GetImageSizeWithSpecifiedType", {IntVariant(4), IntVariant(0)}));
    EXPECT_EQ(result.value.intValue, 0);
    EXPECT_NE(ErrorCode(), 0);

    EXPECT_TRUE(Call("GetHDIB", {IntVariant(0)}));
    EXPECT_EQ(result.type, NPVariantType_Int32);
    const INT_PTR handle = result.value.intValue;
    if (handle) {
        // The handle is the buffer's own packed DIB (lent): its header says 30 x 20.
        auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(reinterpret_cast<HGLOBAL>(handle)));
        ASSERT_NE(header, nullptr);
        EXPECT_EQ(header->biWidth, 30);
        EXPECT_EQ(header->biHeight, 20);
        GlobalUnlock(reinterpret_cast<HGLOBAL>(handle));
    } else {
        EXPECT_EQ(ErrorCode(), -1034);  // a 64-bit handle that 32 bits cannot hold
    }
    EXPECT_TRUE(Call("GetHDIB", {IntVariant(5)}));
    EXPECT_EQ(result.value.intValue, 0);

    // The resolution changes without resampling.
    EXPECT_TRUE(Call("SetDPI", {IntVariant(0), IntVariant(300), IntVariant(150), BoolVariant(false), IntVariant(0)}));
    EXPECT_TRUE(BoolResult()) << ErrorCode();
    EXPECT_TRUE(Call("GetImageXResolution", {IntVariant(0)}));
    EXPECT_EQ(result.value.intValue, 300);
    EXPECT_TRUE(Call("GetImageYResolution", {IntVariant(0)}));
    EXPECT_EQ(result.value.intValue, 150);
}

TEST_F(ViewMembers, BlankTestOfAnAreaAndTheClipboard) {
    std::vector<uint8_t> file = SolidBmp(40, 40, 255, 255, 255);
    // A black block of 10 x 10 at (25, 0) from the top: bottom-up rows 30 to 39.
    const size_t stride = 120;
    for (int row = 30; row < 40; ++row)
        for (int column = 25; column < 35; ++column) {
            uint8_t* p = &file[54 + row * stride + column * 3];
            p[0] = p[1] = p[2] = 0;
        }
    ASSERT_TRUE(LoadBmp(file));
    // The left half holds only white; the whole image does not.
    EXPECT_TRUE(Call("IsBlankImageEx", {IntVariant(0), IntVariant(0), IntVariant(0), IntVariant(20), IntVariant(40),
                                        BoolVariant(false)}));
    EXPECT_TRUE(BoolResult()) << ErrorCode();
    EXPECT_TRUE(Call("IsBlankImageEx", {IntVariant(0), IntVariant(0), IntVariant(0), IntVariant(-1), IntVariant(40),
                                        BoolVariant(false)}));
    EXPECT_FALSE(BoolResult());

    // A frame cut to the clipboard comes back as a new image of the frame's size.
    EXPECT_TRUE(Call("CutFrameToClipboard", {IntVariant(0), IntVariant(25), IntVariant(0), IntVariant(40),
                                             IntVariant(10)}));
    if (!BoolResult()) GTEST_SKIP() << "no clipboard here: " << ErrorCode();
    EXPECT_TRUE(Call("LoadDibFromClipboard", {}) && BoolResult()) << ErrorCode();
    ASSERT_EQ(Count(), 2);
    const Pixels frame = Saved(1);
    EXPECT_EQ(frame.width, 15);
    EXPECT_EQ(frame.height, 10);
    ASSERT_EQ(frame.bgr.size(), 15u * 10 * 3);
    EXPECT_EQ(frame.At(5, 5)[0], 0);  // inside the black block, now at (5, 5)
    EXPECT_EQ(frame.At(12, 5)[0], 255);
    // The cut frame is erased in the image (to the fill colour, white by default).
    EXPECT_EQ(Saved(0).At(30, 5)[0], 255);
}

class ViewPrinting : public ViewMembers {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(TestPrinter::Install(), ""); }
};

TEST_F(ViewPrinting, PrintSendsTheCurrentImageToTheDefaultPrinter) {
    for (int width : {40, 50, 60}) ASSERT_TRUE(LoadBmp(SolidBmp(width, 30, 0, 0, 0)));
    EXPECT_TRUE(Set("IfShowPrintUI", BoolVariant(false)));
    EXPECT_TRUE(Set("CurrentImageIndexInBuffer", IntVariant(1)));
    TestPrinter::ClearOutput();
    EXPECT_TRUE(Call("Print", {}) && BoolResult()) << ErrorCode();
    const PrintedJob job = TestPrinter::ReadJob();
    EXPECT_EQ(job.pages, 1);
    ASSERT_EQ(job.images.size(), 1u);
    EXPECT_EQ(job.images[0].sourceWidth, 50);
    EXPECT_EQ(job.images[0].sourceHeight, 30);
}

TEST_F(ViewMembers, ModelessEditorOpensWithItsTitleOverThePluginWindow) {
    ASSERT_TRUE(LoadBmp(SolidBmp(40, 30, 0, 128, 0)));
    const std::string title = "View test editor " + std::to_string(GetCurrentProcessId());
    EXPECT_TRUE(Set("ImageEditorWindowTitle", Text(title)));
    EXPECT_TRUE(Set("ImageEditorIfModal", BoolVariant(false)));
    EXPECT_TRUE(Call("ShowImageEditor", {}) && BoolResult()) << ErrorCode();
    HWND editor = FindWindowOfThread(0, title.c_str());
    ASSERT_NE(editor, nullptr);
    SendMessageA(editor, WM_CLOSE, 0, 0);
    browser_->Pump(0);
    EXPECT_FALSE(IsWindow(editor));
}

}  // namespace

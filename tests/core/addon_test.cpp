// The barcode and text-recognition bindings against the stand-in add-on libraries of this build:
// what the engine hands them (read back from their call log), how their results, messages and
// hostile blocks come back, the language data rules and the language-pack unpacker.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/error_codes.h"
#include "capture/debug_log.h"
#include "core/base64.h"
#include "core/language_pack.h"
#include "support/test_dib.h"
#include "support/test_engine.h"

namespace {

std::string Env(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? value : "";
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The debug output written while a capture lives (the debug-print exception comes to a vectored
// handler first); the log is switched on for its lifetime.
constexpr DWORD kDebugPrintException = 0x40010006;  // DBG_PRINTEXCEPTION_C
std::vector<std::string>* g_debugLines = nullptr;

LONG CALLBACK CaptureDebugPrint(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* r = info->ExceptionRecord;
    if (r->ExceptionCode != kDebugPrintException || r->NumberParameters < 2 || !g_debugLines)
        return EXCEPTION_CONTINUE_SEARCH;
    g_debugLines->push_back(reinterpret_cast<const char*>(r->ExceptionInformation[1]));
    return EXCEPTION_CONTINUE_EXECUTION;
}

struct DebugOutputCapture {
    std::vector<std::string> lines;
    void* handler;
    DebugOutputCapture() {
        g_debugLines = &lines;
        handler = AddVectoredExceptionHandler(1, CaptureDebugPrint);
        g_LogFlag = 1;
    }
    ~DebugOutputCapture() {
        g_LogFlag = 0;
        RemoveVectoredExceptionHandler(handler);
        g_debugLines = nullptr;
    }
    bool Holds(const std::string& piece) const {
        for (const std::string& line : lines) {
            if (line.find(piece) != std::string::npos) return true;
        }
        return false;
    }
};

std::string Decode64(const std::string& text) {
    CBase64 b;
    b.Decode(text.c_str(), DWORD(text.size()));
    DWORD n = 0;
    BYTE* p = b.GetDecodedData(&n);
    return p ? std::string(reinterpret_cast<char*>(p), n) : "";
}

std::string TempFolder(const char* name) {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    std::string folder = std::string(base) + name + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

class AddOnTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = Env("LUMETTA_ADDON_FOLDER");
        ASSERT_FALSE(m_folder.empty()) << "LUMETTA_ADDON_FOLDER names the stand-in libraries' folder";
        m_log = TempFolder("lumetta_addon_log") + "\\calls.log";
        DeleteFileA(m_log.c_str());
        SetEnvironmentVariableA("LUMETTA_ADDON_LOG", m_log.c_str());
        Scenario("results");
        engine.Barcode().SetDllFolder(m_folder.c_str());
        engine.Ocr().SetDllFolder(m_folder.c_str());
        engine.SetRunInWorker(0);
    }
    void TearDown() override { SetEnvironmentVariableA("LUMETTA_ADDON_SCENARIO", nullptr); }
    static void Scenario(const char* name) { SetEnvironmentVariableA("LUMETTA_ADDON_SCENARIO", name); }
    std::string Log() const { return ReadText(m_log); }
    std::string ErrorText() { return engine.ErrorTexts().GetErrorText(engine.GetErrorCode()) ?: ""; }

    TestEngine engine;
    std::string m_folder;
    std::string m_log;
};

}  // namespace

TEST_F(AddOnTest, BarcodesOfAFileComeBackWithTextsFormatsAndPoints) {
    ASSERT_TRUE(engine.ReadBarcodeDirectly("C:\\scans\\page1.png", 7));
    EXPECT_EQ(engine.GetErrorCode(), 0);
    ASSERT_EQ(engine.GetScriptBarcodeCount(), 2);
    const std::string log = Log();
    EXPECT_NE(log.find("ReadBarcode mode=0 size=0 rect=0,0,-1,-1 format=7 key=53 image=C:\\scans\\page1.png"),
              std::string::npos) << log;

    engine.lastScriptString.clear();
    EXPECT_TRUE(engine.BarcodeTextForScript(0, nullptr));
    EXPECT_EQ(engine.lastScriptString, "LUMETTA1");
    // A text holding a zero byte goes out as Base64 of all its bytes.
    EXPECT_TRUE(engine.BarcodeTextForScript(1, nullptr));
    EXPECT_EQ(Decode64(engine.lastScriptString), std::string("ab\0cd", 5));
    EXPECT_EQ(engine.BarcodeInfoForScript(0, 2), 0x20);
    EXPECT_EQ(engine.BarcodeInfoForScript(0, 0), 10);
    EXPECT_EQ(engine.BarcodeInfoForScript(0, 1), 20);
    EXPECT_EQ(engine.BarcodeInfoForScript(1, 5), 5);

    const CBarcodeAddOn& b = engine.Barcode();
    EXPECT_EQ(b.GetResultPointCount(0), 4);
    float x = -1, y = -1;
    EXPECT_TRUE(b.GetResultPoint(0, 2, &x, &y));
    EXPECT_FLOAT_EQ(x, 110.0f);
    EXPECT_FLOAT_EQ(y, 60.0f);
    // Every accessor is safe outside the list.
    LONG length = 99;
    EXPECT_EQ(b.GetResultFormat(5), -3);
    EXPECT_EQ(b.GetResultText(5, &length), nullptr);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(b.GetResultLength(-1), 0);
    EXPECT_FALSE(b.GetResultPoint(0, 4, &x, &y));
    EXPECT_EQ(x, 0.0f);
    EXPECT_FALSE(engine.BarcodeTextForScript(2, nullptr));
    EXPECT_EQ(engine.GetErrorCode(), kErrInvalidIndex);
}

// The file a barcode is read from reaches the library whole: 259 characters do, a name longer
// than a name may be or one character more is refused before the library is called.
TEST_F(AddOnTest, ABarcodeFileThatDoesNotFitIsRefused) {
    const std::string longest = "C:\\" + std::string(120, 'f') + "\\" + std::string(131, 'n') + ".png";
    ASSERT_EQ(longest.size(), 259u);
    ASSERT_TRUE(engine.ReadBarcodeDirectly(longest.c_str(), 7)) << engine.GetErrorCode();
    EXPECT_NE(Log().find("image=" + longest + "\n"), std::string::npos) << Log();
    for (const std::string& bad : {longest + "x", "C:\\" + std::string(252, 'n') + ".png"}) {
        const std::string before = Log();
        EXPECT_FALSE(engine.ReadBarcodeDirectlyEx(bad.c_str(), 0, 0, -1, -1, 7));
        EXPECT_EQ(engine.GetErrorCode(), kErrInvalidValue);
        EXPECT_EQ(Log(), before);
    }
}

TEST_F(AddOnTest, ARegionOfABufferImageGoesToTheLibraryAsPng) {
    ASSERT_TRUE(engine.AddImage(MakeTestDib(120, 80, 24)));
    ASSERT_TRUE(engine.ReadBarcodeEx(0, 5, 6, 70, 50, 3)) << engine.GetErrorCode();
    const std::string log = Log();
    EXPECT_NE(log.find("mode=1"), std::string::npos) << log;
    EXPECT_NE(log.find("rect=5,6,70,50 format=3"), std::string::npos) << log;
    EXPECT_NE(log.find("image=PNG"), std::string::npos) << log;
    EXPECT_EQ(engine.GetScriptBarcodeCount(), 2);
    // An index with no image fails with the encoder's error and never calls the library.
    DeleteFileA(m_log.c_str());
    EXPECT_FALSE(engine.ReadBarcode(5, 0));
    EXPECT_NE(engine.GetErrorCode(), 0);
    EXPECT_EQ(Log(), "");
}

TEST_F(AddOnTest, NothingFoundMessagesAndHostileBlocks) {
    ASSERT_TRUE(engine.ReadBarcodeDirectly("a.png", 0));
    ASSERT_EQ(engine.GetScriptBarcodeCount(), 2);
    // A read that finds nothing empties the earlier results.
    Scenario("none");
    EXPECT_TRUE(engine.ReadBarcodeDirectly("a.png", 0));
    EXPECT_EQ(engine.GetScriptBarcodeCount(), 0);
    EXPECT_STREQ(engine.Barcode().LastMessage(), "Nothing found");

    // A message block (not terminated by the library) becomes the error text.
    Scenario("message");
    EXPECT_FALSE(engine.ReadBarcodeDirectly("a.png", 0));
    EXPECT_EQ(engine.GetErrorCode(), kErrCustom2119);
    EXPECT_EQ(ErrorText(), "License expired");

    // Counts, lengths and the size output that claim more than the block are cut to it.
    Scenario("malformed");
    EXPECT_TRUE(engine.ReadBarcodeDirectly("a.png", 0));
    ASSERT_EQ(engine.GetScriptBarcodeCount(), 1);
    LONG length = 0;
    EXPECT_STREQ(engine.Barcode().GetResultText(0, &length), "cut");
    EXPECT_EQ(length, 3);
}

TEST_F(AddOnTest, MissingLibrariesAndFolders) {
    const std::string elsewhere = TempFolder("lumetta_no_addons");
    engine.Barcode().SetDllFolder((elsewhere + "\\\\").c_str());
    EXPECT_EQ(std::string(engine.Barcode().LibraryPath()), elsewhere + "\\Stripeworksx64.dll");
    EXPECT_FALSE(engine.ReadBarcodeDirectly("a.png", 0));
    EXPECT_EQ(engine.GetErrorCode(), kErrCustom2119);
    EXPECT_EQ(ErrorText(), "Failed to load dll " + elsewhere +
                               "\\Stripeworksx64.dll. The DLL or .NET Framework 2.0 is missing.");
    // An empty folder selects the engine's own module folder again.
    engine.Barcode().SetDllFolder("");
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string own = module;
    own = own.substr(0, own.rfind('\\'));
    EXPECT_EQ(std::string(engine.Barcode().DllFolder()), own);
}

// OCRDllPath: a folder that does not fit a path leaves both libraries' folder as it was.
TEST_F(AddOnTest, AnAddOnFolderThatDoesNotFitIsRefused) {
    const std::string before = engine.Barcode().DllFolder();
    for (const std::string& bad : {"C:\\" + std::string(256, 'f'), "C:\\" + std::string(300, 'f')}) {
        EXPECT_FALSE(engine.SetAddOnFolder(bad.c_str()));
        EXPECT_EQ(engine.GetErrorCode(), kErrInvalidValue);
    }
    EXPECT_EQ(std::string(engine.Barcode().DllFolder()), before);
    EXPECT_EQ(std::string(engine.Ocr().DllFolder()), before);
    EXPECT_TRUE(engine.SetAddOnFolder(m_folder.c_str()));
    EXPECT_TRUE(engine.ReadBarcodeDirectly("a.png", 0)) << engine.GetErrorCode();
}

// Without a folder (the module's own could not be found, or a folder of separators only) the
// path would name the library at the root of the current drive: it is never loaded from there.
TEST_F(AddOnTest, NoFolderLoadsNothingFromTheDrivesRoot) {
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    const std::string planted = "C:\\" + std::string(engine.Barcode().FileName());
    ASSERT_TRUE(CopyFileA((m_folder + "\\" + engine.Barcode().FileName()).c_str(), planted.c_str(), FALSE));
    engine.Barcode().SetDllFolder("\\");
    EXPECT_STREQ(engine.Barcode().DllFolder(), "");
    EXPECT_FALSE(engine.ReadBarcodeDirectly("a.png", 0));
    EXPECT_EQ(engine.GetErrorCode(), kErrCustom2119);
    EXPECT_EQ(ErrorText(), std::string("Failed to load dll \\") + engine.Barcode().FileName() +
                               ". The DLL or .NET Framework 2.0 is missing.");
    EXPECT_EQ(Log(), "") << "the planted library was called";
    EXPECT_EQ(GetModuleHandleA(planted.c_str()), nullptr);
    DeleteFileA(planted.c_str());
    SetCurrentDirectoryA(previous);
}

TEST_F(AddOnTest, RecognitionNeedsItsLanguageData) {
    const std::string data = TempFolder("lumetta_ocr_data");
    engine.Ocr().SetDataFolder((data + "\\\\").c_str());
    EXPECT_EQ(std::string(engine.Ocr().GetTessdataFolder()), data + "\\tessdata");
    EXPECT_FALSE(engine.OCRDirectlyEx("a.tif", nullptr));
    EXPECT_EQ(engine.GetErrorCode(), kErrCustom2120);
    EXPECT_EQ(ErrorText(), "Cannot find current language data " + data + "\\tessdata\\eng.traineddata");

    CreateDirectoryA((data + "\\tessdata").c_str(), nullptr);
    std::ofstream(data + "\\tessdata\\eng.traineddata") << "x";
    engine.Ocr().SetResultFormat(0);
    engine.lastScriptString.clear();
    ASSERT_TRUE(engine.OCRDirectlyEx("C:\\a.tif|C:\\b.tif", nullptr));
    EXPECT_EQ(engine.lastScriptString.rfind("files=2 [C:\\a.tif] [C:\\b.tif] format=0 data=" + data +
                                                "\\ lang=eng psm=3 font= detect=1", 0), 0u)
        << engine.lastScriptString;
    EXPECT_NE(Log().find("key="), std::string::npos);

    // Any result format but 0 hands the bytes to the script as Base64.
    engine.Ocr().SetResultFormat(2);
    ASSERT_TRUE(engine.AddImage(MakeTestDib(64, 48, 8)));
    ASSERT_TRUE(engine.AddImage(MakeTestDib(64, 48, 24)));
    ASSERT_TRUE(engine.OCREx(1, nullptr));
    const std::string answer = Decode64(engine.lastScriptString);
    EXPECT_EQ(answer.rfind("images=1 bytes=", 0), 0u) << answer;
    EXPECT_NE(answer.find(" tiff "), std::string::npos) << answer;

    // An area of one image, and a result written to a file.
    ASSERT_TRUE(engine.OCREx1(0, 0, 0, 32, 24, nullptr));
    EXPECT_NE(Decode64(engine.lastScriptString).find(" tiff "), std::string::npos);
    const std::string out = data + "\\out\\result.txt";
    ASSERT_TRUE(engine.OCR(0, out.c_str()));
    EXPECT_EQ(ReadText(out).rfind("images=1", 0), 0u);
    // A result file whose path does not fit is refused: no file, no folder.
    for (const std::string& bad : {data + "\\cut\\" + std::string(256, 'n') + ".txt",
                                   data + "\\cut\\" + std::string(120, 'a') + "\\" + std::string(140, 'b')}) {
        EXPECT_FALSE(engine.OCR(0, bad.c_str()));
        EXPECT_EQ(engine.GetErrorCode(), kErrInvalidValue);
    }
    EXPECT_EQ(GetFileAttributesA((data + "\\cut").c_str()), INVALID_FILE_ATTRIBUTES);
    // The longest result file is written whole; one character more is refused, and a file under
    // the name it would be cut to stays as it was.
    std::string edge = data + "\\edge";
    while (259 - edge.size() > 140) edge += "\\" + std::string(100, 'd');
    edge += "\\";
    const std::string longest = edge + std::string(259 - edge.size() - 4, 'n') + ".txt";
    ASSERT_TRUE(engine.OCR(0, longest.c_str())) << engine.GetErrorCode();
    EXPECT_EQ(ReadText(longest).rfind("images=1", 0), 0u);
    const std::string over = edge + std::string(260 - edge.size() - 4, 'n') + ".txt";
    std::ofstream(over.substr(0, 259)) << "kept";
    EXPECT_FALSE(engine.OCR(0, over.c_str()));
    EXPECT_EQ(engine.GetErrorCode(), kErrInvalidValue);
    EXPECT_EQ(ReadText(over.substr(0, 259)), "kept");

    // A library length past its block is cut to the block.
    Scenario("overlong");
    engine.Ocr().SetResultFormat(0);
    ASSERT_TRUE(engine.OCRDirectlyEx("C:\\a.tif", nullptr));
    EXPECT_EQ(engine.lastScriptString.rfind("files=1 [C:\\a.tif]", 0), 0u);
    EXPECT_LT(engine.lastScriptString.size(), 400u);

    Scenario("none");
    EXPECT_FALSE(engine.OCRDirectlyEx("C:\\a.tif", nullptr));
    EXPECT_EQ(ErrorText(), "Nothing found");
    // A result that cannot be copied fails with the out-of-memory code and its text, not with the
    // earlier call's message, on the file route and on the memory route; the next call that finds
    // nothing is the library's failure again.
    Scenario("discarded");
    EXPECT_FALSE(engine.OCRDirectlyEx("C:\\a.tif", nullptr));
    EXPECT_EQ(engine.GetErrorCode(), -1002);
    EXPECT_EQ(ErrorText(), "Not enough memory to perform operation.");
    Scenario("none");
    EXPECT_FALSE(engine.OCREx(0, nullptr));
    EXPECT_EQ(engine.GetErrorCode(), kErrCustom2120);
    EXPECT_EQ(ErrorText(), "Nothing found");
    Scenario("discarded");
    EXPECT_FALSE(engine.OCREx(0, nullptr));
    EXPECT_EQ(engine.GetErrorCode(), -1002);
    EXPECT_EQ(ErrorText(), "Not enough memory to perform operation.");

    // Nothing selected: nothing to recognise, and the library is not called.
    Scenario("results");
    engine.RemoveAllImages();
    const std::string calls = Log();
    EXPECT_FALSE(engine.OCRSelectedImagesEx(nullptr));
    EXPECT_EQ(engine.GetErrorCode(), kErrInvalidValue);
    EXPECT_FALSE(engine.OCRSelectedImages(out.c_str()));
    EXPECT_EQ(engine.GetErrorCode(), kErrInvalidValue);
    EXPECT_EQ(Log(), calls);
}

TEST_F(AddOnTest, LanguagesThatLeaveTheFolderAreRefused) {
    for (const char* bad : {"..\\..\\evil", "a/b", "C:eng", "..", "", "e\\ng"}) {
        EXPECT_FALSE(engine.SetOcrLanguage(bad)) << bad;
        EXPECT_EQ(engine.GetErrorCode(), kErrInvalidValue) << bad;
    }
    EXPECT_STREQ(engine.Ocr().GetLanguage(), "eng");
    EXPECT_TRUE(engine.SetOcrLanguage("chi_sim"));
    char zip[MAX_PATH];
    const std::string data = TempFolder("lumetta_ocr_zip");
    engine.Ocr().SetDataFolder((data + "\\deeper\\").c_str());
    ASSERT_TRUE(engine.Ocr().GetLanguageZipPath(zip));
    EXPECT_EQ(std::string(zip), data + "\\deeper\\chi_sim.zip");
    EXPECT_NE(GetFileAttributesA((data + "\\deeper").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(AddOnTest, LanguagePacksUnpackSynchronously) {
    const std::string packs = Env("LUMETTA_LANGUAGE_PACKS");
    ASSERT_FALSE(packs.empty());
    const std::string data = TempFolder("lumetta_ocr_unpack");
    char message[MAX_PATH];
    ASSERT_TRUE(UnpackLanguagePack((packs + "\\eng.zip").c_str(), (data + "\\").c_str(), message)) << message;
    EXPECT_EQ(ReadText(data + "\\tessdata\\eng.traineddata"), ReadText(packs + "\\eng.traineddata.expected"));
    engine.Ocr().SetDataFolder(data.c_str());
    EXPECT_TRUE(engine.Ocr().HasLanguageData());

    // A pack with a name that leaves the folder writes nothing outside it. The message is the
    // unpacker's text alone; why the pack was refused goes to the debug log.
    const std::string other = TempFolder("lumetta_ocr_escape");
    {
        DebugOutputCapture log;
        EXPECT_FALSE(UnpackLanguagePack((packs + "\\escape.zip").c_str(), (other + "\\inner").c_str(), message));
        EXPECT_EQ(std::string(message), "Failed(0) to unzip the specified file \"" + packs + "\\escape.zip\"");
        EXPECT_TRUE(log.Holds("zip entry name outside the destination folder")) << log.lines.size() << " lines";
    }
    EXPECT_EQ(GetFileAttributesA((other + "\\escaped.dll").c_str()), INVALID_FILE_ATTRIBUTES);
    // The whole pack is checked before anything is written: its good entry in front is not there.
    EXPECT_EQ(GetFileAttributesA((other + "\\inner\\tessdata\\eng.traineddata").c_str()), INVALID_FILE_ATTRIBUTES);

    EXPECT_FALSE(UnpackLanguagePack((packs + "\\damaged.zip").c_str(), other.c_str(), message));
    EXPECT_FALSE(UnpackLanguagePack((packs + "\\missing.zip").c_str(), other.c_str(), message));
    EXPECT_EQ(std::string(message), "Cannot find the specified file \"" + packs + "\\missing.zip\"");
    // A destination that is a file.
    const std::string file = other + "\\plain.txt";
    std::ofstream(file) << "x";
    EXPECT_FALSE(UnpackLanguagePack((packs + "\\eng.zip").c_str(), file.c_str(), message));
    EXPECT_EQ(std::string(message), "\"" + file + "\" is not a folder");
    // A destination that does not fit a path whole is refused before any folder is made along it.
    const std::string deep = other + "\\made\\" + std::string(100, 'a') + "\\" + std::string(100, 'b') + "\\" +
                             std::string(100, 'c');
    EXPECT_FALSE(UnpackLanguagePack((packs + "\\eng.zip").c_str(), deep.c_str(), message));
    EXPECT_EQ(std::string(message).rfind("Cannot find the specified folder", 0), 0u) << message;
    EXPECT_EQ(GetFileAttributesA((other + "\\made").c_str()), INVALID_FILE_ATTRIBUTES);
}

// The persisted properties: property bag (PARAM names), stream (version word 0x0900) and storage
// stream "Contents"; round trips into a new control, and streams a hostile page could hand over.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "control_library.h"
#include "pagehost/property_bag.h"

namespace {

struct Control {
    explicit Control(ControlLibrary& lib) : unknown(lib.CreateControl()) {
        lumetta = Query<ILumetta>(unknown, lumetta::IID_ILumetta);
    }
    ~Control() {
        lumetta->Release();
        EXPECT_EQ(unknown->Release(), 0u);
    }
    IUnknown* unknown;
    ILumetta* lumetta;
};

std::wstring Text(BSTR b) {
    std::wstring s = b ? b : L"";
    SysFreeString(b);
    return s;
}

// A few properties of each kind set to values other than the initial ones.
void ConfigureControl(ILumetta* c) {
    c->put_JPEGQuality(55);
    BSTR t = SysAllocString(L"Ünïcode Fabrikam");
    c->put_Manufacturer(t);
    SysFreeString(t);
    t = SysAllocString(L"ftp-user");
    c->put_FTPUserName(t);
    SysFreeString(t);
    c->put_FTPPort(2121);
    c->put_IfShowUI(VARIANT_FALSE);
    c->put_IfThrowException(VARIANT_TRUE);
    c->put_MaxImagesInBuffer(7);
    c->put_TIFFCompressionType(enumTIFFCompressionType::TIFF_LZW);
    c->put_BlankImageThreshold(200);
    c->put_BlankImageMaxStdDev(12.5f);
    c->put_BackgroundColor(0x123456);
    c->put_PDFCompressionType(enumPDFCompressionType::enumJPEGEncode);
    c->put_SelectionImageBorderColor(0x00AA00);
}

void ExpectConfigured(ILumetta* c) {
    short s = 0;
    c->get_JPEGQuality(&s);
    EXPECT_EQ(s, 55);
    BSTR t = nullptr;
    c->get_Manufacturer(&t);
    EXPECT_EQ(Text(t), L"\u00dcn\u00efcode Fabrikam");
    t = nullptr;
    c->get_FTPUserName(&t);
    EXPECT_EQ(Text(t), L"ftp-user");
    int i = 0;
    c->get_FTPPort(&i);
    EXPECT_EQ(i, 2121);
    VARIANT_BOOL b = 0;
    c->get_IfShowUI(&b);
    EXPECT_EQ(b, VARIANT_FALSE);
    c->get_IfThrowException(&b);
    EXPECT_EQ(b, VARIANT_TRUE);
    c->get_MaxImagesInBuffer(&s);
    EXPECT_EQ(s, 7);
    enumTIFFCompressionType tiff{};
    c->get_TIFFCompressionType(&tiff);
    EXPECT_EQ(tiff, enumTIFFCompressionType::TIFF_LZW);
    c->get_BlankImageThreshold(&i);
    EXPECT_EQ(i, 200);
    float f = 0;
    c->get_BlankImageMaxStdDev(&f);
    EXPECT_EQ(f, 12.5f);
    long l = 0;
    c->get_BackgroundColor(&l);
    EXPECT_EQ(l, 0x123456);
    enumPDFCompressionType pdf{};
    c->get_PDFCompressionType(&pdf);
    EXPECT_EQ(pdf, enumPDFCompressionType::enumJPEGEncode);
    c->get_SelectionImageBorderColor(&l);
    EXPECT_EQ(l, 0x00AA00);
}

std::vector<BYTE> SaveStream(ILumetta* c) {
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    IPersistStreamInit* persist = Query<IPersistStreamInit>(c, IID_IPersistStreamInit);
    EXPECT_EQ(persist->Save(stream, TRUE), S_OK);
    ULARGE_INTEGER estimate{};
    EXPECT_EQ(persist->GetSizeMax(&estimate), S_OK);
    persist->Release();
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    EXPECT_EQ(stat.cbSize.QuadPart, estimate.QuadPart);
    std::vector<BYTE> bytes(stat.cbSize.QuadPart);
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG got = 0;
    stream->Read(bytes.data(), ULONG(bytes.size()), &got);
    stream->Release();
    return bytes;
}

HRESULT LoadStream(ILumetta* c, const std::vector<BYTE>& bytes) {
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    stream->Write(bytes.data(), ULONG(bytes.size()), nullptr);
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    IPersistStreamInit* persist = Query<IPersistStreamInit>(c, IID_IPersistStreamInit);
    HRESULT hr = persist->Load(stream);
    persist->Release();
    stream->Release();
    return hr;
}

// Offset of the entry with the given index (0 = JpgQuality) in a saved stream.
size_t EntryOffset(const std::vector<BYTE>& bytes, int entry) {
    size_t at = 12;
    for (int i = 0; i < entry; ++i) {
        VARTYPE vt = 0;
        memcpy(&vt, &bytes[at], 2);
        at += 2;
        if (vt == VT_BSTR) {
            DWORD n = 0;
            memcpy(&n, &bytes[at], 4);
            at += 4 + n;
        } else {
            at += (vt == VT_I2 || vt == VT_BOOL) ? 2 : 4;
        }
    }
    return at;
}

}  // namespace

TEST(ControlPersistence, PropertyBagRoundTripAndParamNames) {
    ComApartment com;
    ControlLibrary lib;
    PropertyBag bag;
    {
        Control source(lib);
        ConfigureControl(source.lumetta);
        IPersistPropertyBag* persist = Query<IPersistPropertyBag>(source.lumetta, IID_IPersistPropertyBag);
        EXPECT_EQ(persist->Save(&bag, TRUE, TRUE), S_OK);
        persist->Release();
    }
    EXPECT_EQ(bag.Values().size(), 50u) << "the extent and 48 named properties";
    EXPECT_EQ(bag.Values().count(L"JpgQuality"), 1u);
    EXPECT_EQ(bag.Values().count(L"JPEGQuality"), 0u);
    EXPECT_EQ(bag.Values()[L"_cx"].vt, VT_UI4);
    Control target(lib);
    IPersistPropertyBag* persist = Query<IPersistPropertyBag>(target.lumetta, IID_IPersistPropertyBag);
    EXPECT_EQ(persist->Load(&bag, nullptr), S_OK);
    ExpectConfigured(target.lumetta);

    // PARAM texts as a page writes them: "JpgQuality" sets JPEGQuality, "JPEGQuality" is ignored.
    PropertyBag params;
    params.SetText(L"JPEGQuality", L"12");
    params.SetText(L"JpgQuality", L"33");
    params.SetText(L"FTPPort", L"990");
    params.SetText(L"IfShowUI", L"true");
    params.SetText(L"HTTPPort", L"not a number");
    EXPECT_EQ(persist->Load(&params, nullptr), S_OK);
    short s = 0;
    target.lumetta->get_JPEGQuality(&s);
    EXPECT_EQ(s, 33);
    int port = 0;
    target.lumetta->get_FTPPort(&port);
    EXPECT_EQ(port, 990);
    target.lumetta->get_HTTPPort(&port);
    EXPECT_EQ(port, 80) << "an unconvertible PARAM is skipped";
    VARIANT_BOOL b = 0;
    target.lumetta->get_IfShowUI(&b);
    EXPECT_EQ(b, VARIANT_TRUE);
    PropertyBag empty;
    EXPECT_EQ(persist->Load(&empty, nullptr), S_OK);
    persist->Release();
}

TEST(ControlPersistence, StreamAndStorageRoundTrips) {
    ComApartment com;
    ControlLibrary lib;
    std::vector<BYTE> bytes;
    {
        Control source(lib);
        ConfigureControl(source.lumetta);
        bytes = SaveStream(source.lumetta);
    }
    ASSERT_GE(bytes.size(), 12u);
    DWORD version = 0;
    memcpy(&version, bytes.data(), 4);
    EXPECT_EQ(version, 0x900u);
    // FTPPort (entry 8) is written with the type the library declares.
    VARTYPE vt = 0;
    memcpy(&vt, &bytes[EntryOffset(bytes, 8)], 2);
    EXPECT_EQ(vt, VT_INT);
    {
        Control target(lib);
        EXPECT_EQ(LoadStream(target.lumetta, bytes), S_OK);
        ExpectConfigured(target.lumetta);
        EXPECT_EQ(SaveStream(target.lumetta), bytes);
    }

    // Storage: the same bytes in the stream "Contents".
    ILockBytes* lockBytes = nullptr;
    ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, &lockBytes), S_OK);
    IStorage* storage = nullptr;
    ASSERT_EQ(StgCreateDocfileOnILockBytes(lockBytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage), S_OK);
    {
        Control source(lib);
        ConfigureControl(source.lumetta);
        IPersistStorage* persist = Query<IPersistStorage>(source.lumetta, IID_IPersistStorage);
        EXPECT_EQ(persist->Save(storage, FALSE), S_OK);
        persist->Release();
    }
    IStream* contents = nullptr;
    ASSERT_EQ(storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &contents), S_OK);
    contents->Release();
    {
        Control target(lib);
        IPersistStorage* persist = Query<IPersistStorage>(target.lumetta, IID_IPersistStorage);
        EXPECT_EQ(persist->Load(storage), S_OK);
        persist->Release();
        ExpectConfigured(target.lumetta);
    }
    storage->Release();
    lockBytes->Release();
}

TEST(ControlPersistence, HostileStreamsAreRefused) {
    ComApartment com;
    ControlLibrary lib;
    std::vector<BYTE> good;
    {
        Control source(lib);
        good = SaveStream(source.lumetta);
    }
    Control target(lib);
    // Versions: 0x901 and above refused, older ones read with the current table.
    auto withVersion = good;
    DWORD v = 0x901;
    memcpy(withVersion.data(), &v, 4);
    EXPECT_EQ(LoadStream(target.lumetta, withVersion), E_FAIL);
    v = 0x800;
    memcpy(withVersion.data(), &v, 4);
    EXPECT_EQ(LoadStream(target.lumetta, withVersion), S_OK);

    // A variant type other than the table's.
    auto wrongType = good;
    VARTYPE bstr = VT_BSTR;
    memcpy(&wrongType[EntryOffset(good, 0)], &bstr, 2);
    EXPECT_EQ(LoadStream(target.lumetta, wrongType), E_FAIL);

    // VT_I4 where the table says int (what a Wine-made stream holds) is accepted.
    auto i4 = good;
    VARTYPE vtI4 = VT_I4;
    memcpy(&i4[EntryOffset(good, 8)], &vtI4, 2);
    EXPECT_EQ(LoadStream(target.lumetta, i4), S_OK);

    // Text byte counts: huge, odd, without terminator.
    size_t manufacturer = EntryOffset(good, 1) + 2;
    for (DWORD count : {0xFFFFFFF0u, 0x7FFFFFFFu, 3u}) {
        auto bad = good;
        memcpy(&bad[manufacturer], &count, 4);
        EXPECT_NE(LoadStream(target.lumetta, bad), S_OK) << count;
    }
    auto unterminated = good;
    DWORD n = 0;
    memcpy(&n, &good[manufacturer], 4);
    ASSERT_GE(n, 2u);
    unterminated[manufacturer + 4 + n - 2] = 'x';
    EXPECT_EQ(LoadStream(target.lumetta, unterminated), E_FAIL);

    // Truncated anywhere.
    for (size_t cut : {size_t(2), size_t(13), manufacturer + 2, good.size() - 1}) {
        std::vector<BYTE> truncated(good.begin(), good.begin() + cut);
        EXPECT_NE(LoadStream(target.lumetta, truncated), S_OK) << cut;
    }
}

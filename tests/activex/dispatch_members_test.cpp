// ILumetta members called as early-bound clients call them: byte arrays as SAFEARRAYs and
// by-reference variants, script objects wrapped in "value" chains, [out] strings that arrive
// uninitialised, and the flag conversion of property puts.
#include <gtest/gtest.h>

#include <vector>

#include "control_library.h"
#include "pagehost/control_site.h"

namespace {

// The control in place in a frame, in user mode.
struct Control {
    HWND frame = MakeTestFrame();
    ControlSite site{frame};
    IUnknown* object = nullptr;
    IOleObject* ole = nullptr;
    ILumetta* lumetta = nullptr;
    explicit Control(ControlLibrary& lib) {
        site.SetUserMode(true);
        object = lib.CreateControl();
        ole = Query<IOleObject>(object, IID_IOleObject);
        lumetta = Query<ILumetta>(object, lumetta::IID_ILumetta);
        ole->SetClientSite(&site);
        ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, frame, &site.position);
    }
    ~Control() {
        ole->Close(OLECLOSE_NOSAVE);
        ole->SetClientSite(nullptr);
        lumetta->Release();
        ole->Release();
        object->Release();
        DestroyWindow(frame);
    }
    long Error() {
        long code = 0;
        lumetta->get_ErrorCode(&code);
        return code;
    }
};

void Put(std::vector<BYTE>& b, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(BYTE(v >> (8 * i)));
}

// A 24-bit BMP file of exactly 10,000 bytes (14 x 226 pixels behind a 2-byte gap).
std::vector<BYTE> TenThousandByteBmp() {
    const uint32_t stride = 44, height = 226, offset = 56;
    std::vector<BYTE> b{'B', 'M'};
    Put(b, offset + stride * height, 4), Put(b, 0, 4), Put(b, offset, 4);
    Put(b, 40, 4), Put(b, 14, 4), Put(b, height, 4), Put(b, 1, 2), Put(b, 24, 2);
    Put(b, 0, 4), Put(b, stride * height, 4), Put(b, 2835, 4), Put(b, 2835, 4), Put(b, 0, 4), Put(b, 0, 4);
    Put(b, 0, 2);
    for (uint32_t i = 0; i < stride * height; ++i) b.push_back(BYTE(i * 7));
    return b;
}

SAFEARRAY* ByteArray(const std::vector<BYTE>& bytes) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    if (!bytes.empty()) memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(array);
    return array;
}

// A script object whose "value" is itself: a chain without end.
class EndlessValue final : public IDispatch {
public:
    ULONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = iid == IID_IUnknown || iid == IID_IDispatch ? this : nullptr;
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* id) override {
        if (wcscmp(names[0], L"value") != 0) return DISP_E_UNKNOWNNAME;
        *id = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
        result->vt = VT_DISPATCH;
        result->pdispVal = this;
        AddRef();
        return S_OK;
    }
};

}  // namespace

TEST(DispatchMembers, TenThousandBytesInAndOutThroughSafeArraysAndReferences) {
    ComApartment com;
    ControlLibrary lib;
    Control c(lib);
    const std::vector<BYTE> file = TenThousandByteBmp();
    ASSERT_EQ(file.size(), 10000u);

    VARIANT plain;
    plain.vt = VT_ARRAY | VT_UI1;
    plain.parray = ByteArray(file);
    VARIANT_BOOL ok = 0;
    EXPECT_EQ(c.lumetta->LoadImageFromBytes(10000, &plain, 0, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE) << c.Error();
    EXPECT_EQ(c.lumetta->LoadImageFromBytes(9999, &plain, 0, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_FALSE);
    EXPECT_EQ(c.Error(), -1034) << "the count must equal the size";

    // A reference to the variant and a reference to the array are read through.
    VARIANT byReference;
    byReference.vt = VT_BYREF | VT_VARIANT;
    byReference.pvarVal = &plain;
    EXPECT_EQ(c.lumetta->LoadImageFromBytes(10000, &byReference, 0, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE) << c.Error();
    VARIANT arrayReference;
    arrayReference.vt = VT_BYREF | VT_ARRAY | VT_UI1;
    arrayReference.pparray = &plain.parray;
    EXPECT_EQ(c.lumetta->LoadImageFromBytes(10000, &arrayReference, 0, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE) << c.Error();
    short count = 0;
    c.lumetta->get_HowManyImagesInBuffer(&count);
    EXPECT_EQ(count, 3);

    // 16-bit elements and two dimensions are refused.
    VARIANT words;
    words.vt = VT_ARRAY | VT_UI1;
    words.parray = SafeArrayCreateVector(VT_I2, 0, 10000);
    EXPECT_EQ(c.lumetta->LoadImageFromBytes(10000, &words, 0, &ok), S_OK);
    EXPECT_EQ(c.Error(), -1034);
    SafeArrayDestroy(words.parray);
    SAFEARRAYBOUND bounds[2] = {{100, 0}, {100, 0}};
    VARIANT square;
    square.vt = VT_ARRAY | VT_UI1;
    square.parray = SafeArrayCreate(VT_UI1, 2, bounds);
    EXPECT_EQ(c.lumetta->LoadImageFromBytes(10000, &square, 0, &ok), S_OK);
    EXPECT_EQ(c.Error(), -1034);
    SafeArrayDestroy(square.parray);

    // Out in 4,096-byte chunks into a by-reference array.
    c.lumetta->put_SelectedImagesCount(1);
    c.lumetta->SetSelectedImageIndex(0, 0);
    long size = 0;
    EXPECT_EQ(c.lumetta->GetSelectedImagesSize(0, &size), S_OK);
    ASSERT_GT(size, 8192);
    std::vector<BYTE> chunk(4096);
    VARIANT out;
    out.vt = VT_ARRAY | VT_UI1;
    out.parray = ByteArray(chunk);
    VARIANT outReference;
    outReference.vt = VT_BYREF | VT_VARIANT;
    outReference.pvarVal = &out;
    std::vector<BYTE> all;
    std::vector<long> answers;
    for (int i = 0; i < 4; ++i) {
        long n = -1;
        c.lumetta->SaveSelectedImagesToBytes(4096, &outReference, &n);
        answers.push_back(n);
        BYTE* data = nullptr;
        SafeArrayAccessData(out.parray, reinterpret_cast<void**>(&data));
        all.insert(all.end(), data, data + n);
        SafeArrayUnaccessData(out.parray);
    }
    EXPECT_EQ(answers, (std::vector<long>{4096, 4096, size - 8192, 0}));
    EXPECT_EQ(c.Error(), -2005) << "the data was released after the last chunk";
    ASSERT_EQ(all.size(), size_t(size));
    EXPECT_EQ(all[0], 'B');
    EXPECT_EQ(all[1], 'M');
    SafeArrayDestroy(out.parray);
    SafeArrayDestroy(plain.parray);
}

TEST(DispatchMembers, ValueChainsEndAndReleaseTheirObjects) {
    ComApartment com;
    ControlLibrary lib;
    Control c(lib);
    EndlessValue endless;
    VARIANT given;
    given.vt = VT_DISPATCH;
    given.pdispVal = &endless;
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(c.lumetta->LoadImageFromBytes(10, &given, 0, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_FALSE);
    EXPECT_EQ(c.Error(), -1034);
    EXPECT_EQ(endless.refs, 1u) << "every link of the chain is released";
}

TEST(DispatchMembers, StringsAndFlagsConvertByTheirRules) {
    ComApartment com;
    ControlLibrary lib;
    Control c(lib);
    // An [out] string arrives holding garbage: it is written, never freed.
    BSTR title = reinterpret_cast<BSTR>(static_cast<INT_PTR>(0x1234));
    EXPECT_EQ(c.lumetta->get_PDFTitle(&title), S_OK);
    ASSERT_NE(title, reinterpret_cast<BSTR>(static_cast<INT_PTR>(0x1234)));
    SysFreeString(title);
    // A null string is the empty text.
    EXPECT_EQ(c.lumetta->put_PDFAuthor(nullptr), S_OK);
    BSTR author = nullptr;
    c.lumetta->get_PDFAuthor(&author);
    EXPECT_EQ(SysStringLen(author), 0u);
    SysFreeString(author);
    // Only VARIANT_TRUE sets a flag.
    VARIANT_BOOL flag = VARIANT_TRUE;
    c.lumetta->put_IfTiffMultiPage(1);
    c.lumetta->get_IfTiffMultiPage(&flag);
    EXPECT_EQ(flag, VARIANT_FALSE);
    // The adapters' own codes have texts.
    VARIANT_BOOL ok = VARIANT_TRUE;
    c.lumetta->SetSelectedImageArea(-1, 0, 0, 1, 1, &ok);
    EXPECT_EQ(c.Error(), 1);
    BSTR text = nullptr;
    c.lumetta->get_ErrorString(&text);
    EXPECT_STREQ(text, L"The operation did not succeed.");
    SysFreeString(text);
    EXPECT_EQ(c.Error(), 0) << "reading ErrorString clears the code";
    // A handle answered as 32 bits only when it fits; no image: 0.
    long handle = -1;
    EXPECT_EQ(c.lumetta->get_hDIB(0, &handle), S_OK);
    EXPECT_EQ(handle, 0);
}

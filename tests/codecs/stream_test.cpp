// The IStreams over memory and files that GDI+ reads and writes.
#include <gtest/gtest.h>

#include <vector>

#include "codecs/file_stream.h"
#include "codecs/memory_stream.h"
#include "file_io_fixture.h"

namespace {

LARGE_INTEGER Offset(LONGLONG v) {
    LARGE_INTEGER l;
    l.QuadPart = v;
    return l;
}

TEST(MemoryStream, GrowsSeeksAndReads) {
    IStream* stream = nullptr;
    ASSERT_EQ(CMemoryStream::CreateMemoryStream(&stream), S_OK);
    std::vector<BYTE> data(70000, 3);
    ULONG done = 0;
    ASSERT_EQ(stream->Write(data.data(), ULONG(data.size()), &done), S_OK);
    EXPECT_EQ(done, 70000u);
    CMemBuffer* buffer = static_cast<CMemoryStream*>(stream)->Buffer();
    EXPECT_EQ(buffer->GetCapacity(), 131072u);
    ULARGE_INTEGER at{};
    ASSERT_EQ(stream->Seek(Offset(10), STREAM_SEEK_END, &at), S_OK);
    EXPECT_EQ(at.QuadPart, 70000u);  // positive offsets from the end are refused
    ASSERT_EQ(stream->Seek(Offset(70010), STREAM_SEEK_SET, &at), S_OK);
    EXPECT_EQ(at.QuadPart, 70010u);
    EXPECT_EQ(buffer->GetSize(), 70000u);
    BYTE b[4];
    EXPECT_EQ(stream->Read(b, 4, &done), S_OK);
    EXPECT_EQ(done, 0u);
    // A 64-bit seek is clamped, never cut to its low 32 bits.
    ASSERT_EQ(stream->Seek(Offset((LONGLONG(1) << 32) + 5), STREAM_SEEK_SET, &at), S_OK);
    EXPECT_NE(at.QuadPart, 5u);
    EXPECT_EQ(buffer->GetCapacity(), 131072u) << "a seek reserves no memory";
    EXPECT_EQ(stream->Seek(Offset(0), 3, &at), STG_E_INVALIDFUNCTION);
    STATSTG stat;
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, 70000u);
    ULARGE_INTEGER r{}, w{};
    EXPECT_EQ(stream->CopyTo(nullptr, ULARGE_INTEGER{}, &r, &w), E_NOTIMPL);
    EXPECT_EQ(stream->Clone(nullptr), E_NOTIMPL);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(stream->QueryInterface(IID_ISequentialStream, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(stream->QueryInterface(IID_IStorage, reinterpret_cast<void**>(&unknown)), E_NOINTERFACE);
    EXPECT_EQ(stream->Release(), 0u);
}

TEST(MemoryStream, OverCallerBytes) {
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, 100);
    IStream* stream = nullptr;
    ASSERT_EQ(CMemoryStream::CreateMemoryStreamOnBytes(static_cast<BYTE*>(block), 100, FALSE, &stream), S_OK);
    BYTE b[8] = {};
    ULONG done = 1;
    stream->Seek(Offset(96), STREAM_SEEK_SET, nullptr);
    EXPECT_EQ(stream->Write(b, 8, &done), S_OK);
    EXPECT_EQ(done, 0u);
    stream->Release();
    EXPECT_EQ(GlobalSize(block), 100u);  // still the caller's
    GlobalFree(block);
}

TEST(FileStream, WritesReadsAndReportsErrors) {
    std::string path = ScratchFolder() + "stream.bin";
    IStream* stream = nullptr;
    ASSERT_EQ(CFileStream::CreateFileStream(path.c_str(), GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, &stream), S_OK);
    const BYTE bytes[6] = {1, 2, 3, 4, 5, 6};
    ULONG done = 0;
    ASSERT_EQ(stream->Write(bytes, 6, &done), S_OK);
    ULARGE_INTEGER at{};
    ASSERT_EQ(stream->Seek(Offset(-2), STREAM_SEEK_END, &at), S_OK);
    EXPECT_EQ(at.QuadPart, 4u);
    BYTE back[4] = {};
    ASSERT_EQ(stream->Read(back, 4, &done), S_OK);
    EXPECT_EQ(done, 2u);
    EXPECT_EQ(back[0], 5);
    STATSTG stat;
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, 6u);
    EXPECT_EQ(stream->SetSize(ULARGE_INTEGER{}), E_NOTIMPL);
    EXPECT_EQ(stream->Release(), 0u);
    EXPECT_EQ(CFileStream::CreateFileStream((path + "\\no\\such").c_str(), GENERIC_READ, OPEN_EXISTING, &stream),
              HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(stream, nullptr);
}

}  // namespace

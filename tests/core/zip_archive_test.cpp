// The zip reader against archives made by Python's zipfile module: stored and deflated entries in
// folders read back byte for byte; hostile names, damaged data and lying sizes are refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "core/zip_archive.h"
#include "support/temp_folder.h"

namespace {

using testsupport::ReadFile;

// Python writes the archives and, beside each, the expected entries as "name\tsize\tsha" lines.
const char kMaker[] =
    "import zipfile,sys,os,random,hashlib\n"
    "d=sys.argv[1]; r=random.Random(7)\n"
    "def data(n): return bytes(r.randrange(256) if i%3 else 65 for i in range(n))\n"
    "def make(name, entries, method=zipfile.ZIP_DEFLATED):\n"
    "    with zipfile.ZipFile(os.path.join(d,name),'w',method) as z:\n"
    "        for n,b in entries:\n"
    "            if n.endswith('/'): z.writestr(zipfile.ZipInfo(n), b'')\n"
    "            else: z.writestr(n,b)\n"
    "    with open(os.path.join(d,name+'.txt'),'w') as f:\n"
    "        for n,b in entries: f.write('%s\\t%d\\t%s\\n'%(n,len(b),hashlib.sha1(b).hexdigest()))\n"
    "pack=[('tessdata/',b''),('tessdata/eng.traineddata',data(300000)),('tessdata/readme.txt',b'x'*5000),('empty.bin',b'')]\n"
    "make('deflated.zip',pack)\n"
    "make('stored.zip',pack,zipfile.ZIP_STORED)\n"
    "make('dotdot.zip',[('tessdata/../../evil.dll',b'bad')])\n"
    "make('absolute.zip',[('/etc/evil',b'bad')])\n"
    "make('drive.zip',[('C:/evil',b'bad')])\n"
    "make('backslash.zip',[('..\\\\evil',b'bad')])\n"
    "with zipfile.ZipFile(os.path.join(d,'bzip.zip'),'w',zipfile.ZIP_BZIP2) as z: z.writestr('a','b'*100)\n"
    "make('zeros.zip',[('zeros.bin',bytes(10<<20))])\n";

struct Expected {
    size_t size;
    std::string sha;
};

class ZipArchiveTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = testsupport::TempSubfolder("zip");
        std::ofstream(s_dir + "/make.py") << kMaker;
        ASSERT_EQ(std::system(("python3 " + s_dir + "/make.py " + s_dir).c_str()), 0);
    }

    static std::string Archive(const std::string& name) { return ReadFile(s_dir + "/" + name); }
    static ZipResult ReadAll(const std::string& bytes, std::map<std::string, std::string>& out,
                             size_t limit = 1u << 30) {
        return ReadZipArchive(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size(), limit,
                              [&](const ZipEntryView& e) {
                                  out[e.name] = e.data ? std::string(reinterpret_cast<const char*>(e.data), e.size) : "";
                                  return true;
                              });
    }
    static std::string s_dir;
};
std::string ZipArchiveTest::s_dir;

// SHA-1 through Python as well, so the comparison does not rest on our code.
std::string Sha1(const std::string& bytes, const std::string& dir) {
    const std::string path = dir + "/sha.bin";
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    FILE* p = popen(("python3 -c \"import hashlib,sys;print(hashlib.sha1(open(sys.argv[1],'rb').read()).hexdigest())\" " + path).c_str(), "r");
    char line[64] = {};
    if (p) {
        if (!fgets(line, sizeof line, p)) line[0] = 0;
        pclose(p);
    }
    std::string s = line;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
}

}  // namespace

TEST_F(ZipArchiveTest, StoredAndDeflatedEntriesReadBackAsWritten) {
    for (const char* name : {"stored.zip", "deflated.zip"}) {
        SCOPED_TRACE(name);
        std::map<std::string, std::string> entries;
        ASSERT_EQ(ReadAll(Archive(name), entries), ZipResult::Ok);
        std::istringstream expected(ReadFile(s_dir + "/" + name + ".txt"));
        std::string line;
        size_t count = 0;
        while (std::getline(expected, line)) {
            const size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1);
            const std::string entry = line.substr(0, t1);
            ASSERT_TRUE(entries.count(entry)) << entry;
            EXPECT_EQ(entries[entry].size(), std::stoul(line.substr(t1 + 1, t2 - t1 - 1))) << entry;
            EXPECT_EQ(Sha1(entries[entry], s_dir), line.substr(t2 + 1)) << entry;
            ++count;
        }
        EXPECT_EQ(entries.size(), count);
    }
}

TEST_F(ZipArchiveTest, NamesOutsideTheFolderAreRefused) {
    for (const char* name : {"dotdot.zip", "absolute.zip", "drive.zip", "backslash.zip"}) {
        std::map<std::string, std::string> entries;
        EXPECT_EQ(ReadAll(Archive(name), entries), ZipResult::UnsafeName) << name;
        EXPECT_TRUE(entries.empty()) << name;
    }
    EXPECT_TRUE(IsSafeZipEntryName("tessdata/eng.traineddata"));
    EXPECT_TRUE(IsSafeZipEntryName("tessdata/"));
    EXPECT_FALSE(IsSafeZipEntryName("a//b"));
    EXPECT_FALSE(IsSafeZipEntryName("./a"));
    EXPECT_FALSE(IsSafeZipEntryName(""));
    EXPECT_FALSE(IsSafeZipEntryName("a\nb"));
}

TEST_F(ZipArchiveTest, DamagedArchivesAreRefused) {
    const std::string good = Archive("deflated.zip");
    std::map<std::string, std::string> entries;
    EXPECT_EQ(ReadAll("", entries), ZipResult::NotZip);
    EXPECT_EQ(ReadAll(std::string(100, 'x'), entries), ZipResult::NotZip);
    EXPECT_EQ(ReadAll(Archive("bzip.zip"), entries), ZipResult::Unsupported);

    // A flipped byte in the compressed data fails the inflate or the CRC.
    std::string flipped = good;
    flipped[200] = static_cast<char>(flipped[200] ^ 0x55);
    EXPECT_EQ(ReadAll(flipped, entries), ZipResult::Corrupt);

    // Every truncation is refused, never read past its end.
    std::mt19937 rng(3);
    for (int i = 0; i < 200; ++i) {
        const size_t cut = std::uniform_int_distribution<size_t>(0, good.size() - 1)(rng);
        std::string shorter = good.substr(0, cut);
        entries.clear();
        EXPECT_NE(ReadAll(shorter, entries), ZipResult::Ok) << cut;
    }

    // The inflated total is bounded by the caller.
    entries.clear();
    EXPECT_EQ(ReadAll(good, entries, 1000), ZipResult::TooLarge);
}

// The full size of the first directory entry, patched.
std::string WithDeclaredSize(std::string archive, uint32_t size) {
    const size_t at = archive.find("PK\x01\x02");
    for (int i = 0; i < 4; ++i) archive[at + 24 + i] = static_cast<char>(size >> (8 * i));
    return archive;
}

TEST_F(ZipArchiveTest, DeclaredSizesBeyondWhatDeflateCanReachAreRefused) {
    // Ten megabytes of zeros deflate about as tightly as deflate can: they read back.
    const std::string zeros = Archive("zeros.zip");
    std::map<std::string, std::string> entries;
    ASSERT_EQ(ReadAll(zeros, entries), ZipResult::Ok);
    EXPECT_EQ(entries["zeros.bin"], std::string(10 << 20, '\0'));

    // A directory that claims close to the limit from the same ten kilobytes is refused as
    // damaged before anything is reserved for it (the peak memory does not grow by a gigabyte),
    // and one beyond the limit as too large.
    entries.clear();
    rusage before = {}, after = {};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_EQ(ReadAll(WithDeclaredSize(zeros, 0x3FFFFF00u), entries), ZipResult::Corrupt);
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024) << "kilobytes";
    EXPECT_EQ(ReadAll(WithDeclaredSize(zeros, 0xFFFFFFF0u), entries), ZipResult::TooLarge);
    EXPECT_EQ(ReadAll(WithDeclaredSize(zeros, (10u << 20) + 1), entries), ZipResult::Corrupt);
    EXPECT_TRUE(entries.empty());
}

TEST_F(ZipArchiveTest, AHandlerThatRefusesStopsTheRead) {
    const std::string good = Archive("stored.zip");
    int seen = 0;
    EXPECT_EQ(ReadZipArchive(reinterpret_cast<const BYTE*>(good.data()), good.size(), 1u << 30,
                             [&](const ZipEntryView&) { return ++seen < 2; }),
              ZipResult::Refused);
    EXPECT_EQ(seen, 2);
}

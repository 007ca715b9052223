#include "catalogue/IO_BZIP.h"
#include "catalogue/mediaclasses.h"
#include "catalogue/mediumadditions.h"
#include "support/catalogue_text.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

// The decompressed bytes of a whole bzip2 file.
std::string Decompressed(const std::string& path) {
    auto memory = LoadCompressedFile(path);
    return memory ? memory->ToString() : std::string("<unreadable>");
}

std::string Ints(std::initializer_list<int32_t> values) {
    TMemoryStream s;
    for (int32_t v : values) WriteInt(s, v);
    return s.ToString();
}

// Writes `content` compressed as an index file, beside an existing or empty data file.
void WriteIndex(const std::string& path, const TMemoryStream& content) {
    ASSERT_TRUE(SaveCompressedFile(content, path));
    if (!FileExists(DataFileNameOf(path))) WriteWholeFile(DataFileNameOf(path), "");
}

class CatalogueFile : public ::testing::Test {
protected:
    void SetUp() override { SetZoneBias(-2.0 / 24); } // dates must survive a non-zero bias
    void TearDown() override { SetZoneBias(0); }
    TempDir dir;
};

} // namespace

TEST_F(CatalogueFile, EmptyCatalogueLayout) {
    CMedienListe cat;
    ASSERT_TRUE(cat.Save(dir.File("Home.SXF")));
    // The plain layout, then the data file the index belongs to: 0 bytes, the sum of nothing.
    TMemoryStream identity;
    WriteInt(identity, 0x49445853);
    WriteInt64(identity, 0);
    WriteInt64(identity, int64_t(BlockSumOf("", 0)));
    EXPECT_EQ(Decompressed(dir.File("Home.SXF")), Ints({1, 0, 0}) + identity.ToString());
    EXPECT_EQ(ReadWholeFile(dir.File("Home.SXD")), "");
    EXPECT_EQ(ReadWholeFile(dir.File("Home.SXF")).substr(0, 4), "BZh1");
    EXPECT_FALSE(cat.IsModified());
    EXPECT_EQ(cat.FileName, dir.File("Home.SXF"));
    EXPECT_EQ(cat.DataFileName, dir.File("Home.SXD"));
}

TEST_F(CatalogueFile, OneEmptyMediumLayout) {
    CMedienListe cat;
    cat.Categories = {"Cat"};
    CMedium& m = *cat.AddMedium(std::make_unique<CMedium>(&cat));
    m.Name = "N";
    m.Additions.Capacity = 64LL << 30;
    m.Additions.FreeSpace = 1234567;
    m.Additions.ReadTime = 45720.25;
    m.Additions.Folder = "/photos";
    ASSERT_TRUE(cat.Save(dir.File("a.sxf")));
    EXPECT_EQ(m.DataOffset, 0);
    EXPECT_EQ(m.ContentLength, 4);
    EXPECT_TRUE(m.Stored);
    auto data = OpenFile(dir.File("a.SXD"), false);
    TMemoryStream block;
    ASSERT_TRUE(DecompressAll(*data, block, true));
    EXPECT_EQ(block.ToString(), Ints({0}));

    TMemoryStream expected;
    WriteInt(expected, 1);
    WriteInt(expected, 1);
    WriteString(expected, "Cat");
    WriteInt(expected, 1);
    for (int32_t v : {1, -1, 0, 0, 0}) WriteInt(expected, v);
    for (const char* s : {"", "", "N", ""}) WriteString(expected, s);
    WriteInt64(expected, 0);
    WriteInt(expected, 0);
    WriteBool(expected, true);
    WriteInt(expected, 4);
    // A reader of the plain layout stops here; the medium additions follow: the block's length
    // and sum.
    const std::string block0 = ReadWholeFile(dir.File("a.SXD"));
    WriteInt(expected, 0x414D5853);
    for (int32_t v : {1, 0, 3, int(afBlockSum), 16}) WriteInt(expected, v);
    WriteInt64(expected, int64_t(block0.size()));
    WriteInt64(expected, int64_t(BlockSumOf(block0.data(), block0.size())));
    // Then the file system's size, free space and time of reading, and the folder read.
    for (int32_t v : {int(afSpace), 24}) WriteInt(expected, v);
    for (int64_t v : {64LL << 30, 1234567LL}) WriteInt64(expected, v);
    WriteDouble(expected, LocalToStored(45720.25));
    for (int32_t v : {int(afFolder), 11}) WriteInt(expected, v);
    WriteString(expected, "/photos");
    // Last, the data file it belongs to: here the one block.
    WriteInt(expected, 0x49445853);
    WriteInt64(expected, int64_t(block0.size()));
    WriteInt64(expected, int64_t(BlockSumOf(block0.data(), block0.size())));
    EXPECT_EQ(Decompressed(dir.File("a.sxf")), expected.ToString());
    CMedienListe back;
    ASSERT_TRUE(back.Load(dir.File("a.sxf")));
    const TMediumAdditions& read = back.GetMedium(0)->Additions;
    EXPECT_EQ(std::tuple(read.Capacity, read.FreeSpace, read.ReadTime, read.Folder),
              std::tuple(64LL << 30, int64_t(1234567), 45720.25, std::string("/photos")));
}

// The trailer is read when whole and passed over when not; the headers before it always load.
TEST_F(CatalogueFile, MediumAdditionsAreReadOnlyWhenWhole) {
    CMedienListe cat;
    for (int i = 0; i < 2; ++i) cat.AddMedium(std::make_unique<CMedium>(&cat))->Name = "m";
    ASSERT_TRUE(cat.Save(dir.File("t.SXF")));
    const std::string full = Decompressed(dir.File("t.SXF")), plain = full.substr(0, full.find("SXMA"));
    const auto trailer = [](std::initializer_list<int32_t> ints, const std::string& more = "") {
        return Ints({0x414D5853}) + Ints(ints) + more;
    };
    const std::string sum16 = Ints({100, 0}) + std::string(8, '\x09'); // length 100, then the sum
    const struct {
        const char* what;
        std::string tail;
        bool read;
        std::string folder = {}; // what is taken of a folder field
    } cases[] = {
        {"whole", trailer({1, 1, 1, int(afBlockSum), 16}, sum16), true},
        {"an unknown field first", trailer({1, 1, 2, 99, 3}, "abc" + Ints({int(afBlockSum), 16}) + sum16), true},
        {"cut short", trailer({1, 1, 1, int(afBlockSum), 16}, sum16.substr(0, 9)), false},
        {"a medium that is not there", trailer({1, 2, 1, int(afBlockSum), 16}, sum16), false},
        {"a known field of the wrong length", trailer({1, 1, 1, int(afBlockSum), 8}, sum16.substr(8)), false},
        {"a hostile count", trailer({INT32_MAX, 1, 1}), false},
        {"a block longer than any file", trailer({1, 1, 1, int(afBlockSum), 16}, Ints({0, 1 << 20}) + sum16.substr(8)), false},
        {"another tag", Ints({0x34365853, 0}), false},
        {"a folder", trailer({1, 1, 2, int(afBlockSum), 16}, sum16 + Ints({int(afFolder), 10, 6}) + "/a/b/c"), true, "/a/b/c"},
        {"a folder climbing out", trailer({1, 1, 2, int(afBlockSum), 16}, sum16 + Ints({int(afFolder), 10, 6}) + "/a/../"), true},
        {"a folder not from a root", trailer({1, 1, 2, int(afBlockSum), 16}, sum16 + Ints({int(afFolder), 5, 1}) + "a"), true},
        {"free space beyond the capacity", trailer({1, 1, 2, int(afBlockSum), 16}, sum16 + Ints({int(afSpace), 24, 5, 0, 9, 0, 0, 0})), true},
    };
    for (const auto& c : cases) {
        TMemoryStream content;
        content.Write(plain.data(), plain.size());
        content.Write(c.tail.data(), c.tail.size());
        ASSERT_TRUE(SaveCompressedFile(content, dir.File("t.SXF")));
        CMedienListe back;
        ASSERT_TRUE(back.Load(dir.File("t.SXF"))) << c.what;
        EXPECT_FALSE(back.GetMedium(0)->Additions.BlockSummed) << c.what;
        EXPECT_EQ(back.GetMedium(1)->Additions.BlockSummed, c.read) << c.what;
        if (c.read) {
            EXPECT_EQ(back.GetMedium(1)->Additions.BlockSum, 0x0909090909090909u) << c.what;
        }
        EXPECT_EQ(back.GetMedium(1)->Additions.Folder, c.folder) << c.what;
        EXPECT_FALSE(back.GetMedium(1)->Additions.HasSpace()) << c.what;
    }
}

TEST_F(CatalogueFile, BlocksLieBackToBack) {
    CMedienListe cat;
    FillSampleCatalogue(cat);
    ASSERT_TRUE(cat.Save(dir.File("c.SXF")));
    int64_t expectedOffset = 0;
    for (int i = 0; i < cat.Count(); ++i) {
        CMedium& m = *cat.GetMedium(i);
        EXPECT_EQ(m.DataOffset, expectedOffset) << i;
        TMemoryStream records, compressed;
        ASSERT_TRUE(m.WriteContentRecords(records));
        EXPECT_EQ(m.ContentLength, records.Size());
        ASSERT_TRUE(CompressToFile(records, compressed));
        expectedOffset += compressed.Size();
    }
    EXPECT_EQ(static_cast<int64_t>(ReadWholeFile(dir.File("c.SXD")).size()), expectedOffset);
}

TEST_F(CatalogueFile, SaveAndLoadGiveTheSameCatalogue) {
    CMedienListe cat;
    FillSampleCatalogue(cat);
    ASSERT_TRUE(cat.Save(dir.File("Home.SXF")));
    const std::string saved = DescribeCatalogue(cat, true);

    CMedienListe back;
    std::vector<int> progress;
    back.OnProgress = [&](int p) { progress.push_back(p); };
    ASSERT_TRUE(back.Load(dir.File("Home.SXF")));
    EXPECT_EQ(progress, (std::vector<int>{0, 33, 67}));
    EXPECT_FALSE(back.IsModified());
    for (int i = 0; i < back.Count(); ++i) {
        EXPECT_FALSE(back.GetMedium(i)->ContentLoaded);
        EXPECT_EQ(back.GetMedium(i)->EntryCount(), 0);
        ASSERT_TRUE(back.GetMedium(i)->LoadContent(back.DataFileName));
    }
    EXPECT_EQ(DescribeCatalogue(back, true), saved);
    EXPECT_EQ(back.GetMedium(0)->GetEntry(2)->Size, 5LL << 30);
    EXPECT_EQ(back.GetMedium(0)->GetEntry(3)->Size, INT32_MAX);
}

TEST_F(CatalogueFile, LargeSizesLeaveThePlainLayoutReadable) {
    CMedienListe cat;
    CMedium& m = *cat.AddMedium(std::make_unique<CMedium>(&cat));
    AddTestEntry(m, nullptr, "small", kindFile, 10);
    AddTestEntry(m, nullptr, "big", kindFile, 3LL << 30);
    TMemoryStream block;
    ASSERT_TRUE(m.WriteContentRecords(block));
    // A reader of the plain layout: the count, then records; it stops after the last record.
    block.Seek(0);
    ASSERT_EQ(ReadInt(block), 2);
    std::vector<int32_t> sizes;
    for (int i = 0; i < 2; ++i) {
        ReadInt(block), ReadInt(block), ReadDouble(block), ReadString(block);
        sizes.push_back(ReadInt(block));
        ReadInt(block), ReadInt(block);
    }
    EXPECT_EQ(sizes, (std::vector<int32_t>{10, INT32_MAX}));
    EXPECT_EQ(block.Remaining(), 4 + 4 + 4 + 8) << "tag, count, one pair";

    CMedium small(&cat);
    AddTestEntry(small, nullptr, "small", kindFile, 10);
    TMemoryStream plain;
    ASSERT_TRUE(small.WriteContentRecords(plain));
    plain.Seek(0);
    CMedium read(&cat);
    ASSERT_TRUE(read.ReadContentRecords(plain));
    EXPECT_EQ(plain.Remaining(), 0) << "no trailer without large sizes";
}

TEST_F(CatalogueFile, HandWrittenFilesLoad) {
    // A pair written field by field, as any program following the layout would write it.
    TMemoryStream block;
    WriteInt(block, 1);        // one top-level entry
    WriteInt(block, 1);        // version
    WriteInt(block, 0);        // category
    WriteDouble(block, 40000.5);
    WriteString(block, "dir");
    WriteInt(block, 0);
    WriteInt(block, kindFolder);
    WriteInt(block, 1);        // one child
    WriteInt(block, 0);        // version 0 is accepted
    WriteInt(block, -1);
    WriteDouble(block, 40001.0);
    WriteString(block, "f");
    WriteInt(block, 77);
    WriteInt(block, 9);        // a kind is taken as read
    WriteInt(block, -5);       // a negative count means no children
    TMemoryStream compressedBlock;
    ASSERT_TRUE(CompressToFile(block, compressedBlock));
    const std::string padding = "junk-before";
    WriteWholeFile(dir.File("h.SXD"), padding + compressedBlock.ToString());

    TMemoryStream index;
    WriteInt(index, 0); // version 0 is kept
    WriteInt(index, 1);
    WriteString(index, "Cat");
    WriteInt(index, 1);
    for (int32_t v : {1, 0, 1, 1, static_cast<int32_t>(padding.size())}) WriteInt(index, v);
    for (const char* s : {"n", "L", "Name", "12345678"}) WriteString(index, s);
    WriteInt64(index, 77);
    WriteInt(index, 3);
    WriteInt(index, 2); // any value but 0 is true
    WriteInt(index, static_cast<int32_t>(block.Size()));
    WriteIndex(dir.File("h.SXF"), index);

    SetZoneBias(0);
    CMedienListe cat;
    ASSERT_TRUE(cat.Load(dir.File("h.SXF")));
    EXPECT_EQ(cat.Version, 0);
    ASSERT_EQ(cat.Count(), 1);
    CMedium& m = *cat.GetMedium(0);
    EXPECT_TRUE(m.Present);
    ASSERT_TRUE(m.LoadContent(cat.DataFileName));
    ASSERT_EQ(m.EntryCount(), 1);
    CFile* child = m.GetEntry(0)->GetEntry(0);
    ASSERT_TRUE(child);
    EXPECT_EQ(child->Name(), "f");
    EXPECT_EQ(child->Version, 0);
    EXPECT_EQ(child->Kind, 9);
    EXPECT_EQ(child->ChildCount(), 0);
    EXPECT_EQ(child->Parent, m.GetEntry(0));
    EXPECT_EQ(child->Medium, &m);

    ASSERT_TRUE(cat.Save(dir.File("h.SXF")));
    EXPECT_EQ(Decompressed(dir.File("h.SXF")).substr(0, 4), Ints({0})) << "version 0 written back";
}

TEST_F(CatalogueFile, VersionsAboveOneAreRejected) {
    CMedienListe cat;
    FillSampleCatalogue(cat);
    ASSERT_TRUE(cat.Save(dir.File("v.SXF")));
    const std::string index = Decompressed(dir.File("v.SXF"));

    auto withInt = [&](size_t at, int32_t value) {
        std::string copy = index;
        copy.replace(at, 4, Ints({value}));
        TMemoryStream s;
        s.Write(copy.data(), copy.size());
        WriteIndex(dir.File("v.SXF"), s);
    };
    withInt(0, 2);
    CMedienListe a;
    EXPECT_FALSE(a.Load(dir.File("v.SXF")));

    // The first medium header follows the version, the categories and the media count.
    size_t headerAt = 8;
    for (const auto& name : cat.Categories) headerAt += 4 + name.size();
    headerAt += 4;
    withInt(headerAt, 2);
    CMedienListe b;
    EXPECT_FALSE(b.Load(dir.File("v.SXF")));
    EXPECT_EQ(b.Categories, cat.Categories) << "what was read before the failure stays";
    EXPECT_EQ(b.Count(), 0);
}

TEST_F(CatalogueFile, DamagedBlockFailsOnlyThatMedium) {
    CMedienListe cat;
    FillSampleCatalogue(cat);
    CFile* deep = cat.GetMedium(1)->GetEntry(0)->GetEntry(0)->GetEntry(2);
    deep->Version = 2;
    ASSERT_TRUE(cat.Save(dir.File("d.SXF")));

    CMedienListe back;
    ASSERT_TRUE(back.Load(dir.File("d.SXF")));
    EXPECT_TRUE(back.GetMedium(0)->LoadContent(back.DataFileName));
    CMedium& broken = *back.GetMedium(1);
    EXPECT_FALSE(broken.LoadContent(back.DataFileName));
    EXPECT_FALSE(broken.ContentLoaded);
    EXPECT_EQ(broken.EntryCount(), 0) << "nothing half-read is kept";

    CMedium& longer = *back.GetMedium(2);
    longer.ContentLength += 1; // promises more than the block holds
    EXPECT_FALSE(longer.LoadContent(back.DataFileName));
    longer.DataOffset = -5;
    EXPECT_FALSE(longer.LoadContent(back.DataFileName));
    EXPECT_FALSE(longer.LoadContent(dir.File("missing.SXD")));
}

TEST_F(CatalogueFile, LoadNeedsBothFiles) {
    CMedienListe cat;
    EXPECT_FALSE(cat.Load(dir.File("none.SXF")));
    EXPECT_TRUE(cat.FileName.empty()) << "unchanged when the index is missing";
    TMemoryStream empty;
    WriteInt(empty, 1), WriteInt(empty, 0), WriteInt(empty, 0);
    ASSERT_TRUE(SaveCompressedFile(empty, dir.File("x.SXF")));
    EXPECT_FALSE(cat.Load(dir.File("x.SXF"))) << "no data file";
    WriteWholeFile(dir.File("x.SXD"), "");
    EXPECT_TRUE(cat.Load(dir.File("x.SXF")));
}

TEST_F(CatalogueFile, ChangedOnDiskIsNoticed) {
    CMedienListe cat;
    FillSampleCatalogue(cat);
    ASSERT_TRUE(cat.Save(dir.File("w.SXF")));
    EXPECT_FALSE(cat.FilesChangedOnDisk());
    const std::string bytes = ReadWholeFile(dir.File("w.SXD"));
    WriteWholeFile(dir.File("w.SXD"), bytes); // same bytes, new stamp
    EXPECT_TRUE(cat.FilesChangedOnDisk());
    EXPECT_FALSE(cat.Save(dir.File("w.SXF"))) << "another program's pair is not overwritten unasked";
    EXPECT_EQ(cat.SaveFailure, CMedienListe::TSaveFailure::ChangedOnDisk);
    cat.PairFileName.clear(); // the user chose to save over it (Save as)
    ASSERT_TRUE(cat.Save(dir.File("w.SXF")));
    EXPECT_FALSE(cat.FilesChangedOnDisk());
    std::remove(dir.File("w.SXF").c_str());
    EXPECT_FALSE(cat.FilesChangedOnDisk()) << "a missing file counts as unchanged";
}

TEST_F(CatalogueFile, CategoryListFile) {
    CMedienListe cat;
    cat.Categories = {"Music", "", std::string("\xE4", 1)};
    ASSERT_TRUE(cat.SaveCategories(dir.File("c.SXC")));
    TMemoryStream expected;
    WriteInt(expected, 1), WriteInt(expected, 3);
    for (const auto& n : cat.Categories) WriteString(expected, n);
    EXPECT_EQ(Decompressed(dir.File("c.SXC")), expected.ToString());

    CMedienListe other;
    other.Categories = {"old"};
    ASSERT_TRUE(other.LoadCategories(dir.File("c.SXC")));
    EXPECT_EQ(other.Categories, cat.Categories);
    EXPECT_FALSE(other.LoadCategories(dir.File("missing.SXC")));
    EXPECT_TRUE(other.Categories.empty());
    EXPECT_FALSE(cat.SaveCategories(dir.File("no/such/folder.SXC")));
}

// Saves that copy the blocks of unchanged media instead of recompressing them.
#include "catalogue/blockcopy.h"
#include "catalogue/IO_BZIP.h"
#include "catalogue/combine.h"
#include "catalogue/mediaclasses.h"
#include "catalogue/streams.h"
#include "support/catalogue_text.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Stream(const std::string& text) {
    TMemoryStream in, out;
    in.Write(text.data(), text.size());
    EXPECT_TRUE(CompressToFile(in, out));
    return out.ToString();
}

// Looks at `bytes` as a block of a data file and copies it when it looks whole.
TBlockCopy Copy(const std::string& bytes, std::string* copied = nullptr) {
    TMemoryStream from, to;
    from.Write(bytes.data(), bytes.size());
    const TBlockCopy result = CopyBlock(from, 0, int64_t(bytes.size()), to);
    if (copied) *copied = to.ToString();
    return result;
}

TEST(BlockCopy, OnlyAWholeStreamIsCopied) {
    // Texts of several lengths put the end marker at every bit position modulo 8.
    for (const std::string text : {"", "a", "ab", "abc", "abcd", "hello world", "0123456789abcdef"}) {
        const std::string whole = Stream(text);
        SCOPED_TRACE(text);
        std::string copied;
        EXPECT_EQ(Copy(whole, &copied), TBlockCopy::Copied);
        EXPECT_EQ(copied, whole);
        const struct {
            const char* what;
            std::string bytes;
        } broken[] = {{"one byte short", whole.substr(0, whole.size() - 1)},
                      {"a byte of the next block", whole + "B"},
                      {"a zero byte more", whole + std::string(1, '\0')},
                      {"starting one byte late", whole.substr(1) + "x"},
                      {"another block size", "BZh9" + whole.substr(4)}};
        for (const auto& b : broken) {
            EXPECT_EQ(Copy(b.bytes, &copied), TBlockCopy::Malformed) << b.what;
            EXPECT_TRUE(copied.empty()) << b.what << ": nothing written";
        }
    }
}

class ReusingSave : public ::testing::Test {
protected:
    void SetUp() override {
        CMedienListe sample;
        FillSampleCatalogue(sample);
        CMedium& big = *sample.AddMedium(std::make_unique<CMedium>(&sample));
        big.Name = "Big";
        big.ContentLoaded = true;
        for (int i = 0; i < 30000; ++i) AddTestEntry(big, nullptr, "file" + std::to_string(i), kindFile, i);
        ASSERT_TRUE(sample.Save(home));
        CMedienListe other;
        CMedium& extra = *other.AddMedium(std::make_unique<CMedium>(&other));
        extra.Name = "Attached";
        extra.ContentLoaded = true;
        AddTestEntry(extra, nullptr, "attached.txt", kindFile, 5);
        ASSERT_TRUE(other.Save(dir.File("Other.SXF")));
    }
    // The same edits on a catalogue read from `home`: a header changed, a tree changed, a
    // removed medium browsed, the big one never loaded, a medium attached from elsewhere.
    void Edit(CMedienListe& cat) {
        ASSERT_TRUE(cat.Load(home));
        cat.GetMedium(0)->Name = "Renamed"; // the header changes, the tree does not
        cat.GetMedium(0)->Stored = false;
        ASSERT_TRUE(cat.GetMedium(1)->LoadContent(cat.DataFileName));
        cat.GetMedium(1)->GetEntry(0)->Category = 2;
        cat.GetMedium(1)->Stored = false;
        ASSERT_TRUE(cat.GetMedium(2)->LoadContent(cat.DataFileName)); // browsed, unchanged
        CMedienListe other;
        ASSERT_TRUE(other.Load(dir.File("Other.SXF")));
        AttachMedia(cat, other);
    }
    // What saving wrote when every content was read and compressed again.
    std::string FullSave(const std::string& name) {
        CMedienListe cat;
        Edit(cat);
        for (int i = 0; i < cat.Count(); ++i) {
            CMedium& m = *cat.GetMedium(i);
            if (!m.ContentLoaded) EXPECT_TRUE(m.LoadContent(cat.DataFileName));
            m.Stored = false;
        }
        EXPECT_TRUE(cat.Save(dir.File(name)));
        return ReadWholeFile(dir.File(name)) + ReadWholeFile(DataFileNameOf(dir.File(name)));
    }

    TempDir dir;
    std::string home = dir.File("Home.SXF");
};

TEST_F(ReusingSave, WritesWhatAFullSaveWritesWithoutReadingUnchangedMedia) {
    const std::string full = FullSave("Full.SXF");
    CMedienListe cat;
    Edit(cat);
    ASSERT_TRUE(cat.Save(dir.File("Reused.SXF")));
    EXPECT_EQ(ReadWholeFile(dir.File("Reused.SXF")) + ReadWholeFile(dir.File("Reused.SXD")), full);
    EXPECT_FALSE(cat.GetMedium(3)->ContentLoaded) << "copied, never read";
    EXPECT_FALSE(cat.IsModified());

    // Saved again over itself, every block is copied from the file just written.
    cat.GetMedium(4)->Name = "Again";
    cat.GetMedium(4)->Stored = false;
    ASSERT_TRUE(cat.Save(dir.File("Reused.SXF")));
    CMedienListe back;
    ASSERT_TRUE(back.Load(dir.File("Reused.SXF")));
    for (int i = 0; i < back.Count(); ++i) ASSERT_TRUE(back.GetMedium(i)->LoadContent(back.DataFileName));
    for (int i = 0; i < cat.Count(); ++i)
        if (!cat.GetMedium(i)->ContentLoaded) ASSERT_TRUE(cat.GetMedium(i)->LoadContent(cat.DataFileName));
    EXPECT_EQ(DescribeCatalogue(back), DescribeCatalogue(cat));
}

// A data file that is not what its index says is caught by the look at each block before it is
// copied: the medium is read and written afresh, or, when it cannot be read, nothing is saved.
TEST_F(ReusingSave, ABlockThatDoesNotLookWholeIsReadInstead) {
    const std::string full = FullSave("Full.SXF");
    const std::string data = ReadWholeFile(dir.File("Home.SXD"));
    {
        WriteWholeFile(dir.File("Home.SXD"), data + "trailing bytes of something else");
        CMedienListe cat;
        Edit(cat);
        ASSERT_TRUE(cat.Save(dir.File("Checked.SXF")));
        EXPECT_TRUE(cat.GetMedium(3)->ContentLoaded);
        EXPECT_EQ(ReadWholeFile(dir.File("Checked.SXF")) + ReadWholeFile(dir.File("Checked.SXD")),
                  full)
            << "the last block, longer than its stream, was recompressed";
    }
    {
        WriteWholeFile(dir.File("Home.SXD"), data.substr(0, data.size() - 3));
        CMedienListe cat;
        Edit(cat);
        EXPECT_FALSE(cat.Save(dir.File("Cut.SXF"))) << "the cut block cannot be read either";
        EXPECT_FALSE(FileExists(dir.File("Cut.SXF")));
        EXPECT_FALSE(FileExists(dir.File("Cut.SXD")));
    }
}

} // namespace

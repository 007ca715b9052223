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

TEST(BlockCopy, AStreamEndsAtItsEndMarker) {
    // Texts of several lengths put the end marker at every bit position modulo 8.
    for (const std::string text : {"", "a", "ab", "abc", "abcd", "hello world", "0123456789abcdef"}) {
        const std::string whole = Stream(text);
        const int64_t length = int64_t(whole.size()), content = int64_t(text.size());
        SCOPED_TRACE(text);
        const struct {
            const char* what;
            std::string bytes;
            int64_t content, length;
        } cases[] = {{"whole", whole, content, length},
                     {"one byte short", whole.substr(0, whole.size() - 1), content, -1},
                     {"a byte of the next block", whole + "B", content, length},
                     {"another stream behind it", whole + Stream("next"), content, length},
                     {"starting one byte late", whole.substr(1) + "x", content, -1},
                     {"another block size", "BZh9" + whole.substr(4), content, -1},
                     {"another content length", whole, content + 1, -1}};
        for (const auto& c : cases)
            EXPECT_EQ(WholeStreamLength(c.bytes.data(), int64_t(c.bytes.size()), c.content), c.length)
                << c.what;
    }
}

// The index as a version without medium additions wrote it.
void StripAdditions(const std::string& index) {
    std::string text = LoadCompressedFile(index)->ToString();
    text.resize(text.rfind("SXMA"));
    TMemoryStream plain;
    plain.Write(text.data(), text.size());
    ASSERT_TRUE(SaveCompressedFile(plain, index));
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
            if (!m.ContentLoaded) {
                EXPECT_TRUE(m.LoadContent(cat.DataFileName));
            }
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
        if (!cat.GetMedium(i)->ContentLoaded) {
            ASSERT_TRUE(cat.GetMedium(i)->LoadContent(cat.DataFileName));
        }
    EXPECT_EQ(DescribeCatalogue(back), DescribeCatalogue(cat));
}

// A data file that is not what its index says is caught by the check of each block before it is
// copied: the medium is written afresh from memory, or, when it is not in memory, nothing is saved.
TEST_F(ReusingSave, ABlockThatDoesNotLookWholeIsReadInstead) {
    const std::string full = FullSave("Full.SXF");
    const std::string data = ReadWholeFile(dir.File("Home.SXD"));
    const std::string summedIndex = ReadWholeFile(home);
    std::string strippedIndex;
    for (const bool summed : {true, false}) {
        // Without sums (a pair written before them) the blocks are read through libbz2 once.
        if (!summed) StripAdditions(home), strippedIndex = ReadWholeFile(home);
        WriteWholeFile(dir.File("Home.SXD"), data + Stream("a stream of something else"));
        CMedienListe cat;
        if (summed) { // an index that names its data file does not open beside a longer one
            EXPECT_FALSE(cat.Load(home));
            continue;
        }
        Edit(cat);
        ASSERT_TRUE(cat.Save(dir.File("Checked.SXF"))) << summed;
        EXPECT_FALSE(cat.GetMedium(3)->ContentLoaded) << summed;
        EXPECT_TRUE(cat.GetMedium(3)->Additions.BlockSummed) << "summed from this save on";
        EXPECT_EQ(ReadWholeFile(dir.File("Checked.SXF")) + ReadWholeFile(dir.File("Checked.SXD")),
                  full)
            << "the last block was copied up to its end marker, summed: " << summed;
    }
    // A byte changed inside the big medium's block (the last) or in its combined checksum, with
    // sums and without: its tree in memory is written instead; without one, nothing is saved.
    for (const size_t at : {data.size() - 300, data.size() - 2}) {
        std::string broken = data;
        broken[at] ^= 0x10;
        for (const bool summed : {false, true}) {
            WriteWholeFile(home, summed ? summedIndex : strippedIndex);
            for (const bool loaded : {false, true}) {
                WriteWholeFile(dir.File("Home.SXD"), data);
                CMedienListe cat;
                Edit(cat);
                if (loaded) {
                    ASSERT_TRUE(cat.GetMedium(3)->LoadContent(cat.DataFileName));
                }
                WriteWholeFile(dir.File("Home.SXD"), broken);
                cat.DataFileAge = FileStamp::Of(cat.DataFileName); // size and time put back
                SCOPED_TRACE(testing::Message() << "at " << at << " summed " << summed << " loaded " << loaded);
                EXPECT_EQ(cat.Save(dir.File("Rot.SXF")), loaded);
                EXPECT_EQ(cat.DamagedMedium, loaded ? -1 : 3);
                EXPECT_EQ(FileExists(dir.File("Rot.SXD")), loaded) << "nothing written unless whole";
                if (loaded) {
                    EXPECT_EQ(ReadWholeFile(dir.File("Rot.SXF")) + ReadWholeFile(dir.File("Rot.SXD")), full);
                }
                std::remove(dir.File("Rot.SXF").c_str()), std::remove(dir.File("Rot.SXD").c_str());
            }
        }
    }
    {
        WriteWholeFile(dir.File("Home.SXD"), data.substr(0, data.size() - 3));
        CMedienListe cat;
        EXPECT_FALSE(cat.Load(home)) << "a cut data file does not belong to its index";
        EXPECT_FALSE(cat.Save(dir.File("Cut.SXF"))) << "nothing to save from";
        EXPECT_FALSE(FileExists(dir.File("Cut.SXF")));
        EXPECT_FALSE(FileExists(dir.File("Cut.SXD")));
    }
}

} // namespace

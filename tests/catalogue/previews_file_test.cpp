// The previews file beside the pair: written by every save from what the catalogue holds, read
// back picture by picture, and lost alone (with a message) when it is missing or damaged.
#include "catalogue/mediaclasses.h"
#include "catalogue/previews.h"
#include "catalogue/previewsfile.h"
#include "support/catalogue_text.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// Every entry of every medium with the picture it shows: "3/1=..." for medium 3's entry 1.
std::string Pictures(CMedienListe& cat) {
    std::string out;
    for (int i = 0; i < cat.Count(); ++i) {
        CMedium& m = *cat.GetMedium(i);
        if (!m.ContentLoaded) EXPECT_TRUE(m.LoadContent(cat.DataFileName));
        for (int e = 0; e < m.EntryCount(); ++e)
            if (const std::string p = PreviewBytes(cat, m, m.GetEntry(e)); !p.empty())
                out += std::to_string(i) + "/" + std::to_string(e) + "=" + p + " ";
    }
    return out;
}

class PreviewsFile : public testing::Test {
protected:
    void SetUp() override {
        FillSampleCatalogue(cat);
        for (int i = 0; i < 2; ++i) {
            CMedium& m = *cat.GetMedium(i);
            SetPreview(m, m.GetEntry(1), "zip of " + std::to_string(i));
            SetPreview(m, m.GetEntry(2), std::string(3000 + i, char('a' + i)));
        }
        ASSERT_TRUE(cat.Save(index));
    }
    TempDir dir;
    const std::string index = dir.File("Home.SXF");
    const std::string previews = dir.File("Home.SXP");
    CMedienListe cat;
    const std::string all = "0/1=zip of 0 0/2=" + std::string(3000, 'a') + " 1/1=zip of 1 1/2=" +
                            std::string(3001, 'b') + " ";
};

TEST_F(PreviewsFile, ASaveKeepsThemAndAnOpenReadsThemBack) {
    EXPECT_TRUE(FileExists(previews));
    EXPECT_EQ(Pictures(cat), all) << "the saving catalogue reads them from the new file";
    CMedienListe back;
    ASSERT_TRUE(back.Load(index));
    EXPECT_EQ(back.LoadNotice, "");
    EXPECT_TRUE(MediumHasPreviews(back, *back.GetMedium(0)));
    EXPECT_FALSE(MediumHasPreviews(back, *back.GetMedium(2)));
    EXPECT_FALSE(HasPreview(back, *back.GetMedium(0), nullptr));
    EXPECT_EQ(Pictures(back), all);
    EXPECT_TRUE(HasPreview(back, *back.GetMedium(1), back.GetMedium(1)->GetEntry(2)));
    EXPECT_FALSE(HasPreview(back, *back.GetMedium(1), back.GetMedium(1)->GetEntry(0)));
}

TEST_F(PreviewsFile, WhatASaveDropsOrSetsIsWhatTheNextOpenShows) {
    const struct {
        const char* what;
        void (*change)(CMedienListe&);
        std::string want;
    } cases[] = {
        {"a medium dropped takes its pictures along",
         [](CMedienListe& c) { c.DeleteMedium(0); },
         "0/1=zip of 1 0/2=" + std::string(3001, 'b') + " "},
        {"a picture set over a stored one replaces it, one taken away goes",
         [](CMedienListe& c) {
             CMedium& m = *c.GetMedium(1);
             ASSERT_TRUE(m.LoadContent(c.DataFileName));
             SetPreview(m, m.GetEntry(1), "new");
             SetPreview(m, m.GetEntry(2), "");
             SetPreview(m, m.GetEntry(3), "iso");
             m.Stored = false;
         },
         "0/1=zip of 0 0/2=" + std::string(3000, 'a') + " 1/1=new 1/3=iso "},
        {"media whose content stays unread keep theirs", [](CMedienListe& c) { c.GetMedium(2)->Name = "x"; }, all},
    };
    for (const auto& c : cases) {
        CMedienListe changed;
        ASSERT_TRUE(changed.Load(index));
        c.change(changed);
        changed.SetModified(true);
        ASSERT_TRUE(changed.Save(dir.File("Other.SXF"))) << c.what;
        CMedienListe back;
        ASSERT_TRUE(back.Load(dir.File("Other.SXF"))) << c.what;
        EXPECT_EQ(back.LoadNotice, "") << c.what;
        EXPECT_EQ(Pictures(back), c.want) << c.what;
    }
}

TEST_F(PreviewsFile, AMissingOrDamagedFileLosesThePicturesOnlyAndSaysSo) {
    const std::string earlier = dir.File("earlier.SXP");
    std::filesystem::copy_file(previews, earlier);
    {
        CMedienListe again;
        ASSERT_TRUE(again.Load(index));
        again.GetMedium(0)->Name = "again";
        CMedium& grown = *again.GetMedium(2); // a new data file, of another identity
        ASSERT_TRUE(grown.LoadContent(again.DataFileName));
        AddTestEntry(grown, nullptr, "added", kindFile, 1, 45000);
        grown.Stored = false;
        ASSERT_TRUE(again.Save(index));
    }
    const std::string whole = ReadWholeFile(previews);
    const auto flipped = [&](size_t at) {
        std::string bytes = whole;
        bytes[at] = char(bytes[at] ^ 0x20);
        return bytes;
    };
    const size_t indexAt = whole.size() - 20;
    const struct {
        const char* what;
        std::string bytes; // empty: no file
        const char* notice; // empty: none
        std::string want;
    } cases[] = {
        {"no file", "", "is missing", ""},
        {"cut short", whole.substr(0, whole.size() / 2), "is damaged", ""},
        {"a byte of the index flipped", flipped(indexAt), "is damaged", ""},
        {"a byte of the header flipped", flipped(10), "is damaged", ""},
        {"the file of an earlier save", ReadWholeFile(earlier), "another save", ""},
        {"a byte of one picture flipped: that picture alone is lost", flipped(kPreviewsHeaderBytes + 1), "",
         "0/2=" + std::string(3000, 'a') + " 1/1=zip of 1 1/2=" + std::string(3001, 'b') + " "},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(previews);
        if (!c.bytes.empty()) WriteWholeFile(previews, c.bytes);
        CMedienListe back;
        ASSERT_TRUE(back.Load(index)) << c.what << ": the catalogue opens";
        EXPECT_EQ(back.GetMedium(0)->Name, "again") << c.what;
        if (*c.notice) EXPECT_NE(back.LoadNotice.find(c.notice), std::string::npos) << c.what << ": " << back.LoadNotice;
        else EXPECT_EQ(back.LoadNotice, "") << c.what;
        EXPECT_EQ(Pictures(back), c.want) << c.what;
    }
    // The next save writes the file afresh from what is left.
    CMedienListe back;
    ASSERT_TRUE(back.Load(index));
    ASSERT_TRUE(back.Save(index));
    CMedienListe healed;
    ASSERT_TRUE(healed.Load(index));
    EXPECT_EQ(healed.LoadNotice, "");
}

TEST_F(PreviewsFile, ASaveWithoutPicturesLeavesNoFileOfAnotherPairBehind) {
    CMedienListe none;
    FillSampleCatalogue(none);
    ASSERT_TRUE(none.Save(index));
    CMedienListe back;
    ASSERT_TRUE(back.Load(index));
    EXPECT_EQ(back.LoadNotice, "");
    EXPECT_EQ(Pictures(back), "");
    TPreviewsIndex read;
    ASSERT_TRUE(ParsePreviewsBytes(ReadWholeFile(previews), read)) << "written afresh, empty";
    EXPECT_EQ(read.media.size(), 3u);
    CMedienListe fresh;
    FillSampleCatalogue(fresh);
    ASSERT_TRUE(fresh.Save(dir.File("New.SXF")));
    EXPECT_FALSE(FileExists(dir.File("New.SXP"))) << "no pictures, no file";
}

} // namespace

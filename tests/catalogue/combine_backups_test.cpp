#include "catalogue/backups.h"
#include "catalogue/combine.h"
#include "catalogue/faults.h"
#include "catalogue/mediaclasses.h"
#include "support/catalogue_text.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <unistd.h>

namespace {

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() != ".SXI") // the saves' name indexes: caches, not the point here
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The sample catalogue saved as Home.SXF, then loaded back with its contents still on disk.
class SavedSample : public ::testing::Test {
protected:
    void SetUp() override {
        CMedienListe cat;
        FillSampleCatalogue(cat);
        ASSERT_TRUE(cat.Save(index));
        full = DescribeCatalogue(cat);
        ASSERT_TRUE(loaded.Load(index));
    }
    void TearDown() override { faults::SetStepHook(nullptr); }
    // Makes the content block of medium `i` unreadable without changing the file's length.
    void DamageBlock(int i) {
        std::string data = ReadWholeFile(loaded.DataFileName);
        const CMedium& m = *loaded.GetMedium(i);
        for (int k = 0; k < 12; ++k)
            data[static_cast<size_t>(m.DataOffset + k)] = 'x';
        WriteWholeFile(loaded.DataFileName, data);
        loaded.DataFileAge = FileStamp::Of(loaded.DataFileName); // rot leaves the stamp alone
    }
    TempDir dir;
    const std::string index = dir.File("Home.SXF");
    std::string full;
    CMedienListe loaded;
};

} // namespace

TEST(BackupNames, IndexAndDataCopies) {
    const struct {
        const char *index, *indexCopy, *dataCopy;
    } rows[] = {
        {"/d/Home.SXF", "/d/Home.SXF.bak", "/d/Home.sxd.bak"},
        {"/d/home.sxf", "/d/home.sxf.bak", "/d/home.sxd.bak"},
        {"/d/a.b.SXF", "/d/a.b.SXF.bak", "/d/a.b.sxd.bak"},
        {"/d.x/Home", "/d.x/Home.bak", "/d.x/Home.sxd.bak"},
        {"Home.SXF", "Home.SXF.bak", "Home.sxd.bak"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(IndexBackupName(row.index), row.indexCopy);
        EXPECT_EQ(DataBackupName(row.index), row.dataCopy);
    }
}

TEST_F(SavedSample, BackupCopiesHoldTheFilesAndReplaceTheLastOnes) {
    const std::string dataName = DataFileNameOf(index);
    ASSERT_TRUE(MakeBackupCopies(index, dataName));
    EXPECT_EQ(ReadWholeFile(dir.File("Home.SXF.bak")), ReadWholeFile(index));
    EXPECT_EQ(ReadWholeFile(dir.File("Home.sxd.bak")), ReadWholeFile(dataName));

    const std::string firstIndex = ReadWholeFile(index), firstData = ReadWholeFile(dataName);
    // A second pair, its data file more than one copy buffer long.
    CMedienListe second;
    FillSampleCatalogue(second);
    CMedium& big = *second.AddMedium(std::make_unique<CMedium>(&second));
    big.ContentLoaded = true;
    for (int i = 0; i < 260000; ++i) AddTestEntry(big, nullptr, "f" + std::to_string(int64_t(i) * 7919), kindFile, i);
    ASSERT_TRUE(second.Save(dir.File("Second.SXF")));
    const std::string secondIndex = ReadWholeFile(dir.File("Second.SXF"));
    const std::string secondData = ReadWholeFile(dir.File("Second.SXD"));
    ASSERT_GT(secondData.size(), size_t(1) << 20);
    std::remove(dir.File("Second.SXF").c_str()), std::remove(dir.File("Second.SXD").c_str());
    WriteWholeFile(index, "not an index");
    EXPECT_FALSE(MakeBackupCopies(index, dataName)) << "no copy of what is not a catalogue";
    WriteWholeFile(index, secondIndex);
    WriteWholeFile(dataName, secondData);
    // A failure at any step leaves the previous copies, both of them, and nothing else.
    for (const char* step : {"backup-index", "backup-data", "backup-rename"}) {
        faults::SetStepHook([step](std::string_view s) { return s == step; });
        EXPECT_FALSE(MakeBackupCopies(index, dataName)) << step;
        EXPECT_EQ(ReadWholeFile(dir.File("Home.SXF.bak")), firstIndex) << step;
        EXPECT_EQ(ReadWholeFile(dir.File("Home.sxd.bak")), firstData) << step;
        EXPECT_EQ(
            FolderNames(dir.Path()),
            (std::vector<std::string>{"Home.SXD", "Home.SXF", "Home.SXF.bak", "Home.sxd.bak"}))
            << step;
    }
    faults::SetStepHook(nullptr);
    EXPECT_FALSE(MakeBackupCopies(index, dir.File("missing.SXD"))) << "a file that is gone";
    EXPECT_EQ(ReadWholeFile(dir.File("Home.SXF.bak")), firstIndex);

    ASSERT_TRUE(MakeBackupCopies(index, dataName)) << "one generation: the copies are replaced";
    EXPECT_EQ(ReadWholeFile(dir.File("Home.SXF.bak")), secondIndex);
    EXPECT_EQ(ReadWholeFile(dir.File("Home.sxd.bak")), secondData);
}

TEST_F(SavedSample, SameCatalogueFileFollowsLinksAndPaths) {
    ASSERT_EQ(::symlink(index.c_str(), dir.File("link.SXF").c_str()), 0);
    EXPECT_TRUE(SameCatalogueFile(index, index));
    EXPECT_TRUE(SameCatalogueFile(dir.File("link.SXF"), index));
    EXPECT_TRUE(SameCatalogueFile(dir.Path() + "/./Home.SXF", index));
    EXPECT_FALSE(SameCatalogueFile(DataFileNameOf(index), index));
    EXPECT_FALSE(SameCatalogueFile(dir.File("new.SXF"), index));
    EXPECT_FALSE(SameCatalogueFile("", index));
    EXPECT_TRUE(SameCatalogueFile("", "")) << "two unnamed catalogues compare as texts";
}

TEST_F(SavedSample, AttachAppendsInOrderWithFlagsAndCategoriesByName) {
    CMedienListe target;
    target.Categories = {"Films", "Other"};
    CMedium& own = *target.AddMedium(std::make_unique<CMedium>(&target));
    own.Name = "Own";
    own.Stored = true;
    DamageBlock(0); // Disc 0 cannot be read and is dropped
    const std::string indexBytes = ReadWholeFile(index),
                      dataBytes = ReadWholeFile(loaded.DataFileName);
    const FileStamp stamp = FileStamp::Of(loaded.DataFileName);
    std::vector<int> progress;
    loaded.OnProgress = [&progress](int p) { progress.push_back(p); };

    EXPECT_EQ(AttachMedia(target, loaded), 2);
    EXPECT_EQ(progress, (std::vector<int>{0, 33, 67}));
    EXPECT_EQ(loaded.Count(), 0);
    ASSERT_EQ(target.Count(), 3);
    EXPECT_EQ(target.GetMedium(0), &own);
    const CMedium& disc1 = *target.GetMedium(1);
    const CMedium& disc2 = *target.GetMedium(2);
    EXPECT_EQ(disc1.Name, "Disc 1");
    EXPECT_EQ(disc2.Name, "Disc 2");
    EXPECT_FALSE(disc2.Present) << "a removed medium stays removed";
    for (const CMedium* m : {&disc1, &disc2}) {
        EXPECT_EQ(m->Owner, &target);
        EXPECT_FALSE(m->Stored);
        EXPECT_EQ(m->DataOffset, -1);
        EXPECT_TRUE(m->ContentLoaded);
    }
    EXPECT_EQ(disc1.CategoryName(), "Music");
    EXPECT_EQ(disc2.CategoryName(), "Films");
    EXPECT_EQ(disc2.Category, 0) << "an existing name is reused";
    // Only names the attached media use come along: "Bücher" is used by none.
    EXPECT_EQ(target.Categories, (std::vector<std::string>{"Films", "Other", "Music"}));
    EXPECT_EQ(disc1.GetEntry(0)->GetEntry(0)->GetEntry(1)->CategoryName(), "Films");
    EXPECT_TRUE(target.IsModified());
    // The other catalogue's files are only read.
    EXPECT_EQ(ReadWholeFile(index), indexBytes);
    EXPECT_EQ(ReadWholeFile(loaded.DataFileName), dataBytes);
    EXPECT_EQ(FileStamp::Of(loaded.DataFileName), stamp);
}

TEST_F(SavedSample, LostMediaAreFoundAndTakenOut) {
    // Medium 0 was browsed before its block went bad: what is in memory is not read again.
    ASSERT_TRUE(loaded.GetMedium(0)->LoadContent(loaded.DataFileName));
    DamageBlock(0);
    DamageBlock(2);
    std::vector<int> progress;
    loaded.OnProgress = [&progress](int p) { progress.push_back(p); };
    const std::vector<int> lost = FindLostMedia(loaded);
    EXPECT_EQ(lost, std::vector<int>{2});
    EXPECT_EQ(progress, (std::vector<int>{0, 33, 67}));
    EXPECT_TRUE(loaded.GetMedium(1)->ContentLoaded);
    EXPECT_EQ(RemoveLostMedia(loaded, lost), std::vector<std::string>{"Disc 2_0000ABC2"});
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.GetMedium(1)->Name, "Disc 1");

    CMedienListe empty;
    EXPECT_TRUE(FindLostMedia(empty).empty());
    // Several lost media: lines in catalogue order, the rest kept in order.
    CMedienListe three;
    ASSERT_TRUE(three.Load(index));
    const std::vector<int> two = FindLostMedia(three);
    EXPECT_EQ(two, (std::vector<int>{0, 2}));
    EXPECT_EQ(RemoveLostMedia(three, two),
              (std::vector<std::string>{"Disc 0_0000ABC0", "Disc 2_0000ABC2"}));
    ASSERT_EQ(three.Count(), 1);
    EXPECT_EQ(three.GetMedium(0)->Name, "Disc 1");
}

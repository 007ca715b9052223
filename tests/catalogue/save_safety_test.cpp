#include "catalogue/IO_BZIP.h"
#include "catalogue/faults.h"
#include "catalogue/mediaclasses.h"
#include "catalogue/savepair.h"
#include "support/catalogue_text.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class SaveSafety : public ::testing::Test {
protected:
    void SetUp() override {
        FillSampleCatalogue(cat);
        ASSERT_TRUE(cat.Save(index));
        before = DescribeCatalogue(cat);
        oldIndex = ReadWholeFile(index);
        oldData = ReadWholeFile(DataFileNameOf(index));
        oldNames = ReadWholeFile(NameIndexFileName(index));
        // The change the failing save tries to write.
        cat.GetMedium(0)->Name = "renamed";
        cat.GetMedium(0)->Stored = false;
    }
    void TearDown() override {
        faults::SetStepHook(nullptr);
        faults::SetWriteBudget(-1);
    }
    // The old pair is on disk byte for byte, loads, and holds the old catalogue.
    void ExpectOldPairIntact(const std::string& why) {
        EXPECT_EQ(ReadWholeFile(index), oldIndex) << why;
        EXPECT_EQ(ReadWholeFile(DataFileNameOf(index)), oldData) << why;
        CMedienListe back;
        ASSERT_TRUE(back.Load(index)) << why;
        for (int i = 0; i < back.Count(); ++i)
            ASSERT_TRUE(back.GetMedium(i)->LoadContent(back.DataFileName)) << why;
        EXPECT_EQ(DescribeCatalogue(back), before) << why;
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        // The name index may have gone with the old data's replacement begun; never another.
        if (FileExists(NameIndexFileName(index))) {
            EXPECT_EQ(ReadWholeFile(NameIndexFileName(index)), oldNames) << why;
            names.erase(std::find(names.begin(), names.end(), "Home.SXI"));
        }
        EXPECT_EQ(names, (std::vector<std::string>{"Home.SXD", "Home.SXF"})) << why << ": no leftovers";
    }
    TempDir dir;
    const std::string index = dir.File("Home.SXF");
    CMedienListe cat;
    std::string before, oldIndex, oldData, oldNames;
};

} // namespace

TEST_F(SaveSafety, AFailureAtAnyStepKeepsTheOldPair) {
    for (const char* step : {"create-data", "sync-data", "create-index", "sync-index",
                             "lock-targets", "ready-index", "rename-data", "rename-index"}) {
        faults::SetStepHook([step](std::string_view s) { return s == step; });
        EXPECT_FALSE(cat.Save(index)) << step;
        faults::SetStepHook(nullptr);
        ExpectOldPairIntact(step);
        EXPECT_EQ(cat.GetMedium(0)->Name, "renamed") << "the catalogue in memory is kept";
        EXPECT_TRUE(cat.IsModified()) << step;
        EXPECT_TRUE(cat.GetMedium(1)->Stored) << "flags still describe the pair on disk";
    }
    ASSERT_TRUE(cat.Save(index)) << "a later save goes through";
    CMedienListe back;
    ASSERT_TRUE(back.Load(index));
    EXPECT_EQ(back.GetMedium(0)->Name, "renamed");
}

TEST_F(SaveSafety, AShortWriteAnywhereKeepsTheOldPair) {
    const int64_t total = static_cast<int64_t>(oldIndex.size() + oldData.size());
    for (int64_t budget : {int64_t(0), int64_t(1), int64_t(100), total / 2,
                           static_cast<int64_t>(oldData.size()), total - 1}) {
        faults::SetWriteBudget(budget);
        EXPECT_FALSE(cat.Save(index)) << budget;
        faults::SetWriteBudget(-1);
        ExpectOldPairIntact("budget " + std::to_string(budget));
    }
}

TEST_F(SaveSafety, ReadOnlyPlacesFailCleanly) {
    if (::geteuid() == 0) {
        // root ignores permission bits; a missing folder stands in for a forbidden one.
        EXPECT_FALSE(cat.Save(dir.File("no/such/Home.SXF")));
    } else {
        ::chmod(dir.Path().c_str(), 0555);
        EXPECT_FALSE(cat.Save(index));
        ::chmod(dir.Path().c_str(), 0755);
        ExpectOldPairIntact("read-only folder");
    }
    ::chmod(index.c_str(), 0444);
    if (::geteuid() != 0) {
        EXPECT_FALSE(cat.Save(index)) << "a read-only index file is not replaced";
        ExpectOldPairIntact("read-only file");
    }
    ::chmod(index.c_str(), 0644);
}

TEST_F(SaveSafety, AReaderElsewhereBlocksTheSave) {
    auto reader = OpenFile(DataFileNameOf(index), false);
    ASSERT_TRUE(reader);
    EXPECT_FALSE(cat.Save(index));
    reader.reset();
    ExpectOldPairIntact("locked data file");
}

TEST_F(SaveSafety, ANameWithoutTheIndexExtensionIsRefused) {
    EXPECT_FALSE(cat.Save(dir.File("Home.cat")));
    EXPECT_FALSE(FileExists(dir.File("Home.cat")));
}

TEST_F(SaveSafety, UnloadedContentIsBroughtInBeforeSaving) {
    CMedienListe back;
    ASSERT_TRUE(back.Load(index));
    ASSERT_FALSE(back.GetMedium(1)->ContentLoaded);
    ASSERT_TRUE(back.Save(dir.File("Copy.SXF")));
    CMedienListe copy;
    ASSERT_TRUE(copy.Load(dir.File("Copy.SXF")));
    for (int i = 0; i < copy.Count(); ++i) ASSERT_TRUE(copy.GetMedium(i)->LoadContent(copy.DataFileName));
    EXPECT_EQ(DescribeCatalogue(copy), before);
    std::remove(dir.File("Copy.SXF").c_str());
    std::remove(dir.File("Copy.SXD").c_str());

    // When a changed medium's content cannot be read, nothing is written rather than a medium
    // emptied. (An unchanged one is copied as it is, without being read.)
    CMedienListe broken;
    ASSERT_TRUE(broken.Load(index));
    broken.GetMedium(2)->ContentLength += 10;
    broken.GetMedium(2)->Stored = false;
    EXPECT_FALSE(broken.Save(index));
    ExpectOldPairIntact("unreadable content");
}

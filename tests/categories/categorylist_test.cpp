#include "categories/categorylist.h"

#include "catalogue/entrywalk.h"
#include "catalogue/mediaclasses.h"
#include "support/catalogue_text.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A saved catalogue opened again: only medium 0 has its content in memory, as after selecting
// it in the main window; media 1 and 2 still have theirs only in the data file.
//   categories A B C D E
//   medium 0 holds B; its file x holds D, its file stray holds 9 (beyond the list)
//   medium 1 holds nothing itself; p.zip/in/deep holds D (inside an archive), top holds B
//   medium 2 holds nothing anywhere
class CategoryRemoval : public ::testing::Test {
protected:
    void SetUp() override {
        CMedienListe source;
        source.Categories = {"A", "B", "C", "D", "E"};
        CMedium& m0 = AddMedium(source, "m0", 1);
        CFile* folder = AddTestEntry(m0, nullptr, "f", kindFolder);
        AddTestEntry(m0, folder, "x", kindFile, 1, 45000.0, 3);
        AddTestEntry(m0, nullptr, "stray", kindFile, 1, 45000.0, 9);
        CMedium& m1 = AddMedium(source, "m1", -1);
        CFile* zip = AddTestEntry(m1, nullptr, "p.zip", kindArchive, 10);
        CFile* inner = AddTestEntry(m1, zip, "in", kindFolder);
        AddTestEntry(m1, inner, "deep", kindFile, 1, 45000.0, 3);
        AddTestEntry(m1, nullptr, "top", kindFile, 1, 45000.0, 1);
        CMedium& m2 = AddMedium(source, "m2", -1);
        AddTestEntry(m2, nullptr, "only", kindFile, 1);
        ASSERT_TRUE(source.Save(index));
        before = Holders(source);

        cat = std::make_unique<CMedienListe>();
        ASSERT_TRUE(cat->Load(index));
        ASSERT_TRUE(cat->GetMedium(0)->LoadContent(cat->DataFileName));
        ASSERT_FALSE(cat->GetMedium(1)->ContentLoaded);
        ASSERT_FALSE(cat->GetMedium(2)->ContentLoaded);
    }

    static CMedium& AddMedium(CMedienListe& c, const char* name, int32_t category) {
        CMedium& m = *c.AddMedium(std::make_unique<CMedium>(&c));
        m.Name = name;
        m.Category = category;
        m.ContentLoaded = true;
        return m;
    }

    // Every medium and entry with the category text it names, depth first.
    static std::vector<std::string> Holders(const CMedienListe& c) {
        std::vector<std::string> out;
        for (int i = 0; i < c.Count(); ++i) {
            const CMedium& m = *c.GetMedium(i);
            out.push_back(m.Name + "=" + m.CategoryName());
            WalkEntries(m.Entries(), [&out](const CFile* e) {
                out.push_back(std::string(e->Name()) + "=" + e->CategoryName());
                return false;
            });
        }
        return out;
    }

    static std::vector<std::string> ReloadedHolders(const std::string& file) {
        CMedienListe back;
        EXPECT_TRUE(back.Load(file));
        for (int i = 0; i < back.Count(); ++i)
            EXPECT_TRUE(back.GetMedium(i)->LoadContent(back.DataFileName));
        return Holders(back);
    }

    // Spoils the compressed block of one medium in the data file.
    void SpoilContentOf(int medium) {
        std::string data = ReadWholeFile(cat->DataFileName);
        const auto offset = static_cast<size_t>(cat->GetMedium(medium)->DataOffset);
        for (size_t i = offset; i < offset + 16 && i < data.size(); ++i) data[i] = 'x';
        WriteWholeFile(cat->DataFileName, data);
    }

    TempDir dir;
    const std::string index = dir.File("Cat.SXF");
    std::unique_ptr<CMedienListe> cat;
    std::vector<std::string> before;
};

TEST_F(CategoryRemoval, RemovalKeepsEveryHolderNamingItsCategoryThroughSaveAndLoad) {
    struct Case {
        int32_t removed;
        std::vector<std::string> namesAfter;
        bool storedAfter[3]; // per medium: untouched by the removal
    } cases[] = {
        {0, {"B", "C", "D", "E"}, {false, false, true}},
        {2, {"A", "B", "D", "E"}, {false, false, true}},
        {4, {"A", "B", "C", "D"}, {false, true, true}}, // only the index beyond the list moves
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("removing " + std::to_string(c.removed));
        SetUp();
        ASSERT_FALSE(CategoryHeldAnywhere(*cat, c.removed));
        ASSERT_TRUE(RemoveCategory(*cat, c.removed));
        EXPECT_EQ(cat->Categories, c.namesAfter);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(cat->GetMedium(i)->Stored, c.storedAfter[i]) << i;
        EXPECT_TRUE(cat->GetMedium(1)->ContentLoaded) << "content it had to rewrite is in memory";
        EXPECT_FALSE(cat->Modified);
        EXPECT_EQ(Holders(*cat), before);

        ASSERT_TRUE(cat->Save(index));
        EXPECT_EQ(ReloadedHolders(index), before);
    }
}

TEST_F(CategoryRemoval, HeldCategoriesAreFoundWhereverTheyAre) {
    struct Case {
        int32_t index;
        bool held;
        const char* where;
    } cases[] = {
        {0, false, "nobody"},
        {1, true, "a loaded medium itself and an unloaded top-level file"},
        {2, false, "nobody"},
        {3, true, "an entry in an archive of an unloaded medium and a loaded file"},
        {9, true, "an index beyond the list, on a loaded file"},
    };
    for (const Case& c : cases) EXPECT_EQ(CategoryHeldAnywhere(*cat, c.index), c.held) << c.where;
    EXPECT_FALSE(cat->GetMedium(1)->ContentLoaded) << "the look into the data file keeps nothing";
    EXPECT_EQ(cat->GetMedium(1)->EntryCount(), 0);
}

TEST_F(CategoryRemoval, ACategoryHeldOnlyDeepInAnUnloadedArchiveIsNotRemoved) {
    cat->GetMedium(0)->ClearEntries(); // the loaded holder of D goes, so only m1's archive has it
    ASSERT_TRUE(CategoryHeldAnywhere(*cat, 3));
    EXPECT_FALSE(RemoveCategory(*cat, 3));
    EXPECT_EQ(cat->Categories, (std::vector<std::string>{"A", "B", "C", "D", "E"}));
    EXPECT_FALSE(cat->GetMedium(1)->ContentLoaded) << "content loaded for the refused removal goes";
    EXPECT_TRUE(cat->GetMedium(1)->Stored);
    EXPECT_TRUE(cat->GetMedium(2)->Stored);
}

TEST_F(CategoryRemoval, UnreadableContentRefusesRatherThanGuesses) {
    SpoilContentOf(2);
    EXPECT_TRUE(CategoryHeldAnywhere(*cat, 0)) << "medium 2 cannot say what it holds";
    EXPECT_TRUE(AnyCategoryHeld(*cat));
    EXPECT_FALSE(RemoveCategory(*cat, 0));
    EXPECT_EQ(cat->Categories.size(), 5u);
    EXPECT_FALSE(cat->GetMedium(1)->ContentLoaded) << "medium 1 loaded fine but goes back out";
    EXPECT_EQ(cat->GetMedium(1)->EntryCount(), 0);
    EXPECT_FALSE(cat->IsModified());
    const CFile* stray = cat->GetMedium(0)->GetEntry(1);
    EXPECT_EQ(stray->Category, 9) << "no index moved";
}

TEST_F(CategoryRemoval, HeldOrMissingIndexesAreNotRemoved) {
    const std::vector<std::string> inMemory = Holders(*cat);
    for (int32_t index : {1, 3, 5, -1}) {
        EXPECT_FALSE(RemoveCategory(*cat, index)) << index;
        EXPECT_EQ(cat->Categories.size(), 5u) << index;
        EXPECT_EQ(Holders(*cat), inMemory) << index;
    }
}

TEST(AnyCategoryHeld, LooksAtMediaAndAtEntriesOnDisk) {
    struct Case {
        const char* what;
        int32_t mediumCategory;
        int32_t deepEntryCategory;
        bool held;
    } cases[] = {
        {"nothing held", -1, -1, false},
        {"the medium", 0, -1, true},
        {"only an entry inside an archive", -1, 0, true},
        {"an index beyond the list", -1, 7, true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        {
            CMedienListe source;
            source.Categories = {"A"};
            CMedium& m = *source.AddMedium(std::make_unique<CMedium>(&source));
            m.Category = c.mediumCategory;
            m.ContentLoaded = true;
            CFile* zip = AddTestEntry(m, nullptr, "a.zip", kindArchive);
            AddTestEntry(m, zip, "inside", kindFile, 1, 45000.0, c.deepEntryCategory);
            ASSERT_TRUE(source.Save(dir.File("A.SXF")));
        }
        CMedienListe cat;
        ASSERT_TRUE(cat.Load(dir.File("A.SXF")));
        EXPECT_EQ(AnyCategoryHeld(cat), c.held) << c.what;
        EXPECT_FALSE(cat.GetMedium(0)->ContentLoaded) << c.what;
    }
}

TEST(CompareCategoryNames, FoldsOnlyAsciiLettersAndComparesOtherBytesByCode) {
    struct Case {
        std::string a, b;
        int sign;
    } cases[] = {
        {"music", "MUSIC", 0},
        {"apple", "Banana", -1},
        {"Zebra", "apple", 1},
        {"_x", "ax", 1},                  // '_' sits between 'Z' and 'a': folding goes up
        {"ab", "abc", -1},                // a prefix comes first
        {"\xC3\xA4rger", "zebra", 1},     // a byte above 127 after every ASCII letter
        {"\xC3\xA4", "\xC3\x84", 1},      // non-ASCII letters are not folded
        {"", "", 0},
    };
    for (const Case& c : cases) {
        const int got = CompareCategoryNames(c.a, c.b);
        EXPECT_EQ((got > 0) - (got < 0), c.sign) << c.a << " vs " << c.b;
        const int back = CompareCategoryNames(c.b, c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.sign) << c.b << " vs " << c.a;
    }
}

} // namespace

// Natural name order, and what Add and Update weigh up between a new reading and the media
// already in the catalogue.
#include "catalogue/asciicase.h"
#include "catalogue/newreading.h"
#include "support/catalogue_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(NaturalOrder, ComparesDigitRunsByValueAndFoldsCase) {
    const struct {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"file2", "file10", -1},
        {"file10", "file100", -1},
        {"Disc 9", "Disc 10", -1},
        {"Disc 2", "disc 10", -1},        // case folded before the numbers decide
        {"abc", "ABD", -1},
        {"a1b2", "a1b10", -1},            // every run counts, not only the first
        {"a007", "a7", -1},               // equal values: the raw bytes decide, '0' before '7'
        {"ABC", "abc", -1},               // equal when folded: raw bytes, 'A' before 'a'
        {"abc", "abc", 0},
        {"a", "a0", -1},                  // a name that is the beginning of the other first
        {"99999999999999999999", "100000000000000000000", -1}, // beyond 64 bits
        {"x", "10", 1},                   // digits are bytes below the letters
        {"\xc3\xa9t\xc3\xa9", "ete", 1},  // UTF-8 bytes above ASCII
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Sign(CompareNatural(c.a, c.b)), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(Sign(CompareNatural(c.b, c.a)), -c.expected) << c.b << " vs " << c.a;
    }
}

TEST(NaturalOrder, SortsAListAsPeopleReadIt) {
    std::vector<std::string> names = {"file100", "File2", "file10", "file1", "file02", "img 10.jpg",
                                      "img 9.jpg"};
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return CompareNatural(a, b) < 0; });
    EXPECT_EQ(names, (std::vector<std::string>{"file1", "File2", "file02", "file10", "file100",
                                               "img 9.jpg", "img 10.jpg"}));
}

class NewReading : public ::testing::Test {
protected:
    CMedium& Add(const char* name, const char* serial, const char* folder, bool present = true) {
        CMedium& m = *catalogue.AddMedium(std::make_unique<CMedium>(&catalogue));
        m.Name = name;
        m.Serial = serial;
        m.Additions.Folder = folder;
        m.Present = present;
        m.ContentLoaded = true;
        return m;
    }
    std::vector<std::string> SameSerialNames(const CMedium& added) {
        std::vector<std::string> names;
        for (const CMedium* m : SameSerialMedia(catalogue, added)) names.push_back(m->Name);
        return names;
    }
    CMedienListe catalogue;
};

TEST_F(NewReading, SameSerialCountsOnlyTheSameFolderOrMediaWithoutOne) {
    Add("Photos", "AB12CD34", "/photos");
    Add("Music", "AB12CD34", "/music");
    Add("Old disc", "AB12CD34", "");          // from a catalogue that kept no folder
    Add("Removed", "AB12CD34", "/photos", false);
    Add("Other disk", "99999999", "/photos");
    Add("Photos again", "AB12CD34", "/photos");
    CMedium& added = Add("new", "AB12CD34", "/photos");
    EXPECT_EQ(SameSerialNames(added), (std::vector<std::string>{"Photos", "Old disc", "Photos again"}));

    added.Additions.Folder = "/videos";
    EXPECT_EQ(SameSerialNames(added), (std::vector<std::string>{"Old disc"}));
    added.Additions.Folder = ""; // a reading that knows no folder compares by serial alone
    EXPECT_EQ(SameSerialNames(added).size(), 4u);
}

TEST_F(NewReading, OwnAnnotationsAreTheNameNoticeAndCategories) {
    CMedium& old = Add("USB red", "AB12CD34", "/");
    CFile* docs = AddTestEntry(old, nullptr, "Docs", kindFolder);
    AddTestEntry(old, docs, "a.txt", kindFile, 10);
    EXPECT_FALSE(HasOwnAnnotations(old, "USB red"));
    EXPECT_TRUE(HasOwnAnnotations(old, "STICK")) << "renamed by the user";
    old.Notice = "holiday";
    EXPECT_TRUE(HasOwnAnnotations(old, "USB red"));
    old.Notice.clear();
    old.Category = 0;
    EXPECT_TRUE(HasOwnAnnotations(old, "USB red"));
    old.Category = -1;
    docs->GetEntry(0)->Category = 1;
    EXPECT_TRUE(HasOwnAnnotations(old, "USB red"));
    old.ContentLoaded = false; // entries not in memory cannot be asked
    EXPECT_FALSE(HasOwnAnnotations(old, "USB red"));
}

TEST_F(NewReading, EntryCategoriesFollowTheirPaths) {
    CMedium& old = Add("Red USB stick", "AB12CD34", "/");
    old.Notice = "notes";
    old.Category = 2;
    CFile* docs = AddTestEntry(old, nullptr, "Docs", kindFolder, 0, 0, 0);
    AddTestEntry(old, docs, "kept.txt", kindFile, 1, 0, 1);
    AddTestEntry(old, docs, "gone.txt", kindFile, 1, 0, 1);
    CFile* zip = AddTestEntry(old, nullptr, "pack.zip", kindArchive, 5);
    AddTestEntry(old, zip, "member.txt", kindFile, 1, 0, 2);
    AddTestEntry(old, nullptr, "kept.txt", kindFile, 1, 0, -1); // same name, other folder

    CMedium& fresh = Add("STICK", "AB12CD34", "/");
    CFile* newZip = AddTestEntry(fresh, nullptr, "pack.zip", kindArchive, 5);
    CFile* member = AddTestEntry(fresh, newZip, "member.txt", kindFile, 1);
    CFile* topKept = AddTestEntry(fresh, nullptr, "kept.txt", kindFile, 1);
    CFile* newDocs = AddTestEntry(fresh, nullptr, "Docs", kindFolder);
    CFile* kept = AddTestEntry(fresh, newDocs, "kept.txt", kindFile, 1);
    CFile* added = AddTestEntry(fresh, newDocs, "new.txt", kindFile, 1);

    CarryOverAnnotations(old, fresh);
    EXPECT_EQ(fresh.Name, "Red USB stick");
    EXPECT_EQ(fresh.Notice, "notes");
    EXPECT_EQ(fresh.Category, 2);
    EXPECT_EQ(newDocs->Category, 0);
    EXPECT_EQ(kept->Category, 1);
    EXPECT_EQ(topKept->Category, -1);
    EXPECT_EQ(member->Category, 2);
    EXPECT_EQ(added->Category, -1);
}

} // namespace

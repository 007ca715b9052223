#include "catalogue/mediaclasses.h"
#include "reports/entrytext.h"
#include "search/duplicates.h"
#include "support/catalogue_text.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

constexpr double kNoon = 45000.5;          // 2023-03-15 12:00:00
constexpr double kSecond = 1.0 / 86400.0;

// One file, by its path on a medium: the folders on the way are made as needed (each of 4096
// bytes, as Linux reports folders), and a component ending in ".zip" is an archive of 900 bytes.
struct Item {
    const char* medium;
    const char* path;
    int64_t size;
    double date = kNoon;
};

struct DuplicateCase {
    const char* name;
    std::vector<Item> items;
    TDuplicateOptions options;
    // Groups separated by " | ", members by ", ", each "medium:path".
    std::string expected;
};

std::ostream& operator<<(std::ostream& out, const DuplicateCase& c) { return out << c.name; }

TDuplicateOptions With(bool sameDate, bool presentOnly, int64_t minSize = 1) {
    TDuplicateOptions options;
    options.SameDate = sameDate;
    options.PresentOnly = presentOnly;
    options.MinSize = minSize;
    return options;
}

const DuplicateCase kCases[] = {
    {"SameNameDifferentSizeIsNoCopy",
     {{"A", "song.mp3", 100}, {"B", "song.mp3", 101}}, With(false, false), ""},
    {"SameSizeDifferentCaseOfNameIsNoCopy",
     {{"A", "Song.mp3", 100}, {"B", "song.mp3", 100}, {"B", "SONG.MP3", 100}}, With(false, false),
     ""},
    {"CopiesAcrossMediaAndFolders",
     {{"A", "x/song.mp3", 100}, {"B", "song.mp3", 100}, {"B", "y/z/song.mp3", 100}},
     With(false, false), "A:x/song.mp3, B:song.mp3, B:y/z/song.mp3"},
    {"ArchiveMembersAndArchivesTakePart",
     {{"A", "pack.zip/inner/doc.pdf", 70}, {"B", "doc.pdf", 70}, {"B", "pack.zip", 900},
      {"C", "old/pack.zip", 900}},
     With(false, false),
     "A:pack.zip, B:pack.zip, C:old/pack.zip | A:pack.zip/inner/doc.pdf, B:doc.pdf"},
    {"FoldersAndEmptyFilesNeverCount",
     {{"A", "same/a", 5}, {"B", "same/b", 6}, {"A", "empty.txt", 0}, {"B", "empty.txt", 0}},
     With(false, false), ""},
    {"RemovedMediaCountWithoutPresentOnly",
     {{"A", "film.mkv", 5000}, {"Gone", "film.mkv", 5000}}, With(false, false),
     "A:film.mkv, Gone:film.mkv"},
    {"RemovedMediaPassedOverWithPresentOnly",
     {{"A", "film.mkv", 5000}, {"Gone", "film.mkv", 5000}, {"B", "film.mkv", 5000}},
     With(false, true), "A:film.mkv, B:film.mkv"},
    {"DatesIgnoredUnlessAsked",
     {{"A", "a.txt", 10, kNoon}, {"B", "a.txt", 10, kNoon + 1}}, With(false, false),
     "A:a.txt, B:a.txt"},
    {"DatesAgreeingToTheSecond",
     {{"A", "a.txt", 10, kNoon}, {"B", "a.txt", 10, kNoon + 0.3 * kSecond},
      {"C", "a.txt", 10, kNoon + 1 * kSecond}},
     With(true, false), "A:a.txt, B:a.txt"},
    {"MinimumSize",
     {{"A", "big.iso", 2048}, {"B", "big.iso", 2048}, {"A", "small", 2047}, {"B", "small", 2047}},
     With(false, false, 2048), "A:big.iso, B:big.iso"},
    {"LargestWasteFirst",
     {{"A", "three", 10}, {"B", "three", 10}, {"C", "three", 10}, {"A", "two", 15},
      {"B", "two", 15}, {"A", "huge", 1000}, {"C", "huge", 1000}},
     With(false, false),
     "A:huge, C:huge | A:three, B:three, C:three | A:two, B:two"},
};

class Duplicates : public ::testing::TestWithParam<DuplicateCase> {
protected:
    // The items' catalogue, saved and opened again so that no content is loaded.
    void Build(const std::vector<Item>& items) {
        CMedienListe built;
        std::map<std::string, CMedium*> media;
        for (const Item& item : items) {
            CMedium*& medium = media[item.medium];
            if (!medium) {
                medium = built.AddMedium(std::make_unique<CMedium>(&built));
                medium->Name = item.medium;
                medium->Present = std::string(item.medium) != "Gone";
                medium->ContentLoaded = true;
            }
            CFile* parent = nullptr;
            std::string rest = item.path;
            for (size_t slash; (slash = rest.find('/')) != std::string::npos;) {
                const std::string part = rest.substr(0, slash);
                rest.erase(0, slash + 1);
                CFile* found = nullptr;
                const EntryList& siblings = parent ? parent->Children() : medium->Entries();
                for (int i = 0; i < siblings.Count(); ++i)
                    if (siblings.At(i)->Name() == part) found = siblings.At(i);
                const bool archive = part.size() > 4 && part.substr(part.size() - 4) == ".zip";
                parent = found ? found
                               : AddTestEntry(*medium, parent, part,
                                              archive ? kindArchive : kindFolder, archive ? 900 : 4096);
            }
            AddTestEntry(*medium, parent, rest, kindFile, item.size, item.date);
        }
        ASSERT_TRUE(built.Save(file));
        ASSERT_TRUE(cat.Load(file));
    }
    std::string Describe(const TDuplicates& found) {
        std::string text;
        for (const TDuplicateGroup& group : found.Groups) {
            if (!text.empty()) text += " | ";
            for (size_t i = 0; i < group.Count; ++i) {
                const CFile& entry = *found.Member(group, i);
                text += (i ? ", " : "") + entry.Medium->Name + ":" + EntryPathText(entry);
            }
        }
        return text;
    }

    TempDir dir;
    std::string file = dir.File("dup.SXF");
    CMedienListe cat;
};

TEST_P(Duplicates, Groups) {
    const DuplicateCase& c = GetParam();
    Build(c.items);
    TDuplicates found;
    TDuplicateRun(cat, c.options).Execute(found);
    EXPECT_EQ(Describe(found), c.expected);
    int64_t waste = 0;
    for (const TDuplicateGroup& group : found.Groups) {
        EXPECT_EQ(group.Waste, group.Size * int64_t(group.Count - 1));
        waste += group.Waste;
    }
    EXPECT_EQ(found.TotalWaste, waste);
    // Contents are read on demand: a removed medium's only when removed media count.
    for (int i = 0; i < cat.Count(); ++i)
        EXPECT_EQ(cat.GetMedium(i)->ContentLoaded, cat.GetMedium(i)->Present || !c.options.PresentOnly)
            << cat.GetMedium(i)->Name;
}

INSTANTIATE_TEST_SUITE_P(Cases, Duplicates, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DuplicateCase>& info) {
                             return std::string(info.param.name);
                         });

// Sizes near the top of the range: the waste saturates instead of overflowing.
TEST(DuplicateWaste, SaturatesAtTheLargestSize) {
    CMedienListe built;
    CMedium& m = *built.AddMedium(std::make_unique<CMedium>(&built));
    m.Name = "M";
    std::vector<CFile*> entries;
    for (int i = 0; i < 3; ++i)
        entries.push_back(AddTestEntry(m, nullptr, "x", kindFile, INT64_MAX - 1));
    TDuplicates found;
    GroupDuplicates(entries, TDuplicateOptions{}, found);
    ASSERT_EQ(found.Groups.size(), 1u);
    EXPECT_EQ(found.Groups[0].Waste, INT64_MAX);
    EXPECT_EQ(found.TotalWaste, INT64_MAX);
}

} // namespace

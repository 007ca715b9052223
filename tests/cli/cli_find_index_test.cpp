// shelvix-cli find with and without the name index the save writes: row for row the same
// answer, and with the index no content block is read at all.
#include "catalogue/mediaclasses.h"
#include "catalogue/savepair.h"
#include "support/catalogue_text.h"
#include "support/clirun.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

CMedium& Medium(CMedienListe& cat, const char* name, bool present = true) {
    CMedium& m = *cat.AddMedium(std::make_unique<CMedium>(&cat));
    m.Name = name;
    m.Present = present;
    m.ContentLoaded = true;
    return m;
}

struct CatalogueCase {
    const char* name;
    void (*fill)(CMedienListe&);
};

const CatalogueCase kCatalogues[] = {
    {"Sample", [](CMedienListe& cat) { FillSampleCatalogue(cat); }},
    {"OddNamesRemovedArchivesDetails",
     [](CMedienListe& cat) {
         CMedium& a = Medium(cat, "Disc\tOne");
         CFile* folder = AddTestEntry(a, nullptr, "Caf\xE9 \xFF", kindFolder);
         CFile* zip = AddTestEntry(a, folder, "Songs.zip", kindArchive, 500, 45002.25);
         CFile* song = AddTestEntry(a, AddTestEntry(a, zip, "in\\ner", kindFolder), "queen song.mp3",
                                    kindFile, int64_t(5) << 30, 45100.25, 0);
         a.Details.Set(song, {{"artist", "Queen"}, {"duration", "200"}});
         CFile* photo = AddTestEntry(a, nullptr, "IMG_0001.JPG", kindFile, 99, 44000.0);
         a.Details.Set(photo, {{"width", "4000"}, {"taken", "2019-06-05T10:00:00"}});
         CMedium& old = Medium(cat, "Old", false);
         AddTestEntry(old, nullptr, "queen old.mp3", kindFile, 3, 40000.0);
         CMedium& many = Medium(cat, "many");
         for (int i = 0; i < 700; ++i) AddTestEntry(many, nullptr, "track" + std::to_string(i) + ".mp3", kindFile, i);
     }},
};

const char* const kQueries[] = {"queen", "mp3", "*.JPG", "caf\xE9", "track6", "song artist:que",
                                "width:>3000", "taken:2019-06", "x", "nothing-like-this"};

class CliFindIndex : public testing::TestWithParam<CatalogueCase> {
protected:
    void SetUp() override {
        GetParam().fill(cat);
        ASSERT_TRUE(cat.Save(index));
        ASSERT_TRUE(FileExists(names)) << "the save writes the name index";
    }
    CliResult Find(const char* query, bool removed) {
        std::vector<std::string> arguments = {"find", index, query};
        if (removed) arguments.push_back("--removed");
        return RunCli(dir, arguments);
    }
    TempDir dir;
    const std::string index = dir.File("Home.SXF");
    const std::string names = NameIndexFileName(index);
    CMedienListe cat;
};

TEST_P(CliFindIndex, AnswersAsTheTreesDo) {
    for (const char* query : kQueries)
        for (bool removed : {false, true}) {
            SCOPED_TRACE(std::string(query) + (removed ? " --removed" : ""));
            const CliResult indexed = Find(query, removed);
            const std::string kept = ReadWholeFile(names);
            std::filesystem::remove(names);
            const CliResult trees = Find(query, removed);
            EXPECT_EQ(indexed.out, trees.out);
            EXPECT_EQ(indexed.status, trees.status);
            EXPECT_EQ(indexed.err, trees.err);
            if (!FileExists(names)) WriteWholeFile(names, kept); // not rebuilt without every tree
            // A damaged index is passed over for the trees.
            std::string damaged = ReadWholeFile(names);
            damaged[damaged.size() / 2] = char(damaged[damaged.size() / 2] ^ 0x10);
            WriteWholeFile(names, damaged);
            EXPECT_EQ(Find(query, removed).out, trees.out) << "damaged";
            WriteWholeFile(names, kept);
        }
}

TEST_P(CliFindIndex, ReadsNoContentAndIsRebuiltByAFindOverTheTrees) {
    const CliResult before = Find("mp3", true);
    std::filesystem::remove(names);
    EXPECT_EQ(Find("mp3", true).out, before.out);
    ASSERT_TRUE(FileExists(names)) << "the find over every tree writes the index";
    // Content bytes spoilt, the size kept: only a find that reads no block still answers.
    std::string data = ReadWholeFile(DataFileNameOf(index));
    for (size_t i = 0; i < data.size(); i += 3) data[i] = char(~data[i]);
    WriteWholeFile(DataFileNameOf(index), data);
    EXPECT_EQ(Find("mp3", true).out, before.out);
}

INSTANTIATE_TEST_SUITE_P(Catalogues, CliFindIndex, testing::ValuesIn(kCatalogues),
                         [](const testing::TestParamInfo<CatalogueCase>& info) { return std::string(info.param.name); });

} // namespace

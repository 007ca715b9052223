// The name index against the trees it was written from: every entry comes back as the walk
// gives it, a find answers as the find over the trees does, and an index of another data file,
// of other media, or with any byte changed or cut off never gives a wrong answer.
#include "catalogue/entrywalk.h"
#include "catalogue/mediaclasses.h"
#include "reports/entrytext.h"
#include "search/nameindex.h"
#include "search/nameindex_layout.h"
#include "search/quickfind.h"
#include "catalogue/savepair.h"
#include "support/catalogue_text.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

const TDataIdentity kData{true, 1234, 0xFEEDu};

// A row as text, every field in it.
std::string RowText(int32_t medium, int64_t number, std::string_view path, int32_t kind, int64_t size,
                    double date, int32_t category, std::string_view details) {
    uint64_t bits;
    std::memcpy(&bits, &date, sizeof bits);
    std::string text = std::to_string(medium) + "#" + std::to_string(number) + " " + std::string(path) +
                       " k" + std::to_string(kind) + " s" + std::to_string(size) + " d" +
                       std::to_string(bits) + " c" + std::to_string(category) + " [";
    for (char c : details) text += c ? c : '|';
    return text + "]\n";
}

std::string IndexRow(const TNameIndexRow& r) {
    return RowText(r.medium, r.number, r.path, r.kind, r.size, r.date, r.category, r.details);
}

void Deep(CMedium& m) {
    CFile* up = nullptr;
    for (int depth = 0; depth < 40; ++depth) up = AddTestEntry(m, up, "level" + std::to_string(depth), kindFolder);
    AddTestEntry(m, up, "bottom.txt", kindFile, 7);
}

void Many(CMedium& m) {
    CFile* folder = AddTestEntry(m, nullptr, "many", kindFolder);
    for (int i = 0; i < 1300; ++i)
        AddTestEntry(m, i % 2 ? folder : nullptr, "file" + std::to_string(i) + (i % 7 ? ".jpg" : ".MP3"),
                     kindFile, i, 45000 + i / 10.0, i % 3 - 1);
}

struct CatalogueCase {
    const char* name;
    void (*fill)(CMedienListe&);
};

CMedium& Medium(CMedienListe& cat, const char* name) {
    CMedium& m = *cat.AddMedium(std::make_unique<CMedium>(&cat));
    m.Name = name;
    m.ContentLoaded = true;
    m.DataOffset = 100 * cat.Count();
    return m;
}

// Media of 31, 32 and 33 entries, so entries fall on either side of a group's end and a medium
// starts inside a group; "abc" and "bcd" stand in one group but only in different names, and
// each alone in other groups; the last entries' folder lies groups before them.
void GroupEdges(CMedienListe& cat) {
    for (int count : {31, 32, 33}) {
        CMedium& m = Medium(cat, ("edges " + std::to_string(count)).c_str());
        CFile* folder = AddTestEntry(m, nullptr, "top abc", kindFolder);
        for (int i = 1; i < count; ++i) {
            const bool last = i == count - 1, first = i == count - 2;
            const std::string name = last ? "edge bcd" : first ? "edge abc" : "plain" + std::to_string(i);
            AddTestEntry(m, i >= count - 3 ? folder : nullptr, name, kindFile, i);
        }
    }
    CMedium& apart = Medium(cat, "apart");
    AddTestEntry(apart, nullptr, "xabcx", kindFile, 1);
    AddTestEntry(apart, nullptr, "ybcdy", kindFile, 2);
}

const CatalogueCase kCatalogues[] = {
    {"Sample", [](CMedienListe& cat) { FillSampleCatalogue(cat); }},
    {"OddBytesRemovedArchivesDetails",
     [](CMedienListe& cat) {
         CMedium& a = Medium(cat, "first");
         CFile* folder = AddTestEntry(a, nullptr, "Caf\xE9 \xFF\xFE", kindFolder);
         CFile* zip = AddTestEntry(a, folder, "songs.zip", kindArchive, 500);
         CFile* inner = AddTestEntry(a, zip, "inner", kindFolder);
         CFile* song = AddTestEntry(a, inner, "Queen - Song.mp3", kindFile, 40, 45100.25, 0);
         a.Details.Set(song, {{"artist", "Queen"}, {"duration", "200"}});
         CFile* photo = AddTestEntry(a, nullptr, "IMG_0001.JPG", kindFile, 99, 44000.0);
         a.Details.Set(photo, {{"width", "4000"}, {"taken", "2019-06-05T10:00:00"}});
         AddTestEntry(a, nullptr, "ab", kindFile, 1);
         CMedium& removed = Medium(cat, "gone");
         removed.Present = false;
         AddTestEntry(removed, nullptr, "queen gone.mp3", kindFile, 3);
         Medium(cat, "empty").DataOffset = -1;
         CMedium& c = Medium(cat, "third");
         AddTestEntry(c, AddTestEntry(c, nullptr, "\x01\x7F", kindFolder), "song.MP3", kindFile, -1, -2.5);
     }},
    {"DeepAndMany",
     [](CMedienListe& cat) {
         Deep(Medium(cat, "deep"));
         Many(Medium(cat, "many"));
         Deep(Medium(cat, "deep again"));
     }},
    {"GroupEdges", GroupEdges},
};

std::vector<int32_t> Offsets(const CMedienListe& cat) {
    std::vector<int32_t> offsets;
    for (int i = 0; i < cat.Count(); ++i) offsets.push_back(cat.GetMedium(i)->DataOffset);
    return offsets;
}

std::string Written(const CMedienListe& cat, const TDataIdentity& data = kData) {
    TMemoryStream out;
    EXPECT_TRUE(WriteNameIndex(cat, data, out));
    return std::string(static_cast<const char*>(out.Data()), size_t(out.Size()));
}

// What the find over the trees gives, as rows.
std::string TreeFind(const CMedienListe& cat, const TQuickFindQuery* query, bool removedToo) {
    std::string text;
    for (int m = 0; m < cat.Count(); ++m) {
        const CMedium& medium = *cat.GetMedium(m);
        if (!removedToo && !medium.Present) continue;
        int64_t number = 0;
        WalkEntries(medium.Entries(), [&](CFile* e) {
            const std::string* details = medium.Details.Packed(e);
            if (!query || query->Matches(*e))
                text += RowText(m, number, EntryPathText(*e), e->Kind, e->Size, e->Date, e->Category,
                                details ? *details : std::string());
            ++number;
            return false;
        });
    }
    return text;
}

// Rows of the index, "not used" when it cannot be opened, "damaged" when a block fails.
std::string IndexFind(const TNameIndex* index, const TQuickFindQuery* query, const std::vector<bool>& wanted) {
    if (!index) return "not used";
    std::string text;
    const auto add = [&](const TNameIndexRow& r) { text += IndexRow(r); };
    const bool sound = query ? index->Find(*query, wanted, add) : index->ForEach(add);
    return sound ? text : "damaged";
}

std::vector<bool> Wanted(const CMedienListe& cat, bool removedToo) {
    std::vector<bool> wanted;
    for (int i = 0; i < cat.Count(); ++i) wanted.push_back(removedToo || cat.GetMedium(i)->Present);
    return wanted;
}

const char* const kQueries[] = {"queen",   "QUEEN song", "mp3",     "*.mp3",      "caf\xE9", "\xFF\xFE",
                                "ab",      "i?g_*",      "file12",  "level3",     "zzzz",    "artist:que",
                                "width:>3000", "taken:2019", "song duration:150..250", "bottom", "e",
                                "abcd",    "edge",       "bc",      "edge abc",   "top"};

class NameIndexOf : public testing::TestWithParam<CatalogueCase> {
protected:
    void SetUp() override { GetParam().fill(cat); }
    CMedienListe cat;
};

TEST_P(NameIndexOf, HoldsEveryEntryAsTheWalkGivesIt) {
    const auto index = TNameIndex::FromBytes(Written(cat), kData, Offsets(cat));
    ASSERT_TRUE(index);
    EXPECT_EQ(IndexFind(index.get(), nullptr, {}), TreeFind(cat, nullptr, true));
}

TEST_P(NameIndexOf, FindsWhatTheTreesFind) {
    const auto index = TNameIndex::FromBytes(Written(cat), kData, Offsets(cat));
    ASSERT_TRUE(index);
    for (const char* text : kQueries)
        for (bool removedToo : {false, true}) {
            const auto query = TQuickFindQuery::Compile(text);
            ASSERT_TRUE(query) << text;
            EXPECT_EQ(IndexFind(index.get(), &*query, Wanted(cat, removedToo)),
                      TreeFind(cat, &*query, removedToo))
                << text << (removedToo ? " with removed media" : "");
        }
}

TEST_P(NameIndexOf, IsNotUsedForAnotherDataFileOrOtherMedia) {
    const std::string bytes = Written(cat);
    std::vector<int32_t> moved = Offsets(cat);
    moved.back() += 1;
    std::vector<int32_t> fewer = Offsets(cat);
    fewer.pop_back();
    const struct {
        const char* name;
        TDataIdentity data;
        std::vector<int32_t> offsets;
    } cases[] = {
        {"other size", {true, kData.size + 1, kData.sum}, Offsets(cat)},
        {"other sum", {true, kData.size, kData.sum ^ 1}, Offsets(cat)},
        {"unknown data", {}, Offsets(cat)},
        {"a medium moved", kData, moved},
        {"a medium fewer", kData, fewer},
    };
    for (const auto& c : cases) EXPECT_FALSE(TNameIndex::FromBytes(bytes, c.data, c.offsets)) << c.name;
}

TEST_P(NameIndexOf, NeverAnswersWronglyWhenDamaged) {
    const std::string bytes = Written(cat);
    const std::vector<bool> every = Wanted(cat, true);
    std::vector<TQuickFindQuery> queries;
    std::vector<std::string> truth;
    for (const char* text : kQueries) {
        queries.push_back(*TQuickFindQuery::Compile(text));
        truth.push_back(TreeFind(cat, &queries.back(), true));
    }
    const size_t step = std::max<size_t>(1, bytes.size() / 400);
    for (size_t at = 0; at < bytes.size(); at += step) {
        for (const bool cut : {false, true}) {
            std::string damaged = bytes;
            if (cut) damaged.resize(at);
            else damaged[at] = char(damaged[at] ^ 0x41);
            const auto index = TNameIndex::FromBytes(damaged, kData, Offsets(cat));
            if (cut || at < 96) EXPECT_FALSE(index) << (cut ? "cut at " : "header byte ") << at;
            if (!index) continue;
            const std::string all = IndexFind(index.get(), nullptr, {});
            if (all != "damaged") EXPECT_EQ(all, TreeFind(cat, nullptr, true)) << "byte " << at;
            for (size_t q = 0; q < truth.size(); ++q) {
                const std::string answer = IndexFind(index.get(), &queries[q], every);
                if (answer != "damaged") EXPECT_EQ(answer, truth[q]) << kQueries[q] << ", byte " << at;
            }
        }
    }
}

// Rebuilt from the pair alone, a medium at a time, it is byte for byte the index the save wrote
// from the trees in memory; stopped, it leaves nothing in place. A medium read twice keeps its
// entries once.
TEST_P(NameIndexOf, RebuiltFromThePairAloneIsTheOneTheSaveWrote) {
    TempDir dir;
    const std::string index = dir.File("Home.SXF"), place = NameIndexFileName(index);
    ASSERT_TRUE(cat.Save(index));
    const std::string saved = ReadWholeFile(place);
    ASSERT_FALSE(saved.empty());
    std::remove(place.c_str());
    std::atomic<bool> stop{true};
    EXPECT_FALSE(RebuildNameIndex(index, stop));
    EXPECT_FALSE(std::filesystem::exists(place)) << "a stopped rebuild put an index in place";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2) << "a file was left behind";
    stop = false;
    ASSERT_TRUE(RebuildNameIndex(index, stop));
    EXPECT_TRUE(ReadWholeFile(place) == saved) << "the rebuilt index differs from the saved one";

    CMedienListe again;
    ASSERT_TRUE(again.Load(index));
    for (int i = 0; i < again.Count(); ++i)
        for (int load = 0; load < 2; ++load) ASSERT_TRUE(again.GetMedium(i)->LoadContent(again.DataFileName));
    EXPECT_EQ(TreeFind(again, nullptr, true), TreeFind(cat, nullptr, true));
}

// Written in two halves, as a save writes it beside the data: the media's offsets are those at
// the end, when the save has placed their blocks, not those when the groups were written.
TEST_P(NameIndexOf, WrittenInHalvesNamesTheOffsetsAtTheEnd) {
    const std::vector<int32_t> early = Offsets(cat);
    TMemoryStream out;
    TNameIndexWriting writing(out);
    writing.WriteGroups(cat);
    for (int i = 0; i < cat.Count(); ++i) cat.GetMedium(i)->DataOffset += 7;
    ASSERT_TRUE(writing.Finish(cat, kData));
    const std::string bytes(static_cast<const char*>(out.Data()), size_t(out.Size()));
    EXPECT_FALSE(TNameIndex::FromBytes(bytes, kData, early)) << "offsets from before the data";
    const auto index = TNameIndex::FromBytes(bytes, kData, Offsets(cat));
    ASSERT_TRUE(index);
    EXPECT_EQ(IndexFind(index.get(), nullptr, {}), TreeFind(cat, nullptr, true));
}

INSTANTIATE_TEST_SUITE_P(Catalogues, NameIndexOf, testing::ValuesIn(kCatalogues),
                         [](const testing::TestParamInfo<CatalogueCase>& info) { return std::string(info.param.name); });

} // namespace

namespace {

// Built from the trees of an opened catalogue: beside it, or in the cache when its folder
// takes no new files; either way the one the catalogue's find then reads.
TEST(BuildNameIndex, GoesBesideTheCatalogueOrIntoTheCache) {
    for (const bool readOnly : {false, true}) {
        SCOPED_TRACE(readOnly ? "read-only folder" : "writable folder");
        TempDir dir, cache;
        ::setenv("XDG_CACHE_HOME", cache.Path().c_str(), 1);
        const std::string index = dir.File("Home.SXF");
        CMedienListe made;
        FillSampleCatalogue(made);
        ASSERT_TRUE(made.Save(index));
        std::remove(NameIndexFileName(index).c_str());
        CMedienListe cat;
        ASSERT_TRUE(cat.Load(index));
        EXPECT_FALSE(BuildNameIndex(cat)) << "not while a tree is on disk";
        for (int i = 0; i < cat.Count(); ++i) ASSERT_TRUE(cat.GetMedium(i)->LoadContent(cat.DataFileName));
        std::unique_ptr<ReadOnlyFolder> locked;
        if (readOnly) {
            locked = std::make_unique<ReadOnlyFolder>(dir.Path());
            if (!locked->Active()) GTEST_SKIP() << "no way to make a folder read-only here";
        }
        ASSERT_TRUE(BuildNameIndex(cat));
        const std::string place = NameIndexToRead(index);
        EXPECT_EQ(place.rfind(cache.Path(), 0) == 0, readOnly) << place;
        const auto built = TNameIndex::Open(place, DataIdentityOfIndexFile(index), Offsets(cat));
        ASSERT_TRUE(built);
        EXPECT_EQ(IndexFind(built.get(), nullptr, {}), TreeFind(cat, nullptr, true));
        ::unsetenv("XDG_CACHE_HOME");
    }
}

// An index of no media, its sums right: each empty table must still lie inside the file, since
// the reading takes its place before it counts what it lists.
TEST(NameIndexHeader, RefusesAnEmptyTablePlacedPastTheEnd) {
    const struct {
        const char* name;
        uint64_t nameindex::THeader::*table;
        uint64_t place;
        bool opens;
    } cases[] = {
        {"tables at the end", nullptr, 0, true},
        {"media table far past the end", &nameindex::THeader::mediaTable, uint64_t(1) << 62, false},
        {"group table far past the end", &nameindex::THeader::blockTable, ~uint64_t(0) - 8, false},
        {"trigram table far past the end", &nameindex::THeader::trigramTable, 0xFFFFFFFE00000060u, false},
        {"trigram table one past the end", &nameindex::THeader::trigramTable, nameindex::kHeaderSize + 1, false},
    };
    for (const auto& c : cases) {
        nameindex::THeader h;
        h.dataSize = uint64_t(kData.size);
        h.dataSum = kData.sum;
        h.mediaTable = h.blockTable = h.trigramTable = h.fileSize = nameindex::kHeaderSize;
        if (c.table) h.*c.table = c.place;
        h.tablesSum = nameindex::TablesSum(nameindex::EncodeHeader(h), {}, {}, {});
        const auto index = TNameIndex::FromBytes(nameindex::EncodeHeader(h), kData, {});
        EXPECT_EQ(bool(index), c.opens) << c.name;
    }
}

// The identity a load read is the one the index file names, so the index can be opened with it
// without reading that file again; a save makes it unknown until the next load.
TEST(ReadIdentity, IsWhatTheIndexFileNamesUntilASave) {
    TempDir dir;
    const std::string index = dir.File("Home.SXF");
    CMedienListe made;
    FillSampleCatalogue(made);
    ASSERT_TRUE(made.Save(index));
    struct Step {
        const char* name;
        bool save; // a save of every tree, else a load into a fresh catalogue
    };
    const Step steps[] = {{"after a load", false}, {"after a save", true}, {"after loading that save", false}};
    auto cat = std::make_unique<CMedienListe>();
    for (const Step& step : steps) {
        if (step.save) {
            for (int i = 0; i < cat->Count(); ++i) ASSERT_TRUE(cat->GetMedium(i)->LoadContent(cat->DataFileName));
            ASSERT_TRUE(cat->Save(index)) << step.name;
            EXPECT_FALSE(cat->ReadIdentity.known) << step.name;
            continue;
        }
        cat = std::make_unique<CMedienListe>();
        ASSERT_TRUE(cat->Load(index)) << step.name;
        const TDataIdentity named = DataIdentityOfIndexFile(index);
        ASSERT_TRUE(cat->ReadIdentity.known) << step.name;
        EXPECT_EQ(cat->ReadIdentity.size, named.size) << step.name;
        EXPECT_EQ(cat->ReadIdentity.sum, named.sum) << step.name;
        EXPECT_TRUE(TNameIndex::Open(NameIndexFileName(index), cat->ReadIdentity, Offsets(*cat))) << step.name;
    }
}

} // namespace

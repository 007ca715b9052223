// The name index against the trees it was written from: every entry comes back as the walk
// gives it, a find answers as the find over the trees does, and an index of another data file,
// of other media, or with any byte changed or cut off never gives a wrong answer.
#include "catalogue/IO_BZIP.h"
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

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

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

constexpr int kGroup = int(nameindex::kBlockEntries);

// Media of a group's entries, one fewer and one more, so entries fall on either side of a
// group's end and a medium starts inside a group; "abc" and "bcd" stand in one group but only
// in different names, and each alone in other groups; the last entries' folder lies groups
// before them.
void GroupEdges(CMedienListe& cat) {
    for (int count : {kGroup - 1, kGroup, kGroup + 1}) {
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

// Forty groups: "mix" in every one, "half" in each of the first twenty, "rare" in two; dates
// of whole seconds as a scan makes them, but fractions of a second in one group, and steps
// back in time.
void Densities(CMedienListe& cat) {
    CMedium& m = Medium(cat, "densities");
    CFile* folder = nullptr;
    for (int i = 0; i < 40 * kGroup; ++i) {
        if (i % 50 == 0) folder = AddTestEntry(m, i % 100 ? folder : nullptr, "folder mix", kindFolder);
        std::string name = "mix " + std::to_string(i);
        if (i < 20 * kGroup) name += " half";
        if (i == 5 || i == 28 * kGroup + 4) name += " rare";
        const double seconds = double((i * 7919) % 86400) / 86400.0;
        const double date = i / kGroup == 17 ? 45000.0 + i / 3.0 : double(44000 + (i * 37) % 500) + seconds;
        AddTestEntry(m, folder, name, kindFile, i * 1000, date, i % 5 - 1);
    }
}

// Enough groups that a word's candidates are looked at on threads (more than 512) and in more
// than one part (more than 1,024), each
// holding "x12", "123" and "234": in a third "x1234" stands in a name (either case), in a third
// only in different names, and in a third only across two names in the group's bytes (the
// name after "x12" is 51 bytes long, and 51 is the byte "3"); "mix" in every other group.
void ManyCandidates(CMedienListe& cat) {
    CMedium& m = Medium(cat, "candidates");
    for (int g = 0; g < 1100; ++g)
        for (int i = 0; i < kGroup; ++i) {
            std::string name = "plain" + std::to_string(i);
            if (i == 5) name = g % 3 == 0 ? (g % 2 ? "one x1234" : "ONE X1234") : g % 3 == 1 ? "a123 x12" : "q123 x12";
            if (i == 6) name = g % 3 == 2 ? "4" + std::string(50, 'z') : "b234";
            if (i == 7 && g % 2) name = "mix";
            if (i == 8) name = "c234";
            AddTestEntry(m, nullptr, name, kindFile, i);
        }
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
    {"Densities", Densities},
    {"ManyCandidates", ManyCandidates},
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
                                "abcd",    "edge",       "bc",      "edge abc",   "top",     "mix 12",
                                "half",    "rare",       "1234",    "mix 1234",   "x1234"};

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
    const std::string whole = TreeFind(cat, nullptr, true);
    // Fewer places in a large index: each costs every query over all its entries.
    const size_t places = bytes.size() > (size_t(1) << 18) ? 40 : 400;
    const size_t step = std::max<size_t>(1, bytes.size() / places);
    for (size_t at = 0; at < bytes.size(); at += step) {
        for (const bool cut : {false, true}) {
            std::string damaged = bytes;
            if (cut) damaged.resize(at);
            else damaged[at] = char(damaged[at] ^ 0x41);
            const auto index = TNameIndex::FromBytes(damaged, kData, Offsets(cat));
            if (cut || at < 96) {
                EXPECT_FALSE(index) << (cut ? "cut at " : "header byte ") << at;
            }
            if (!index) continue;
            const std::string all = IndexFind(index.get(), nullptr, {});
            if (all != "damaged") {
                EXPECT_EQ(all, whole) << "byte " << at;
            }
            for (size_t q = 0; q < truth.size(); ++q) {
                const std::string answer = IndexFind(index.get(), &queries[q], every);
                if (answer != "damaged") {
                    EXPECT_EQ(answer, truth[q]) << kQueries[q] << ", byte " << at;
                }
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

    // A rotted block: the rebuild gives up and the index in place stays as it was.
    int32_t block = -1;
    for (int i = 0; i < again.Count() && block < 0; ++i) block = again.GetMedium(i)->DataOffset;
    ASSERT_GE(block, 0);
    std::string data = ReadWholeFile(again.DataFileName);
    data[size_t(block) + 20] = char(data[size_t(block) + 20] ^ 0x55);
    WriteWholeFile(again.DataFileName, data);
    EXPECT_FALSE(RebuildNameIndex(index, stop)) << "rebuilt over a rotted block";
    EXPECT_TRUE(ReadWholeFile(place) == saved) << "the index in place changed";
}

// The group table is not summed when the index opens: a record changed there must still make
// the groups it leads to fail, never answer with another group's entries.
TEST_P(NameIndexOf, AChangedGroupRecordIsNeverAnswered) {
    const std::string bytes = Written(cat);
    const auto h = nameindex::DecodeHeader(bytes);
    ASSERT_TRUE(h);
    if (h->blocks < 2) GTEST_SKIP() << "one group only";
    const size_t first = h->blockTable, second = first + nameindex::kBlockRecord;
    const struct {
        const char* name;
        std::function<void(std::string&)> change;
    } cases[] = {
        {"two records swapped", [&](std::string& b) {
             std::swap_ranges(b.begin() + long(first), b.begin() + long(second), b.begin() + long(second));
         }},
        {"a record copied over the next", [&](std::string& b) {
             std::copy(b.begin() + long(first), b.begin() + long(second), b.begin() + long(second));
         }},
        {"names size one less", [&](std::string& b) { --b[first + 8]; }},
        {"other fields' size one more", [&](std::string& b) { ++b[first + 20]; }},
    };
    for (const auto& c : cases) {
        std::string changed = bytes;
        c.change(changed);
        const auto index = TNameIndex::FromBytes(changed, kData, Offsets(cat));
        ASSERT_TRUE(index) << c.name << ": the group table is looked at only when a group is read";
        EXPECT_EQ(IndexFind(index.get(), nullptr, {}), "damaged") << c.name;
    }
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
        h.tablesSum = nameindex::TablesSum(nameindex::EncodeHeader(h), {}, {});
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

namespace {

using nameindex::DecodeGroupList;
using nameindex::EncodeGroupList;

std::vector<uint32_t> EveryNth(uint32_t from, uint32_t to, uint32_t step) {
    std::vector<uint32_t> groups;
    for (uint32_t g = from; g < to; g += step) groups.push_back(g);
    return groups;
}

// Each list comes back as it went in, in the form that is shortest for it.
TEST(NameIndexGroupList, TakesTheShortestFormAndReadsItBack) {
    std::vector<uint32_t> allButTwo = EveryNth(0, 5000, 1);
    allButTwo.erase(allButTwo.begin() + 4000);
    allButTwo.erase(allButTwo.begin());
    const struct {
        const char* name;
        std::vector<uint32_t> groups;
        uint32_t blocks;
        uint8_t form;
    } cases[] = {
        {"one group", {7}, 10, nameindex::kListSteps},
        {"the last group", {99999}, 100000, nameindex::kListSteps},
        {"a few far apart", {3, 900, 40000, 99998}, 100000, nameindex::kListSteps},
        {"every group", EveryNth(0, 5000, 1), 5000, nameindex::kListMissing},
        {"all but two", allButTwo, 5000, nameindex::kListMissing},
        {"a run in the middle", EveryNth(60000, 61000, 1), 100000, nameindex::kListBitmap},
        {"every other group", EveryNth(1, 5000, 2), 5000, nameindex::kListBitmap},
        {"every tenth group", EveryNth(4, 100000, 10), 100000, nameindex::kListSplit},
        {"every 300th group", EveryNth(0, 100000, 300), 100000, nameindex::kListSplit},
    };
    for (const auto& c : cases) {
        const std::string list = EncodeGroupList(c.groups, c.blocks);
        ASSERT_FALSE(list.empty()) << c.name;
        EXPECT_EQ(int(static_cast<unsigned char>(list[0])), int(c.form)) << c.name;
        std::vector<uint32_t> back;
        EXPECT_TRUE(DecodeGroupList(list, c.groups.size(), c.blocks, back)) << c.name;
        EXPECT_EQ(back, c.groups) << c.name;
        // The steps form, from which the writer starts, gives the same list.
        std::string steps;
        for (size_t i = 0; i < c.groups.size(); ++i)
            nameindex::PutVarint(steps, i ? c.groups[i] - c.groups[i - 1] : c.groups[0]);
        EXPECT_LE(list.size(), steps.size() + 1) << c.name;
        EXPECT_EQ(nameindex::ShortestGroupList(steps, c.groups.size(), c.groups.front(), c.groups.back(), c.blocks),
                  list)
            << c.name;
    }
}

// A list that does not hold together for its count and the groups there are is refused.
TEST(NameIndexGroupList, RefusesAListThatDoesNotAddUp) {
    const std::string split = EncodeGroupList(EveryNth(4, 100000, 10), 100000);
    const std::string bitmap = EncodeGroupList(EveryNth(1, 5000, 2), 5000);
    const std::string missing = EncodeGroupList(EveryNth(0, 5000, 1), 5000);
    std::string splitExtraBit = split;
    splitExtraBit.back() = char(splitExtraBit.back() | 0x80);
    std::string splitLowBits = split;
    splitLowBits[1] = char(40);
    const struct {
        const char* name;
        std::string list;
        uint64_t count;
        uint32_t blocks;
    } cases[] = {
        {"nothing", "", 1, 10},
        {"an unknown form", std::string("\x09\x01", 2), 1, 10},
        {"steps past the last group", std::string("\x00\x05\x05", 3), 2, 10},
        {"a step of nothing", std::string("\x00\x02\x00", 3), 2, 10},
        {"steps left over", std::string("\x00\x02\x01", 3), 1, 10},
        {"more groups listed than there are", std::string("\x00\x00\x01\x01", 4), 3, 2},
        {"a bitmap counted one short", bitmap, 2499, 5000},
        {"a bitmap counted one over", bitmap, 2501, 5000},
        {"a bitmap past the last group", bitmap, 2500, 4000},
        {"missing groups counted wrong", missing, 4999, 5000},
        {"split bits for one group more", splitExtraBit, 10000, 100000},
        {"split counted one short", split, 9999, 100000},
        {"split with too many low bits", splitLowBits, 10000, 100000},
        {"split cut short", split.substr(0, split.size() - 1), 10000, 100000},
    };
    for (const auto& c : cases) {
        std::vector<uint32_t> groups;
        EXPECT_FALSE(DecodeGroupList(c.list, c.count, c.blocks, groups)) << c.name;
    }
}

// Whole seconds only when they give the very same date back, as the scan makes it.
TEST(NameIndexDates, AreWholeSecondsOnlyWhenTheyGiveTheDateBack) {
    const struct {
        const char* name;
        double date;
        bool whole;
    } cases[] = {
        {"midnight", 45000.0, true},
        {"a quarter day", 45100.25, true},
        {"a scanned time", double(19000 + kDayCountOf1970) + 51234 / 86400.0, true},
        {"the last second of a day", 45000.0 + 86399 / 86400.0, true},
        {"before day 0", -2.5, true},
        {"before day 0, seconds in", -3.0 + 3601 / 86400.0, true},
        {"a fraction of a second", 45000.0 + 0.5 / 86400.0, false},
        {"a random fraction", 36526.0 + 0.123456789, false},
        {"not a number", std::nan(""), false},
        {"far too late", 1e300, false},
    };
    for (const auto& c : cases) {
        const auto seconds = nameindex::WholeSeconds(c.date);
        EXPECT_EQ(seconds.has_value(), c.whole) << c.name;
        if (seconds) {
            EXPECT_EQ(nameindex::DoubleBits(nameindex::DateOfSeconds(*seconds)), nameindex::DoubleBits(c.date))
                << c.name;
        }
    }
}

} // namespace

namespace {

using nameindex::TNameRuns;

// Names come back byte for byte through the runs of other names, whatever bytes they hold.
TEST(NameIndexRuns, GiveEveryNameBackAndShortenCommonOnes) {
    static const std::string kForty(40, 'z');
    const std::vector<std::string_view> sample{"holiday photos", "photos of the holiday", "IMG_0001.JPG",
                                               "IMG_0002.JPG", "Caf\xE9 \xFF\xFE", "\xFF\xFF\xFF\xFF",
                                               kForty, kForty};
    const std::string table = TNameRuns::Commonest(sample);
    // A record holds a run of 15 bytes at most, however long the run the names repeat.
    ASSERT_EQ(table.size(), nameindex::kRunRecord * nameindex::kRunCodes);
    for (size_t k = 0; k < nameindex::kRunCodes; ++k)
        EXPECT_LE(size_t(static_cast<unsigned char>(table[k * nameindex::kRunRecord])), nameindex::kRunLength) << k;
    const TNameRuns runs(table);
    const struct {
        const char* name;
        std::string raw;
        bool shorter;
    } cases[] = {
        {"a name of the sample", "holiday photos", true},
        {"common runs in a new name", "photos holiday IMG_0003.JPG", true},
        {"no common run", "zqxv", false},
        {"bytes past 0x7F", "Caf\xE9 \xFF\xFE\x80\xFE", false},
        {"the escape byte only", "\xFF\xFF\xFF\xFF", true},
        {"a NUL and a lone byte", std::string("a\0b", 3), false},
        {"nothing", "", false},
    };
    for (const auto& c : cases) {
        std::string packed, back;
        runs.Encode(c.raw, packed);
        EXPECT_EQ(packed.size() < c.raw.size(), c.shorter) << c.name;
        ASSERT_TRUE(runs.Decode(packed, c.raw.size(), back)) << c.name;
        EXPECT_EQ(back, c.raw) << c.name;
    }
}

TEST(NameIndexRuns, RefuseBytesThatDoNotComeToTheSize) {
    const TNameRuns runs(TNameRuns::Commonest({"abab", "abab"}));
    const struct {
        const char* name;
        std::string packed;
        size_t size;
    } cases[] = {
        {"an escape at the end", "x\xFF", 2},
        {"one byte too many", "xyz", 2},
        {"one byte too few", "xy", 3},
        {"a pair past the size", "x\x80", 2},
        {"a size no packing of two bytes reaches", "xy", 4294967224u},
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_FALSE(runs.Decode(c.packed, c.size, out)) << c.name;
        // A refused size is never reserved: a damaged group must not cost gigabytes.
        EXPECT_LT(out.capacity(), 1024u) << c.name;
    }
}

} // namespace

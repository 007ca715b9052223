#include "catalogue/mediaclasses.h"
#include "search/findservice.h"
#include "search/quickfind.h"
#include "catalogue/entrywalk.h"
#include "support/catalogue_text.h"
#include "support/testfiles.h"
#include "support/textindex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

// Media "One" (A/B/deep.txt, A/mid.txt, top.txt), "Two" and "Three" (a file each), saved and
// opened again: no content is in memory.
class FindService : public ::testing::Test {
protected:
    void SetUp() override {
        CMedienListe built;
        CMedium& one = AddMedium(built, "One");
        CFile* a = AddTestEntry(one, nullptr, "A", kindFolder);
        AddTestEntry(one, AddTestEntry(one, a, "B", kindFolder), "deep.txt", kindFile, 5);
        AddTestEntry(one, a, "mid.txt", kindFile, 6);
        AddTestEntry(one, nullptr, "top.txt", kindFile, 9);
        AddTestEntry(AddMedium(built, "Two"), nullptr, "two.txt", kindFile, 1);
        AddTestEntry(AddMedium(built, "Three"), nullptr, "three.txt", kindFile, 2);
        ASSERT_TRUE(built.Save(dir.File("cat.SXF")));
        ASSERT_TRUE(cat.Load(dir.File("cat.SXF")));
        service.Serve(&cat);
    }
    static CMedium& AddMedium(CMedienListe& to, const std::string& name) {
        CMedium& m = *to.AddMedium(std::make_unique<CMedium>(&to));
        m.Name = name;
        m.ContentLoaded = true;
        return m;
    }
    // Until the reading has told of its end (each medium handed over, then the end).
    void WaitForReadingsEnd(int media) {
        for (int i = 0; i < 10000 && readies < media + 1; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(readies, media + 1);
    }
    std::string States() const { return States(cat); }
    std::string States(const CMedienListe& of) const {
        std::string states;
        for (int i = 0; i < of.Count(); ++i) states += "NRL"[int(service.StateOf(*of.GetMedium(i)))];
        return states;
    }

    TempDir dir;
    CMedienListe cat;
    std::atomic<int> readies{0};
    TFindService service{[this] { ++readies; }};
};

// Which media the reading takes, what each is meanwhile, and what its Adopt brings in.
TEST_F(FindService, ReadingTakesOnlyWhatIsNotInMemory) {
    const struct {
        const char* name;
        std::function<void(CMedienListe&)> before; // between opening and reading
        int read;                                  // media the reading takes
        const char* whileRead;                     // states once read, before Adopt
        bool moveTwo;                              // a save moved Two's block meanwhile
        std::vector<std::string> adopted;
        const char* after;
    } cases[] = {
        {"every medium of a fresh open", [](CMedienListe&) {}, 3, "RRR", false, {"One", "Two", "Three"}, "LLL"},
        {"a medium loaded before is not read again",
         [](CMedienListe& c) { ASSERT_TRUE(c.GetMedium(1)->LoadContent(c.DataFileName)); }, 2, "RLR",
         false, {"One", "Three"}, "LLL"},
        {"a medium whose block moved meanwhile keeps none", [](CMedienListe&) {}, 3, "RRR", true,
         {"One", "Three"}, "LNL"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CMedienListe opened;
        ASSERT_TRUE(opened.Load(dir.File("cat.SXF")));
        service.Serve(&opened);
        readies = 0;
        c.before(opened);
        service.ReadContents();
        EXPECT_TRUE(service.Reading());
        WaitForReadingsEnd(c.read);
        EXPECT_EQ(States(opened), c.whileRead);
        EXPECT_EQ(service.ReadProgress().total, c.read);
        if (c.moveTwo) opened.GetMedium(1)->DataOffset += 1;
        std::vector<std::string> adopted;
        for (CMedium* medium : service.Adopt().media) adopted.push_back(medium->Name);
        EXPECT_EQ(adopted, c.adopted);
        EXPECT_EQ(States(opened), c.after);
        EXPECT_FALSE(service.Reading());
        EXPECT_EQ(service.ReadProgress().done, c.read);
        service.Serve(nullptr);
    }
}

TEST_F(FindService, StoppedReadingLeavesEveryMediumAsItWas) {
    service.ReadContents();
    WaitForReadingsEnd(3);
    service.StopReading();
    EXPECT_FALSE(service.Reading());
    EXPECT_EQ(States(), "NNN");
    EXPECT_TRUE(service.Adopt().media.empty());
    // The next reading takes them all again.
    readies = 0;
    service.ReadContents();
    WaitForReadingsEnd(3);
    EXPECT_EQ(service.Adopt().media.size(), 3u);
}

TEST_F(FindService, LoadBringsInTheOneMedium) {
    ASSERT_TRUE(service.Load(*cat.GetMedium(2)));
    EXPECT_EQ(States(), "NNL");
    EXPECT_EQ(cat.GetMedium(2)->GetEntry(0)->Name(), "three.txt");
    service.Serve(nullptr);
    EXPECT_FALSE(service.Load(*cat.GetMedium(0))) << "no catalogue served, no file to read";
}

TEST_F(FindService, EntryByNumberCountsParentsBeforeChildren) {
    ASSERT_TRUE(service.Load(*cat.GetMedium(0)));
    const struct {
        uint64_t number;
        const char* name; // none: past the last
    } cases[] = {{0, "A"}, {1, "B"}, {2, "deep.txt"}, {3, "mid.txt"}, {4, "top.txt"}, {5, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        CFile* entry = EntryByNumber(*cat.GetMedium(0), c.number);
        if (!c.name) {
            EXPECT_EQ(entry, nullptr);
            continue;
        }
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->Name(), c.name);
    }
}

} // namespace


namespace {

class FindServiceIndex : public FindService {
protected:
    void SetUp() override {
        FindService::SetUp();
        service.Serve(nullptr);
        service.SetIndexBackend(backend.Make());
        service.Serve(&cat);
    }
    void WaitForIndex() {
        for (int i = 0; i < 10000 && service.MakingIndex(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_FALSE(service.MakingIndex());
    }
    std::vector<std::string> FoundNames(bool removed, const char* words) {
        const TFindService::TFindPlan plan = service.Plan(removed);
        std::vector<std::string> names;
        std::atomic<bool> stop{false};
        EXPECT_TRUE(TFindService::FindIndexed(plan, *TQuickFindQuery::Compile(words), stop,
                                              [&](TSearchResults& rows, std::vector<TIndexedRow>& indexed) {
            for (const TSearchRow& row : rows) {
                EXPECT_EQ(row.medium, indexed[row.indexRow].medium);
                names.push_back(row.medium->Name + ":" + indexed[row.indexRow].name);
            }
        }));
        for (CMedium* medium : plan.contents) names.push_back(medium->Name + ": from its tree");
        return names;
    }
    std::string Beside() const { return dir.File("cat.SXI"); }

    TextIndexBackend backend;
};

// A catalogue without an index gets one made, opened by the next Adopt; no content is read for
// the find once it answers.
TEST_F(FindServiceIndex, MadeWhenMissingThenAnswers) {
    service.Refresh();
    EXPECT_EQ(service.Index(), nullptr);
    EXPECT_TRUE(service.Reading()) << "the trees answer meanwhile";
    WaitForIndex();
    EXPECT_EQ(backend.made, 1);
    const TFindService::TAdopted adopted = service.Adopt();
    EXPECT_TRUE(adopted.indexOpened);
    ASSERT_NE(service.Index(), nullptr);
    EXPECT_FALSE(service.Reading()) << "the reading for the find stops";
    EXPECT_EQ(FoundNames(false, "txt"), (std::vector<std::string>{"One:deep.txt", "One:mid.txt", "One:top.txt",
                                                                  "Two:two.txt", "Three:three.txt"}));
}

TEST_F(FindServiceIndex, WhichIndexAnswers) {
    const struct {
        const char* name;
        const char* kept; // what the index file beside holds; none: no file
        bool failing;     // making it fails
        bool answersAtOnce, made, answersLater;
    } cases[] = {
        {"the one of the data file", "good", false, true, false, true},
        {"one of another data file is made anew", "1 2 3", false, false, true, true},
        {"a missing one is made", nullptr, false, false, true, true},
        {"one that cannot be made leaves the trees to answer", nullptr, true, false, true, false},
    };
    const std::string good = StampText(cat.DataFileAge);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(Beside().c_str());
        if (c.kept) WriteWholeFile(Beside(), c.kept == std::string("good") ? good : c.kept);
        backend.made = 0;
        backend.failing = c.failing;
        service.Serve(nullptr);
        service.Serve(&cat);
        service.Refresh();
        EXPECT_EQ(service.Index() != nullptr, c.answersAtOnce);
        WaitForIndex();
        EXPECT_EQ(service.Adopt().indexOpened, !c.answersAtOnce && c.answersLater);
        EXPECT_EQ(service.Index() != nullptr, c.answersLater);
        EXPECT_EQ(backend.made, c.made ? 1 : 0);
    }
}

// Media the index does not hold as they are now are found in their trees; removed ones only when
// asked for.
TEST_F(FindServiceIndex, PlanLeavesChangedMediaToTheirTrees) {
    WriteWholeFile(Beside(), StampText(cat.DataFileAge));
    service.Refresh();
    ASSERT_NE(service.Index(), nullptr);
    cat.GetMedium(1)->Present = false;
    EXPECT_EQ(FoundNames(false, "t"), (std::vector<std::string>{"One:deep.txt", "One:mid.txt", "One:top.txt",
                                                                "Three:three.txt"}));
    EXPECT_EQ(FoundNames(true, "two"), std::vector<std::string>{"Two:two.txt"});
    // A tree changed in memory, and a medium the data file does not hold yet.
    ASSERT_TRUE(service.Load(*cat.GetMedium(2)));
    cat.GetMedium(2)->Stored = false;
    CMedium& added = *cat.AddMedium(std::make_unique<CMedium>(&cat));
    added.Name = "New";
    added.ContentLoaded = true;
    EXPECT_EQ(FoundNames(false, "three"), (std::vector<std::string>{"Three: from its tree", "New: from its tree"}));
    // Once the data file changes (a save), the index is no longer asked.
    cat.DataFileAge.seconds += 1;
    EXPECT_EQ(FoundNames(false, "deep"), (std::vector<std::string>{"Three: from its tree", "New: from its tree"}))
        << "the trees in memory, nothing from the index";
}

} // namespace

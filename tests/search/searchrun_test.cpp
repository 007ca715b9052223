#include "catalogue/mediaclasses.h"
#include "catalogue/contentloading.h"
#include "search/quickfind.h"
#include "search/searchrun.h"
#include "support/catalogue_text.h"
#include "support/testfiles.h"
#include "support/threadcount.h"

#include <algorithm>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Three media: "One" (a folder A with B inside, files at each level, an archive with a member),
// "Two" removed, "Three" with one file and a file that holds a member. Saved, then opened again so that no content is loaded.
class SearchRun : public ::testing::Test {
protected:
    void SetUp() override {
        CMedienListe built;
        CMedium& one = AddMedium(built, "One");
        CFile* a = AddTestEntry(one, nullptr, "A", kindFolder);
        CFile* b = AddTestEntry(one, a, "B", kindFolder);
        AddTestEntry(one, b, "deep.txt", kindFile, 5);
        AddTestEntry(one, a, "mid.txt", kindFile, 6);
        CFile* zip = AddTestEntry(one, nullptr, "pack.zip", kindArchive, 7);
        AddTestEntry(one, zip, "member.txt", kindFile, 8);
        AddTestEntry(one, nullptr, "top.txt", kindFile, 9);
        CMedium& two = AddMedium(built, "Two");
        two.Present = false;
        AddTestEntry(two, nullptr, "gone.txt", kindFile, 1);
        CMedium& three = AddMedium(built, "Three");
        AddTestEntry(three, nullptr, "last.txt", kindFile, 2);
        // A plain file holding members, as an imported catalogue may have it.
        AddTestEntry(three, AddTestEntry(three, nullptr, "backup.7z", kindFile, 3), "inside.txt", kindFile, 4);
        fileName = dir.File("cat.SXF");
        ASSERT_TRUE(built.Save(fileName));
        ASSERT_TRUE(cat.Load(fileName));
        request.Catalogue = &cat;
        request.Results = &results;
    }
    static CMedium& AddMedium(CMedienListe& to, const std::string& name) {
        CMedium& m = *to.AddMedium(std::make_unique<CMedium>(&to));
        m.Name = name;
        m.VolumeLabel = "L" + name;
        m.Serial = "00000001";
        m.ContentLoaded = true;
        return m;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const TSearchRow& row : results) texts.emplace_back(row.Text());
        return texts;
    }
    int LoadedCount() const {
        int loaded = 0;
        for (int i = 0; i < cat.Count(); ++i) loaded += cat.GetMedium(i)->ContentLoaded;
        return loaded;
    }

    TempDir dir;
    std::string fileName;
    CMedienListe cat;
    TSearchResults results;
    TSearchRequest request;
};

TEST_F(SearchRun, NamesOnlyLoadsNothing) {
    request.MaskText = "*";
    request.MatchNames = true;
    TSearchRun run(request);
    EXPECT_TRUE(run.Execute());
    EXPECT_EQ(run.ItemCount(), 3) << "one item per medium";
    EXPECT_EQ(Texts(), (std::vector<std::string>{"One", "Two", "Three"})) << "removed media too";
    EXPECT_EQ(LoadedCount(), 0);
}

TEST_F(SearchRun, EntriesDepthFirstAfterTheirMediumOnAnyThreadCount) {
    request.MaskText = "*";
    request.MatchNames = request.MatchFiles = request.MatchFolders = true;
    for (int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        ScopedThreadCount count(threads);
        CMedienListe fresh; // nothing loaded: the workers load what they search
        ASSERT_TRUE(fresh.Load(fileName));
        request.Catalogue = &fresh;
        results.clear();
        TSearchRun run(request);
        EXPECT_TRUE(run.Execute());
        EXPECT_EQ(Texts(), (std::vector<std::string>{
                               "One", "A", "B", "deep.txt", "mid.txt", "pack.zip", "member.txt", "top.txt",
                               "Two", "gone.txt", "Three", "last.txt", "backup.7z", "inside.txt"}));
        EXPECT_EQ(run.ItemCount(), 14) << "every medium and every entry at every depth";
        for (int i = 0; i < fresh.Count(); ++i) {
            EXPECT_TRUE(fresh.GetMedium(i)->ContentLoaded) << "loaded contents stay";
            EXPECT_TRUE(fresh.GetMedium(i)->Stored) << "unchanged";
        }
    }
}

TEST_F(SearchRun, CountsWhateverMatches) {
    request.MaskText = "m";
    request.MatchFiles = true;
    TSearchRun run(request);
    EXPECT_TRUE(run.Execute());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"mid.txt", "member.txt"}));
    EXPECT_EQ(run.ItemCount(), 14);
}

TEST_F(SearchRun, BadMaskEndsWithoutRows) {
    for (const char* mask : {"", "[a-z", "!"}) {
        request.MaskText = mask;
        request.MatchNames = request.MatchFiles = true;
        TSearchRun run(request);
        EXPECT_FALSE(run.Execute()) << mask;
        EXPECT_TRUE(results.empty());
        EXPECT_EQ(LoadedCount(), 0) << "nothing was walked";
    }
}

TEST_F(SearchRun, UnreadableContentSkipsOnlyThatMedium) {
    // The data file loses its bytes: every load fails, the media's own rows remain.
    WriteWholeFile(cat.DataFileName, "broken");
    request.MaskText = "*";
    request.MatchNames = request.MatchFiles = true;
    TSearchRun run(request);
    EXPECT_TRUE(run.Execute());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"One", "Two", "Three"}));
}

// Stops after a given number of polls, the way the Stop button does.
class StoppingRun : public TSearchRun {
public:
    StoppingRun(const TSearchRequest& request, int polls) : TSearchRun(request), left_(polls) {
        SetStopFlag(&stop_);
    }
    std::vector<std::string> positions;

protected:
    void Poll() override {
        if (--left_ <= 0) stop_ = true;
    }
    void PositionChanged(const CMedium& medium, const CFile* folder) override {
        positions.push_back(medium.Name + (folder ? " / " + std::string(folder->Name()) : ""));
    }

private:
    bool stop_ = false;
    int left_;
};

TEST_F(SearchRun, StopKeepsTheRowsFoundSoFar) {
    ScopedThreadCount oneThread(1); // the walk on one thread looks at the stop flag per entry
    request.MaskText = "*";
    request.MatchNames = request.MatchFiles = request.MatchFolders = true;
    // Polls: after medium One (1), before entry A (2), at A's start (3), after A's position (4),
    // at B's start (5): the run ends there, before B is counted.
    StoppingRun run(request, 5);
    EXPECT_TRUE(run.Execute());
    EXPECT_TRUE(run.Stopped());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"One", "A"}));
    EXPECT_EQ(run.ItemCount(), 2);
    EXPECT_EQ(run.positions, (std::vector<std::string>{"One", "One / A"}));

    results.clear();
    StoppingRun whole(request, 1000);
    whole.Execute();
    EXPECT_EQ(whole.positions,
              (std::vector<std::string>{"One", "One / A", "One / B", "One / pack.zip", "Two",
                                        "Three", "Three / backup.7z"}))
        << "per medium and per entry with children, never per plain file";
}

TEST_F(SearchRun, StopOnWorkersKeepsTheFirstRowsInOrder) {
    request.MaskText = "*";
    request.MatchNames = request.MatchFiles = request.MatchFolders = true;
    TSearchRun whole(request);
    whole.Execute();
    const std::vector<std::string> all = Texts();
    ScopedThreadCount threads(4);
    CMedienListe fresh;
    ASSERT_TRUE(fresh.Load(fileName));
    request.Catalogue = &fresh;
    results.clear();
    StoppingRun run(request, 1); // stopped once the first medium's rows are in
    EXPECT_TRUE(run.Execute());
    EXPECT_TRUE(run.Stopped());
    const std::vector<std::string> kept = Texts();
    ASSERT_FALSE(kept.empty());
    EXPECT_LT(kept.size(), all.size());
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), all.begin())) << "a prefix of the whole run";
}

TEST(SearchRunDeep, TreesDeeperThanTheStack) {
    CMedienListe cat;
    CMedium& m = *cat.AddMedium(std::make_unique<CMedium>(&cat));
    m.ContentLoaded = true;
    CFile* parent = nullptr;
    for (int depth = 0; depth < 200000; ++depth)
        parent = AddTestEntry(m, parent, depth == 199999 ? "needle" : "d", kindFolder);
    TSearchResults results;
    TSearchRequest request;
    request.Catalogue = &cat;
    request.MaskText = "needle";
    request.MatchFolders = true;
    request.Results = &results;
    TSearchRun run(request);
    run.Execute();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].Text(), "needle");
    EXPECT_EQ(run.ItemCount(), 200001);
}

} // namespace

TEST(QuickFindQuery, WordsAndMasks) {
    const struct {
        const char* what;
        const char* text;
        const char* name;
        bool matches;
    } cases[] = {
        {"a word anywhere, case of a-z ignored", "PORT", "report.txt", true},
        {"every word must be there", "rep txt", "report.txt", true},
        {"one word missing", "rep doc", "report.txt", false},
        {"other letters keep their case", "\xC3\xA4", "\xC3\x84rger", false},
        {"special characters are plain in a word", "(1)", "copy (1).txt", true},
        {"a word too rich in them for a mask", "#!(#!(#!(#!(#!(", "x#!(#!(#!(#!(#!(y", true},
        {"a word with * is a mask from the start", "*.TXT", "report.txt", true},
        {"a mask without a star matches the beginning", "rep?rt", "report.txt", true},
        {"... and only there", "port?", "report.txt", false},
    };
    for (const auto& c : cases) {
        const auto query = TQuickFindQuery::Compile(c.text);
        ASSERT_TRUE(query) << c.what;
        EXPECT_EQ(query->Matches(c.name), c.matches) << c.what;
    }
    EXPECT_FALSE(TQuickFindQuery::Compile("  ")) << "no word";
    EXPECT_FALSE(TQuickFindQuery::Compile("ok [x*")) << "a mask that cannot be compiled";
}

// Contents read apart from their media, taken over, then found in order on any thread count.
TEST_F(SearchRun, QuickFindOverContentsReadInTheBackground) {
    std::vector<TDetachedContent> contents;
    std::vector<CMedium*> media;
    for (int i = 0; i < cat.Count(); ++i) {
        CMedium* m = cat.GetMedium(i);
        contents.push_back({m, m->DataOffset, m->ContentLength, nullptr});
        media.push_back(m);
    }
    const std::atomic<bool> going{false}, stopped{true};
    ReadContentsDetached(std::move(contents), cat.DataFileName, cat.DataFileAge, going, [](TDetachedContent& read) {
        ASSERT_TRUE(read.loaded);
        EXPECT_FALSE(read.medium->ContentLoaded) << "the medium itself is not touched";
        read.medium->AdoptContent(*read.loaded);
    });
    ASSERT_EQ(LoadedCount(), 3);
    EXPECT_EQ(cat.GetMedium(0)->GetEntry(0)->GetEntry(0)->Medium, cat.GetMedium(0));
    const auto query = TQuickFindQuery::Compile("TXT");
    for (int threads : {1, 3}) {
        std::vector<std::string> names;
        EXPECT_TRUE(RunQuickFind(media, *query, going, [&](TSearchResults& rows) {
            for (const TSearchRow& row : rows) names.emplace_back(row.Text());
        }, threads));
        EXPECT_EQ(names, (std::vector<std::string>{"deep.txt", "mid.txt", "member.txt", "top.txt",
                                                   "gone.txt", "last.txt", "inside.txt"}))
            << "a plain file holding members is entered as the search enters it";
        EXPECT_FALSE(RunQuickFind(media, *query, stopped, [](TSearchResults&) { FAIL(); }, threads));
    }
}

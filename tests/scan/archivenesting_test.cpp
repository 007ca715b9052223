// Archive members go under their whole folder paths in one pass, in archive order.
#include "scan/archivenesting.h"
#include "scan/scantesting.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

constexpr uint32_t D = faDirectory;

// A member list in memory that remembers how many members were taken.
class FakeMembers : public IMemberSource {
public:
    explicit FakeMembers(std::vector<Member> members) : members_(std::move(members)) {}
    bool Next(MemberView& m) override {
        if (taken >= members_.size()) return false;
        const Member& src = members_[taken++];
        m = {src.path, src.attributes, src.size, src.dos, {}, -1};
        return true;
    }
    size_t taken = 0;

private:
    std::vector<Member> members_;
};

struct Archive {
    CMedienListe cat;
    CMedium medium{&cat};
    CFile* entry = CFile::Create(&medium, nullptr);
    Archive() { medium.AddEntry(entry); }
    std::string Shape() const { return TreeShape(entry->Children()); }
};

struct NestCase {
    const char* name;
    std::vector<Member> members;
    const char* shape;
    Counts counts;
    int unnamed = 0;
    bool dropTrailingSeparator = true;
};

void PrintTo(const NestCase& c, std::ostream* out) { *out << c.name; }

class NestingTable : public ::testing::TestWithParam<NestCase> {};

TEST_P(NestingTable, PlacesMembersAndCountsEachOnce) {
    const NestCase& c = GetParam();
    Archive a;
    FakeMembers source(c.members);
    EXPECT_EQ(NestMembers(source, c.dropTrailingSeparator, a.entry, {}), c.unnamed);
    EXPECT_EQ(a.Shape(), c.shape);
    EXPECT_EQ(CountsOf(a.medium), c.counts);
    EXPECT_EQ(source.taken, c.members.size());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, NestingTable, ::testing::Values(
    NestCase{"FolderThenMemberThenTop", {{"a\\", D, 0}, {"a\\x.txt", 0, 10}, {"b.txt", 0, 20}},
             "a/[x.txt] b.txt", {1, 2, 30}},
    NestCase{"NoFolderMember", {{"dir\\x.txt", 0, 5}}, "dir/[x.txt]", {1, 1, 5}},
    NestCase{"DeepPathWithoutFolderMembers", {{"home\\u\\bin\\tool"}, {"home\\u\\notes"}}, "home/[u/[bin/[tool] notes]]", {3, 2, 2}},
    NestCase{"FolderAfterItsFilesAsWinRarWrites", {{"testdir\\test.txt", 0, 3}, {"testdir", D}, {"test.txt", 0, 4}},
             "testdir/[test.txt] test.txt", {1, 2, 7}},
    NestCase{"FolderMemberComesLater", {{"a\\b\\", D}, {"a\\", D}, {"a\\x", 0}}, "a/[b/ x]", {2, 1, 1}},
    NestCase{"MembersOfAFolderNeedNotFollowIt", {{"a\\", D}, {"b.txt"}, {"a\\c.txt"}}, "a/[c.txt] b.txt", {1, 2, 2}},
    NestCase{"SiblingFolderBetween", {{"a\\", D}, {"b\\", D}, {"a\\x.txt"}}, "a/[x.txt] b/", {2, 1, 1}},
    NestCase{"BackToTheTopAfterTwoLevels", {{"a\\", D}, {"a\\b\\", D}, {"c.txt", 0, 7}},
             "a/[b/] c.txt", {2, 1, 7}},
    NestCase{"DeeperMemberWithoutItsFolder", {{"a\\", D}, {"a\\b\\", D}, {"a\\b\\y"}, {"a\\q\\z"}, {"a\\w"}},
             "a/[b/[y] q/[z] w]", {3, 3, 3}},
    NestCase{"SiblingWhoseNameStartsLikeTheFolder", {{"a\\", D}, {"ab\\c.txt"}}, "a/ ab/[c.txt]", {2, 1, 1}},
    NestCase{"PathsThatShareOnlyLetters", {{"a\\x"}, {"ab\\y"}, {"a\\z"}, {"a\\\\.\\w"}}, "a/[x z w] ab/[y]", {2, 4, 4}},
    NestCase{"RepeatedFolderMemberMakesNoSecondFolder", {{"a\\", D}, {"a\\", D}, {"a\\x"}}, "a/[x]", {1, 1, 1}},
    NestCase{"SamePathsAreAllKept", {{"a\\x", 0, 2}, {"a\\x", 0, 3}}, "a/[x x]", {1, 2, 5}},
    NestCase{"CaseDecides", {{"A\\", D}, {"a\\x"}}, "A/ a/[x]", {2, 1, 1}},
    NestCase{"RefusedNamesAreLeftOutAndCounted", {{"a\\", D}, {"a\\."}, {"a\\..\\", D}, {"\\", D}, {""}, {"a\\k"}},
             "a/[k]", {1, 1, 1}, 4},
    NestCase{"EmptyAndDotComponentsLeadNowhere", {{"\\a\\\\.\\b"}}, "a/[b]", {1, 1, 1}},
    NestCase{"FileAndFolderOfOneName", {{"docs\\", 0, 9}, {"docs\\x", 0, 1}, {"docs", D}}, "docs docs/[x]", {1, 2, 10}},
    NestCase{"NameAfterColon", {{"c:d.txt"}}, "d.txt", {0, 1, 1}},
    NestCase{"NothingLeftAfterTheColon", {{"a:.."}, {"f:..", D}, {"f:..\\x"}, {"b"}}, "x b", {0, 2, 2}, 2},
    NestCase{"InnerArchivesStayClosed", {{"in.ZIP", 0, 4}, {"r.rar\\", D}}, "in.ZIP* r.rar/", {1, 1, 4}},
    NestCase{"RarKeepsTrailingSeparator", {{"a\\", D}, {"b", D}, {"b\\x"}}, "b/[x]", {1, 1, 1}, 1, false}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(Nesting, MemberDates) {
    Archive a;
    FakeMembers source({{"ok", 0, 1, 0x50221866}, {"month0", 0, 1, 0x50020000}, {"feb30", 0, 1, 0x505E0000}});
    NestMembers(source, true, a.entry, {});
    ASSERT_EQ(a.Shape(), "ok month0 feb30") << "impossible dates do not stop the listing";
    EXPECT_DOUBLE_EQ(a.entry->GetEntry(0)->Date, 43832 + (3 * 3600 + 3 * 60 + 12) / 86400.0);
    EXPECT_EQ(a.entry->GetEntry(1)->Date, 0);
    EXPECT_EQ(a.entry->GetEntry(2)->Date, 0);

    // A folder made for a member is dated like it, until the folder's own member comes.
    FakeMembers later({{"d\\x", 0, 1, 0x50221866}, {"e\\y", 0, 1, 0x50221866}, {"e\\", D, 0, 0x50220000}});
    Archive b;
    NestMembers(later, true, b.entry, {});
    EXPECT_EQ(b.entry->GetEntry(0)->Date, a.entry->GetEntry(0)->Date);
    EXPECT_EQ(b.entry->GetEntry(1)->Date, 43832);
}

TEST(Nesting, StopLeavesOpenFoldersInPlace) {
    for (int stopAt : {1, 2, 3, 4}) {
        Archive a;
        FakeMembers source({{"a\\", D}, {"a\\b\\", D}, {"a\\b\\c"}, {"d"}});
        bool stopped = false;
        int polls = 0;
        ScanControl control{&stopped, [&] { stopped = ++polls == stopAt; }};
        NestMembers(source, true, a.entry, control);
        EXPECT_EQ(source.taken, size_t(stopAt - 1)) << "no member is taken once Stop was seen";
        const char* shapes[] = {"", "a/", "a/[b/]", "a/[b/[c]]"};
        EXPECT_EQ(a.Shape(), shapes[stopAt - 1]);
    }
}

TEST(Nesting, DeepFolderMembersNeedNoDeepStack) {
    std::vector<Member> members;
    std::string path;
    for (int i = 0; i < 3000; ++i) members.push_back({path += "d\\", D});
    members.push_back({path + "leaf", 0, 3});
    Archive a;
    FakeMembers source(members);
    NestMembers(source, true, a.entry, {});
    int depth = 0;
    const CFile* e = a.entry;
    while (e->ChildCount() == 1 && e->GetEntry(0)->Kind == kindFolder) e = e->GetEntry(0), ++depth;
    EXPECT_EQ(depth, 3000);
    EXPECT_EQ(TreeShape(e->Children()), "leaf");
    EXPECT_EQ(CountsOf(a.medium), (Counts{3000, 1, 3}));
}

TEST(Nesting, RarListingEndsAtTheFirstFailedCall) {
    struct Case {
        size_t failReadAt, failSkipAt;
        const char* shape;
    };
    for (const Case& c : {Case{SIZE_MAX, SIZE_MAX, "a/[x] y"}, Case{2, SIZE_MAX, "a/[x]"},
                          Case{SIZE_MAX, 1, "a/"}, Case{0, SIZE_MAX, ""}}) {
        Archive a;
        FakeRar rar({{"a", D}, {"a\\x"}, {"y"}});
        rar.failReadAt = c.failReadAt;
        rar.failSkipAt = c.failSkipAt;
        ListRarLevel(rar, a.entry, {});
        EXPECT_EQ(a.Shape(), c.shape) << "placed members stay, the failed one is not looked at";
    }
}

} // namespace

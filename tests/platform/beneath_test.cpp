#include "platform/beneath.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

namespace {

// A medium folder beside a file that is not on it, with links of every kind on the medium.
class Beneath : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        MakeTree(dir.Path(), {"medium/", "medium/docs/", "medium/docs/a.txt:3", "outside.txt:4"});
        char* real = ::realpath(dir.File("medium").c_str(), nullptr);
        medium = real;
        std::free(real);
        const auto link = [&](const std::string& target, const std::string& name) {
            ASSERT_EQ(::symlink(target.c_str(), (medium + "/" + name).c_str()), 0) << name;
        };
        link("docs/a.txt", "inward");
        link("../docs/a.txt", "docs/up-and-in");
        link("docs", "folder-link");
        link("../outside.txt", "outward");
        link("../../outside.txt", "docs/outward-deeper");
        link("/etc/passwd", "absolute");
        link(medium + "/docs/a.txt", "absolute-inward");
        link("inward", "chain");
        link("loop-b", "loop-a");
        link("loop-a", "loop-b");
        link("gone.txt", "dangling");
        SetBeneathWalkOnly(GetParam());
    }
    void TearDown() override { SetBeneathWalkOnly(false); }

    TempDir dir;
    std::string medium;
};

TEST_P(Beneath, OnlyWhatLiesOnTheMediumIsReached) {
    const struct {
        const char* relative;
        TBeneath result;
        const char* resolved; // beneath the medium, for Inside
    } cases[] = {
        {"docs/a.txt", TBeneath::Inside, "docs/a.txt"},
        {"", TBeneath::Inside, ""},
        {"docs", TBeneath::Inside, "docs"},
        {"docs/../docs/./a.txt", TBeneath::Inside, "docs/a.txt"},
        {"inward", TBeneath::Inside, "docs/a.txt"},
        {"docs/up-and-in", TBeneath::Inside, "docs/a.txt"},
        {"folder-link/a.txt", TBeneath::Inside, "docs/a.txt"},
        {"chain", TBeneath::Inside, "docs/a.txt"},
        {"..", TBeneath::Outside, nullptr},
        {"../outside.txt", TBeneath::Outside, nullptr},
        {"docs/../../outside.txt", TBeneath::Outside, nullptr},
        {"docs/../../../../../../../etc/passwd", TBeneath::Outside, nullptr},
        {"/etc/passwd", TBeneath::Outside, nullptr},
        {"outward", TBeneath::Outside, nullptr},
        {"docs/outward-deeper", TBeneath::Outside, nullptr},
        {"absolute", TBeneath::Outside, nullptr},
        // Where an absolute link leads depends on where the medium is mounted: refused too.
        {"absolute-inward", TBeneath::Outside, nullptr},
        {"loop-a", TBeneath::Outside, nullptr},
        {"docs/missing.txt", TBeneath::Missing, nullptr},
        {"dangling", TBeneath::Missing, nullptr},
        {"docs/a.txt/below", TBeneath::Missing, nullptr},
    };
    for (const auto& c : cases) {
        const TBeneathPath found = ResolveBeneath(medium, c.relative);
        EXPECT_EQ(found.result, c.result) << c.relative;
        if (c.resolved)
            EXPECT_EQ(found.path, *c.resolved ? medium + "/" + c.resolved : medium) << c.relative;
        else
            EXPECT_TRUE(found.path.empty()) << c.relative;
    }
}

TEST_P(Beneath, AMediumFolderThatIsNotThereFails) {
    const TBeneathPath found = ResolveBeneath(dir.File("unmounted"), "docs/a.txt");
    EXPECT_EQ(found.result, TBeneath::Failed);
    EXPECT_EQ(found.error, ENOENT);
}

INSTANTIATE_TEST_SUITE_P(KernelAndWalk, Beneath, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ComponentWalk" : "Openat2"; });

} // namespace

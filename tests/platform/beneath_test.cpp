#include "platform/beneath.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// Run with openat2 and with the walk that stands in for it where the kernel lacks it.
class Beneath : public ::testing::TestWithParam<bool> {};

TEST_P(Beneath, OnlyWhatLiesOnTheMediumIsReached) {
    SetBeneathWalkOnly(GetParam());
    TempDir dir;
    MakeTree(dir.Path(), {"medium/docs/a.txt:3", "outside.txt:4"});
    const std::string medium = std::filesystem::canonical(dir.File("medium"));
    const std::pair<const char*, std::string> links[] = {
        {"inward", "docs/a.txt"},      {"docs/up-and-in", "../docs/a.txt"},
        {"chain", "inward"},           {"folder", "docs"},
        {"outward", "../outside.txt"}, {"docs/deeper", "../../outside.txt"},
        {"absolute", "/etc/passwd"},   {"absolute-inward", medium + "/docs/a.txt"},
        {"loop", "loop"},              {"dangling", "gone.txt"},
    };
    for (const auto& [name, target] : links) std::filesystem::create_symlink(target, medium + "/" + name);
    const struct {
        const char* relative;
        TBeneath result;
        const char* resolved = nullptr; // beneath the medium, for Inside
    } cases[] = {
        {"docs/a.txt", TBeneath::Inside, "/docs/a.txt"},
        {"", TBeneath::Inside, ""},
        {"docs/.././docs/a.txt", TBeneath::Inside, "/docs/a.txt"},
        {"inward", TBeneath::Inside, "/docs/a.txt"},
        {"docs/up-and-in", TBeneath::Inside, "/docs/a.txt"},
        {"chain", TBeneath::Inside, "/docs/a.txt"},
        {"folder/a.txt", TBeneath::Inside, "/docs/a.txt"},
        {"..", TBeneath::Outside},
        {"docs/../../outside.txt", TBeneath::Outside},
        {"/etc/passwd", TBeneath::Outside},
        {"outward", TBeneath::Outside},
        {"docs/deeper", TBeneath::Outside},
        {"absolute", TBeneath::Outside},
        // Where an absolute link leads depends on where the medium is mounted: refused too.
        {"absolute-inward", TBeneath::Outside},
        {"loop", TBeneath::Outside},
        {"docs/missing.txt", TBeneath::Missing},
        {"dangling", TBeneath::Missing},
        {"docs/a.txt/below", TBeneath::Missing},
    };
    for (const auto& c : cases) {
        const TBeneathPath found = ResolveBeneath(medium, c.relative);
        EXPECT_EQ(found.result, c.result) << c.relative;
        EXPECT_EQ(found.path, c.resolved ? medium + c.resolved : "") << c.relative;
    }
    EXPECT_EQ(ResolveBeneath(dir.File("unmounted"), "docs").result, TBeneath::Failed);
    SetBeneathWalkOnly(false);
}

INSTANTIATE_TEST_SUITE_P(KernelAndWalk, Beneath, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ComponentWalk" : "Openat2"; });

} // namespace

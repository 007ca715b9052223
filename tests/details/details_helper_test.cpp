// The helper misbehaving: each way of failing costs one file, the helper is started again and
// the files after it are read.
#include "details/detailsclient.h"
#include "details/details_support.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace {

class DetailsHelper : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("SHELVIX_DETAILS_TEST_HOOKS", "1", 1);
        ASSERT_TRUE(Shell("ffmpeg -loglevel error -y -f lavfi -i color=s=40x30 -frames:v 1 " + Quoted(good_)));
    }
    void TearDown() override { ::unsetenv("SHELVIX_DETAILS_TEST_HOOKS"); }
    TempDir dir_;
    std::string good_ = dir_.File("good.jpg");
};

TEST_F(DetailsHelper, EachFailureSkipsOneFileAndTheReadingGoesOn) {
    const struct {
        const char* what;
        const char* hook;
    } cases[] = {
        {"a crash", "crash"},
        {"a hang, ended by the time budget", "hang"},
        {"a busy loop, ended by the CPU limit or the budget", "spin"},
        {"memory without end, refused by the memory limit", "memory"},
        {"an answer that is no answer", "garbage"},
    };
    TDetailsLimits limits;
    limits.millisecondsPerFile = 2500;
    limits.cpuSecondsPerFile = 1;
    limits.memoryBytes = size_t(512) << 20;
    for (const auto& c : cases) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        // Sanitized builds set no memory limit (their shadow memory needs the address space):
        // the hog would take the machine's memory before its time is up.
        if (std::string(c.hook) == "memory") continue;
#endif
        const std::string bad = dir_.File(std::string(c.hook) + ".jpg");
        WriteWholeFile(bad, std::string("SHELVIX-TEST:") + c.hook + "\n");
        // One worker, so the file after the bad one needs the helper started again.
        TDetailsReader reader(SHELVIX_DETAILS_HELPER_PATH, 1, limits);
        std::vector<size_t> found;
        const auto start = std::chrono::steady_clock::now();
        const TDetailsOutcome outcome = reader.Run(
            {{good_, ContentKind::Photo}, {bad, ContentKind::Photo}, {good_, ContentKind::Photo}},
            [&](size_t i, TDetailPairs&) { found.push_back(i); });
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(outcome.skipped, 1) << c.what;
        EXPECT_EQ(outcome.read, 2) << c.what;
        EXPECT_EQ(found, (std::vector<size_t>{0, 2})) << c.what;
        EXPECT_LT(took, std::chrono::seconds(8)) << c.what;
    }
}

TEST_F(DetailsHelper, AMissingHelperReadsNothingAndSaysSo) {
    TDetailsReader reader(dir_.File("no-such-helper"));
    const TDetailsOutcome outcome = reader.Run({{good_, ContentKind::Photo}}, {});
    EXPECT_TRUE(outcome.helperMissing);
    EXPECT_EQ(outcome.read + outcome.skipped, 0);
}

TEST_F(DetailsHelper, AHelperThatFailsOnEveryFileIsGivenUpSoon) {
    // Ends at once, as one missing a library would. One worker: two would each have a file in
    // flight when the count is reached.
    TDetailsReader reader("/bin/false", 1);
    const TDetailsOutcome outcome = reader.Run(std::vector<TDetailsJob>(50, {good_, ContentKind::Photo}), {});
    EXPECT_TRUE(outcome.helperMissing);
    EXPECT_EQ(outcome.skipped, 8) << "not started again for each of the 50 files";
}

} // namespace

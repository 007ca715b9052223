// A file that follows the data file into place (a cache that names the data it describes): at
// every step a save can fail or die, once the pair is settled it is either absent or the one
// written with the data file in place, and no temporary of it is left.
#include "catalogue/IO_BZIP.h"
#include "catalogue/faults.h"
#include "catalogue/mediaclasses.h"
#include "catalogue/mediumadditions.h"
#include "catalogue/savepair.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Commits `data` with an index that names it and a follower "follows <data>" beside it.
PairWriter::Result CommitWithFollower(const std::string& index, const std::string& data) {
    PairWriter pair(index, DataFileNameOf(index));
    TStream* file = pair.BeginData();
    TFileStream* follower = file ? pair.BeginFollower(NameIndexFileName(index)) : nullptr;
    if (!follower) return PairWriter::Result::Failed;
    const std::string follows = "follows " + data;
    if (file->Write(data.data(), data.size()) != data.size() ||
        follower->Write(follows.data(), follows.size()) != follows.size())
        return PairWriter::Result::Failed;
    TMemoryStream written;
    WriteInt(written, 1);
    WriteInt(written, 0); // categories
    WriteInt(written, 0); // media
    CMedienListe none;
    WriteMediumAdditions(written, none);
    WriteDataIdentity(written, {true, int64_t(data.size()), BlockSumOf(data.data(), data.size())});
    return pair.Commit(written, nullptr);
}

struct Case {
    const char* name;
    const char* steps; // "+a+b+": the steps that fail, or where the saver dies
    bool kill;
    const char* data;   // the data file in place once settled
    const char* follows; // the follower beside it, "" for none
};

const Case kCases[] = {
    {"NoFault", "", false, "new data", "follows new data"},
    {"IndexNotCreated", "+create-index+", false, "old data", "follows old data"},
    {"LocksRefused", "+lock-targets+", false, "old data", "follows old data"},
    {"DataNotRenamed", "+rename-data+", false, "old data", ""},
    {"FollowerNotPlaced", "+place-follower+", false, "new data", ""},
    {"IndexNotRenamedOldDataBack", "+rename-index+", false, "old data", ""},
    {"IndexNotRenamedNorOldDataBack", "+rename-index+undo-data+", false, "new data", "follows new data"},
    {"DiesBeforeReadyIndex", "+ready-index+", true, "old data", "follows old data"},
    {"DiesBeforeDataRename", "+rename-data+", true, "old data", ""},
    {"DiesBeforeFollowerPlaced", "+place-follower+", true, "new data", ""},
    {"DiesBeforeIndexRename", "+rename-index+", true, "new data", "follows new data"},
};

class SaveFollower : public testing::TestWithParam<Case> {
protected:
    void TearDown() override { faults::SetStepHook(nullptr); }
    TempDir dir;
    const std::string index = dir.File("Home.SXF");
};

TEST_P(SaveFollower, IsAbsentOrNamesTheDataInPlace) {
    const Case& c = GetParam();
    ASSERT_EQ(CommitWithFollower(index, "old data"), PairWriter::Result::Done);
    const std::string steps = c.steps;
    const auto hook = [steps, kill = c.kill](std::string_view s) {
        if (steps.find("+" + std::string(s) + "+") == std::string::npos) return false;
        if (kill) ::_exit(7);
        return true;
    };
    if (c.kill) {
        const pid_t saver = ::fork();
        if (saver == 0) {
            faults::SetStepHook(hook);
            CommitWithFollower(index, "new data");
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(saver, &status, 0);
        ASSERT_EQ(WEXITSTATUS(status), 7) << "the saver died at its step";
    } else {
        faults::SetStepHook(hook);
        CommitWithFollower(index, "new data");
        faults::SetStepHook(nullptr);
    }
    EXPECT_EQ(SettlePair(index, DataFileNameOf(index)).state, TSettle::State::Settled);
    EXPECT_EQ(ReadWholeFile(DataFileNameOf(index)), c.data);
    const std::string follower = NameIndexFileName(index);
    EXPECT_EQ(FileExists(follower) ? ReadWholeFile(follower) : "", c.follows);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected = {"Home.SXD", "Home.SXF"};
    if (*c.follows) expected.push_back("Home.SXI");
    EXPECT_EQ(names, expected) << "no temporary is left";
}

INSTANTIATE_TEST_SUITE_P(Steps, SaveFollower, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(NameIndexFileName, ReplacesTheExtensionOrAddsOne) {
    const struct {
        const char* index;
        const char* expected;
    } cases[] = {
        {"/a/Home.SXF", "/a/Home.SXI"},
        {"/a/home.sxf", "/a/home.SXI"},
        {"/a.b/Home", "/a.b/Home.SXI"},
        {"/a/.hidden", "/a/.hidden.SXI"},
        {"Cat.v2.SXF", "Cat.v2.SXI"},
    };
    for (const auto& c : cases) EXPECT_EQ(NameIndexFileName(c.index), c.expected) << c.index;
}

} // namespace

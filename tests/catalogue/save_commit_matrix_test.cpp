// The commit against the world: a save that fails or dies at each of its steps, on a file system
// with or without hard links, settled by the same process, by another after the saver died, by
// one that sees the dead saver's number in use again, or by a newer save. In every cell, one
// open later the catalogue is the old one or the new one, whole, and a data file exists; its
// previews are that catalogue's, or gone with a message, never another save's.
#include "catalogue/backups.h"
#include "catalogue/faults.h"
#include "catalogue/mediaclasses.h"
#include "catalogue/previews.h"
#include "catalogue/savepair.h"
#include "search/nameindex.h"
#include "support/catalogue_text.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum class Ending { Fault, Kill };
enum class Opener { Same, DeadOther, ReusedNumber, NewerSave };

const char* const kSteps[] = {"backup-copy", "create-index", "lock-targets", "place-companions",
                              "ready-index", "link-old", "aside-old", "rename-data",
                              "rename-index", "rename-data+undo-data", "rename-index+undo-data",
                              "place-follower"};

struct Cell {
    const char* step;
    bool links; // the file system has hard links
    Ending ending;
    Opener opener;
};

std::string CellName(const testing::TestParamInfo<Cell>& info) {
    const Cell& c = info.param;
    std::string name = c.step;
    for (char& ch : name)
        if (ch == '-' || ch == '+') ch = '_';
    name += c.links ? "_Links" : "_NoLinks";
    name += c.ending == Ending::Fault ? "_Fault" : "_Kill";
    const char* openers[] = {"_Same", "_DeadOther", "_ReusedNumber", "_NewerSave"};
    return name + openers[int(c.opener)];
}

std::vector<Cell> AllCells() {
    std::vector<Cell> cells;
    for (const char* step : kSteps)
        for (bool links : {true, false}) {
            cells.push_back({step, links, Ending::Fault, Opener::Same});
            for (Opener o : {Opener::DeadOther, Opener::ReusedNumber, Opener::NewerSave})
                cells.push_back({step, links, Ending::Kill, o});
        }
    return cells;
}

std::vector<std::string> Leftovers(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find('-') != std::string::npos) names.push_back(name);
    }
    return names;
}

// Gives every temporary of the folder the tag of a running process (this one), as a number
// reused after a reboot would.
void ReuseNumbers(const std::string& folder) {
    const std::string live = std::to_string(::getpid());
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        const size_t dash = name.rfind('-');
        if (dash == std::string::npos) continue;
        const size_t start = name.find_last_of('-', dash - 1);
        if (start == std::string::npos) continue;
        std::filesystem::rename(entry.path(), folder + "/" + name.substr(0, start + 1) + live +
                                                  name.substr(dash));
    }
}

class SaveCommitMatrix : public testing::TestWithParam<Cell> {
protected:
    void SetUp() override {
        SetLockPatience(200);
        FillSampleCatalogue(cat);
        SetPreview(*cat.GetMedium(0), cat.GetMedium(0)->GetEntry(0), "old picture");
        ASSERT_TRUE(cat.Save(index));
        oldText = LoadedCatalogueText(index);
    }
    void TearDown() override {
        faults::SetStepHook(nullptr);
        SetLockPatience(5000);
    }
    TempDir dir;
    const std::string index = dir.File("Home.SXF");
    CMedienListe cat;
    std::string oldText;
};

TEST_P(SaveCommitMatrix, OneOpenLaterTheOldOrTheNewCatalogueStandsWhole) {
    const Cell cell = GetParam();
    CMedienListe changed;
    ASSERT_TRUE(changed.Load(index));
    for (int i = 0; i < changed.Count(); ++i) // every tree held: the save writes the name index
        ASSERT_TRUE(changed.GetMedium(i)->LoadContent(changed.DataFileName));
    changed.MakeBackups = true;
    changed.GetMedium(0)->Name = "renamed";
    changed.GetMedium(0)->Stored = false;
    SetPreview(*changed.GetMedium(0), changed.GetMedium(0)->GetEntry(0), "new picture");
    CMedienListe expectedNew;
    ASSERT_TRUE(expectedNew.Load(index));
    expectedNew.GetMedium(0)->Name = "renamed";
    for (int i = 0; i < expectedNew.Count(); ++i)
        ASSERT_TRUE(expectedNew.GetMedium(i)->LoadContent(expectedNew.DataFileName));
    const std::string newText = DescribeCatalogue(expectedNew);

    // "a+b": both steps fail (a kill ends the save at the first).
    const std::string steps = std::string("+") + cell.step + "+";
    const auto hook = [steps, links = cell.links, kill = cell.ending == Ending::Kill](std::string_view s) {
        if (steps.find("+" + std::string(s) + "+") != std::string::npos) {
            if (kill) ::_exit(7);
            return true;
        }
        return !links && s == "link-old";
    };
    if (cell.ending == Ending::Fault) {
        faults::SetStepHook(hook);
        changed.Save(index);
        faults::SetStepHook(nullptr);
    } else {
        const pid_t saver = ::fork();
        if (saver == 0) {
            faults::SetStepHook(hook);
            ::_exit(changed.Save(index) ? 0 : 1);
        }
        int status = 0;
        ::waitpid(saver, &status, 0);
        if (cell.opener == Opener::ReusedNumber) ReuseNumbers(dir.Path());
    }
    std::vector<std::string> allowed = {oldText, newText};
    if (cell.opener == Opener::NewerSave) {
        CMedienListe newer;
        FillSampleCatalogue(newer);
        newer.GetMedium(1)->Name = "newer";
        ASSERT_TRUE(newer.Save(index)) << "a newer save settles what the dead one left";
        allowed = {LoadedCatalogueText(index)};
    }
    const std::string text = LoadedCatalogueText(index);
    EXPECT_NE(std::find(allowed.begin(), allowed.end(), text), allowed.end()) << text;
    EXPECT_TRUE(FileExists(DataFileNameOf(index)));
    EXPECT_EQ(Leftovers(dir.Path()), std::vector<std::string>{}) << "every temporary is gone";
    CMedienListe seen;
    ASSERT_TRUE(seen.Load(index));
    CMedium& first = *seen.GetMedium(0);
    ASSERT_TRUE(first.LoadContent(seen.DataFileName));
    const std::string picture = PreviewBytes(seen, first, first.GetEntry(0));
    const std::string want = cell.opener == Opener::NewerSave ? ""
                             : first.Name == "renamed"        ? "new picture"
                                                              : "old picture";
    // Stopped with its new data in place and its previews beside it: the open finishes it whole.
    if (cell.ending == Ending::Kill && std::string(cell.step) == "place-follower" && cell.opener != Opener::NewerSave)
        EXPECT_EQ(picture, "new picture") << "settled with the pair it was saved with";
    if (picture != want) {
        EXPECT_EQ(picture, "") << "never the picture of another save";
        EXPECT_NE(seen.LoadNotice.find("previews file"), std::string::npos) << "a loss is told";
    }
    // The name index, when there is one, belongs to the pair in place.
    if (const std::string names = NameIndexFileName(index); FileExists(names)) {
        CMedienListe opened;
        ASSERT_TRUE(opened.Load(index));
        std::vector<int32_t> offsets;
        for (int i = 0; i < opened.Count(); ++i) offsets.push_back(opened.GetMedium(i)->DataOffset);
        EXPECT_TRUE(TNameIndex::Open(names, DataIdentityOfIndexFile(index), offsets))
            << "a name index stands only beside the data it names";
    }
    if (FileExists(index + ".bak")) {
        CMedienListe backup;
        std::filesystem::copy_file(index + ".bak", dir.File("B.SXF"));
        std::filesystem::copy_file(dir.File("Home.sxd.bak"), dir.File("B.SXD"));
        EXPECT_NE(LoadedCatalogueText(dir.File("B.SXF")), "no catalogue") << "the backups are a whole pair";
        ASSERT_TRUE(FileExists(dir.File("Home.sxp.bak"))) << "the previews are backed up with it";
        std::filesystem::copy_file(dir.File("Home.sxp.bak"), dir.File("B.SXP"));
        ASSERT_TRUE(backup.Load(dir.File("B.SXF")));
        EXPECT_EQ(backup.LoadNotice, "") << "the previews' copy belongs to the pair's";
    }
}

INSTANTIATE_TEST_SUITE_P(Cells, SaveCommitMatrix, testing::ValuesIn(AllCells()), CellName);

// A save in its commit, stopped while it holds its locks: an open waits, then says the
// catalogue is in use, and touches none of its files; once it goes on, its pair is there.
TEST_F(SaveCommitMatrix, ALiveSaverInItsCommitIsWaitedForAndLeftAlone) {
    for (const char* step : {"rename-data", "rename-index"}) {
        SCOPED_TRACE(step);
        CMedienListe changed;
        ASSERT_TRUE(changed.Load(index));
        changed.GetMedium(0)->Name = "renamed";
        changed.GetMedium(0)->Stored = false;
        const pid_t saver = ::fork();
        if (saver == 0) {
            faults::SetStepHook([step](std::string_view s) {
                if (s == step) ::raise(SIGSTOP);
                return false;
            });
            ::_exit(changed.Save(index) ? 0 : 1);
        }
        int status = 0;
        ::waitpid(saver, &status, WUNTRACED);
        const auto before = Leftovers(dir.Path());
        CMedienListe reader;
        EXPECT_FALSE(reader.Load(index));
        EXPECT_EQ(reader.LoadFailure, TLoadFailure::InUse);
        EXPECT_EQ(Leftovers(dir.Path()), before) << "a running save's files are not touched";
        ::kill(saver, SIGCONT);
        ::waitpid(saver, &status, 0);
        EXPECT_EQ(WEXITSTATUS(status), 0);
        CMedienListe after;
        ASSERT_TRUE(after.Load(index));
        EXPECT_EQ(after.GetMedium(0)->Name, "renamed");
        after.GetMedium(0)->Name = cat.GetMedium(0)->Name;
        after.GetMedium(0)->Stored = false;
        ASSERT_TRUE(after.Save(index));
    }
}

} // namespace

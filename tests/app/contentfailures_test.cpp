// What the window says and shows when a medium's content cannot be read: damage told from
// another program's save and from a missing data file.
#include "cataloguecommands_fixture.h"

#include "catalogue/faults.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace ShelvixMessages;

namespace {

// Holds a file locked as another program's save holds it, until destroyed.
struct HeldBySave {
    explicit HeldBySave(const std::string& path) : fd(::open(path.c_str(), O_RDWR)) {
        EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0) << path;
    }
    ~HeldBySave() { ::close(fd); }
    int fd;
};

} // namespace

class ContentFailures : public CatalogueCommands {
protected:
    // The sample opened with no background reading left, Disc 0 shown, Disc 1 not yet read.
    void OpenShowingDisc0(bool damageDisc1 = false) {
        const std::string home = SaveSample();
        if (damageDisc1) DamageBlock(home, 1);
        Open(home);
        Main().QuickFind()->StopReading();
        SelectMedium(0);
        ASSERT_GT(Main().ExplorerModel().rowCount(), 0);
        ASSERT_FALSE(Cat().GetMedium(1)->ContentLoaded);
        script.ClearAsked();
    }
    QModelIndex Disc1() { return Main().MediaModel().IndexOfMedium(Cat().GetMedium(1)); }
};

// No other medium's tree or counts stay beside the message, which names the medium and the
// cause; only damage marks the medium in the media tree.
TEST_F(ContentFailures, SelectingAnUnreadableMedium) {
    const struct {
        const char* why;
        const std::string& text;
        bool damaged, held, gone;
    } cases[] = {
        {"its block damaged", msgMediumDamaged, true, false, false},
        {"another program saving", msgMediumInUse, false, true, false},
        {"the data file gone", msgMediumMissing, false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        OpenShowingDisc0(c.damaged);
        const qint64 driveIcon = Disc1().data(Qt::DecorationRole).value<QIcon>().cacheKey();
        auto held = c.held ? std::make_unique<HeldBySave>(dir.File("Home.SXD")) : nullptr;
        if (c.gone) std::filesystem::remove(dir.File("Home.SXD"));
        SelectMedium(1);
        const QString text = Q(c.text).arg("Disc 1");
        EXPECT_EQ(Texts(), QStringList{text});
        EXPECT_EQ(Main().ExplorerModel().rowCount(), 0);
        EXPECT_TRUE(Main().StatusText->text().isEmpty());
        EXPECT_EQ(Disc1().data(Qt::DecorationRole).value<QIcon>().cacheKey() != driveIcon, c.damaged);
        EXPECT_EQ(Disc1().data(Qt::ToolTipRole).toString().contains(text), c.damaged);
        if (!held) continue;
        held.reset();
        SelectMedium(0);
        SelectMedium(1);
        EXPECT_GT(Main().ExplorerModel().rowCount(), 0) << "read once the other save is over";
    }
}

TEST_F(ContentFailures, RepairRemovesNothingWhileAnotherProgramSaves) {
    OpenShowingDisc0();
    HeldBySave held(dir.File("Home.SXD"));
    script.setNextFileName(Q(dir.File("Fixed.SXF")));
    Trigger("actRepair");
    ASSERT_EQ(script.MessageTexts().size(), 1);
    EXPECT_EQ(script.MessageTexts()[0].section(u'\n', 0, 2),
              Q(msgRepairStopped) + "\n\n" + Q(msgMediumInUse).arg("Disc 1"));
    EXPECT_EQ(Cat().Count(), 3) << "nothing removed";
    EXPECT_FALSE(FileExists(dir.File("Fixed.SXF"))) << "nothing saved";
    EXPECT_EQ(Main().windowTitle(), "Shelvix - Home.SXF");
}

// The save checks the pair again once it holds its locks: a pair another program saved
// meanwhile is not overwritten, and Save as is offered.
TEST_F(ContentFailures, ASaveRefusedBecauseAnotherProgramSavedMeanwhile) {
    OpenShowingDisc0();
    Change();
    bool rewritten = false;
    faults::SetStepHook([&](std::string_view step) {
        if (step == "create-data" && !std::exchange(rewritten, true)) RewriteElsewhere(dir.File("Home.SXF"));
        return false;
    });
    const std::string elsewhere = ReadWholeFile(dir.File("Home.SXF")) + "changed elsewhere";
    Trigger("actSave");
    faults::SetStepHook(nullptr);
    EXPECT_EQ(Cat().SaveFailure, CMedienListe::TSaveFailure::ChangedOnDisk);
    EXPECT_EQ(Texts(), QStringList{Q(msgWasChanged)});
    EXPECT_EQ(script.Asked().last().kind, "save") << "Save as offered";
    EXPECT_EQ(ReadWholeFile(dir.File("Home.SXF")), elsewhere);
}

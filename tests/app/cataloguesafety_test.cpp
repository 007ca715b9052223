#include "cataloguecommands_fixture.h"

#include "catalogue/faults.h"
#include "platform/volumeinfo.h"
#include "scan/ufrmMediaDetails.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

#include <sys/fsuid.h>
#include <unistd.h>

using namespace ShelvixMessages;

namespace {

// A folder nobody may write to. As root, whose rights ignore permission bits, file access in
// this thread goes by an unprivileged user's rights meanwhile.
class TReadOnlyFolder {
public:
    explicit TReadOnlyFolder(const std::string& path) : path_(path) {
        ::chmod(path_.c_str(), 0555);
        if (::geteuid() == 0) {
            ::setfsuid(65534);
            dropped_ = ::setfsuid(static_cast<uid_t>(-1)) == 65534;
        }
    }
    ~TReadOnlyFolder() {
        if (dropped_) ::setfsuid(0);
        ::chmod(path_.c_str(), 0755);
    }
    bool Works() const { return ::geteuid() != 0 || dropped_; }

private:
    std::string path_;
    bool dropped_ = false;
};

} // namespace

class CatalogueSaveSafety : public CatalogueCommands {
protected:
    void SetUp() override {
        CatalogueCommands::SetUp();
        home = SaveSample();
        Open(home);
        onDisk = OnDisk(home);
        oldIndex = ReadWholeFile(home);
        oldData = ReadWholeFile(dir.File("Home.SXD"));
    }
    void TearDown() override {
        faults::SetStepHook(nullptr);
        faults::SetWriteBudget(-1);
        CatalogueCommands::TearDown();
    }
    // Saves a change that fails on the way: the old pair stays, the catalogue in memory is
    // complete, and the next save asks for a name.
    void ExpectAFailedSave(const std::string& why, const std::function<void()>& arrange,
                           const std::function<void()>& undo) {
        Open(home);
        Change("Unsaved " + why);
        const std::string whole = InMemory();
        script.ClearAsked();
        arrange();
        Trigger("actSave");
        undo();
        // A failure with a reason of the system's names it; one without keeps the old guess.
        ASSERT_EQ(script.MessageTexts().size(), 1) << why;
        const bool reasoned = script.MessageTexts()[0].section(u'\n', 1).contains(": ");
        // Locks that cannot be had mean another program holds the pair.
        const std::string expected = why == "lock-targets" ? msgSaveInUse : reasoned ? msgSaveFailed : msgNoSave;
        EXPECT_EQ(Texts(), QStringList{Q(expected)}) << why;
        EXPECT_EQ(ReadWholeFile(home), oldIndex) << why;
        EXPECT_EQ(ReadWholeFile(dir.File("Home.SXD")), oldData) << why;
        EXPECT_EQ(OnDisk(home), onDisk) << why;
        for (const std::string& name : Folder())
            EXPECT_TRUE(name.rfind("Home.SX", 0) == 0 || name.rfind("Home.sxd", 0) == 0)
                << why << ": left behind " << name;
        EXPECT_LE(Folder().size(), 4u) << why << ": " << ::testing::PrintToString(Folder());
        EXPECT_EQ(DescribeCatalogue(Cat()), whole) << why;
        EXPECT_TRUE(Cat().FileName.empty()) << why;
        EXPECT_TRUE(Cat().IsModified()) << why;
        EXPECT_EQ(Main().windowTitle(), "Shelvix *") << why;
        script.ClearAsked();
        Trigger("actSave");
        EXPECT_EQ(script.Asked().size(), 1) << why;
        EXPECT_EQ(script.Asked().first().kind, "save") << why;
    }

    std::string home, onDisk, oldIndex, oldData;
};

TEST_F(CatalogueSaveSafety, AFailureAtEveryStepKeepsTheOldPair) {
    for (const char* step : {"create-data", "sync-data", "create-index", "sync-index",
                             "lock-targets", "rename-data", "rename-index"}) {
        ExpectAFailedSave(
            step, [step] { faults::SetStepHook([step](std::string_view s) { return s == step; }); },
            [] { faults::SetStepHook(nullptr); });
    }
    Trigger("actMakeBackups"); // the copies would use up the write budget first
    // The change is in the index only, so the new data file has the old one's length.
    const int64_t data = static_cast<int64_t>(oldData.size());
    for (int64_t budget : {int64_t(0), int64_t(50), data / 2, data + 10}) {
        ExpectAFailedSave(
            "budget " + std::to_string(budget), [budget] { faults::SetWriteBudget(budget); },
            [] { faults::SetWriteBudget(-1); });
    }
}

TEST_F(CatalogueSaveSafety, SavingIntoAReadOnlyFolder) {
    if (!TReadOnlyFolder(dir.Path()).Works()) GTEST_SKIP() << "cannot give up root's rights here";
    std::unique_ptr<TReadOnlyFolder> readOnly;
    const auto arrange = [&] { readOnly = std::make_unique<TReadOnlyFolder>(dir.Path()); };
    const auto undo = [&] { readOnly.reset(); };

    // Backups on or off, the save fails as any failed save does, before copies are tried there.
    ExpectAFailedSave("read-only folder, backups on", arrange, undo);
    Trigger("actMakeBackups");
    ExpectAFailedSave("read-only folder, backups off", arrange, undo);
}

TEST_F(CatalogueCommands, ARoundTripAcrossRuns) {
    InstallLinuxVolumeInfoReader();
    for (const char* folder : {"media/a/sub", "media/b"})
        std::filesystem::create_directories(dir.File(folder));
    WriteWholeFile(dir.File("media/a/one.txt"), "12345");
    WriteWholeFile(dir.File("media/a/sub/two.txt"), "1");
    WriteWholeFile(dir.File("media/b/three.bin"), std::string(3000, 'x'));
    const std::string trip = dir.File("Trip.SXF");
    std::string asLeft;
    {
        // First run: two folders added, saved under a new name, closed.
        TShelvixWindows run;
        TfrmShelvix& main = *run.frmShelvix;
        main.show();
        script.setNextDirectory(Q(dir.File("media/a")));
        triggerAction(&main, "actAdd");
        script.setNextDirectory(Q(dir.File("media/b")));
        script.setNextAnswer(mrYes); // same file system, same serial: add it all the same
        triggerAction(&main, "actAdd");
        ASSERT_EQ(main.Catalogue().Count(), 2);
        script.setNextFileName(Q(trip));
        triggerAction(&main, "actSave");
        script.ClearAsked();
        main.close();
        EXPECT_TRUE(script.Asked().isEmpty()) << "saved: nothing to ask";
    }
    {
        // Second run, started with the file: browse, rename a medium, save, close.
        TShelvixWindows run;
        TfrmShelvix& main = *run.frmShelvix;
        main.show();
        main.OpenCatalogueAtStart(Q(trip));
        ASSERT_EQ(main.Catalogue().Count(), 2);
        EXPECT_EQ(main.windowTitle(), "Shelvix - Trip.SXF");
        CMedium* first = main.Catalogue().GetMedium(0);
        main.VTMedien->selectionModel()->select(main.MediaModel().IndexOfMedium(first),
                                                QItemSelectionModel::ClearAndSelect |
                                                    QItemSelectionModel::Rows);
        EXPECT_TRUE(first->ContentLoaded);
        EXPECT_EQ(main.ExplorerModel().rowCount(), 2) << "sub and one.txt";
        TfrmMediaDetails& details = *run.frmMediaDetails;
        whenDialogShows([&details] {
            details.EditName->setText("Renamed");
            details.ButtonOK->click();
        });
        main.ShowMediumDetails(first);
        EXPECT_EQ(main.windowTitle(), "Shelvix - Trip.SXF *");
        triggerAction(&main, "actSave");
        EXPECT_EQ(main.windowTitle(), "Shelvix - Trip.SXF");
        CMedienListe& left = main.Catalogue();
        for (int i = 0; i < left.Count(); ++i)
            if (!left.GetMedium(i)->ContentLoaded) left.GetMedium(i)->LoadContent(left.DataFileName);
        asLeft = DescribeCatalogue(left);
        main.close();
    }
    // Third run: everything as left.
    TShelvixWindows run;
    run.frmShelvix->OpenCatalogueAtStart(Q(trip));
    EXPECT_EQ(run.frmShelvix->Catalogue().GetMedium(0)->Name, "Renamed");
    EXPECT_EQ(OnDisk(trip), asLeft);
    {
        EXPECT_TRUE(FileExists(dir.File("Trip.SXF.bak"))) << "the second save made copies";
    }
    SetVolumeInfoReader(nullptr);
}

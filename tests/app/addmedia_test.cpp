#include "support/qtprinters.h"

#include "language/messagetable.h"
#include "widgets/mediaviewmodels.h"
#include "app/shelvixwindows.h"
#include "app/ufrmShelvix.h"
#include "categories/ufrmCategories_views.h"
#include "categories/ufrmCategories.h"
#include "catalogue/contentstream.h"
#include "platform/volumeinfo.h"
#include "scan/ufrmMediaDetails.h"
#include "scan/ufrmMediaRead.h"
#include "support/guihelpers.h"
#include "support/scriptedinteraction.h"
#include "support/testfiles.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>
#include <filesystem>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <gtest/gtest.h>

namespace {

class AddMedia : public ::testing::Test {
protected:
    void SetUp() override {
        ResetMessagesToBuiltIn();
        InstallLinuxVolumeInfoReader();
        for (const char* folder : {"a/sub", "b/deeper/still"})
            std::filesystem::create_directories(dir.File(folder));
        WriteWholeFile(dir.File("a/one.txt"), "12345");
        WriteWholeFile(dir.File("a/sub/two.txt"), "1");
        WriteWholeFile(dir.File("b/deeper/three.bin"), std::string(3000, 'x'));
    }
    void TearDown() override { SetVolumeInfoReader(nullptr); }

    TfrmShelvix& Main() { return *windows.frmShelvix; }
    CMedienListe& Cat() { return Main().Catalogue(); }
    void AddFolder(const std::string& folder) {
        script.setNextDirectory(QString::fromStdString(dir.File(folder)));
        ASSERT_TRUE(triggerAction(&Main(), "actAdd"));
    }
    void SelectMedium(int catalogueIndex) {
        Main().VTMedien->selectionModel()->select(
            Main().MediaModel().IndexOfMedium(Cat().GetMedium(catalogueIndex)),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }

    TScriptedInteraction script;
    TempDir dir;
    TShelvixWindows windows;
};

} // namespace

TEST_F(AddMedia, AddScansTheChosenFolder) {
    AddFolder("a");
    ASSERT_EQ(Cat().Count(), 1);
    const CMedium& m = *Cat().GetMedium(0);
    EXPECT_EQ(m.FileCount, 2);
    EXPECT_EQ(m.FolderCount, 1);
    EXPECT_EQ(m.TotalSize, 6);
    EXPECT_EQ(m.Serial.size(), 8u);
    EXPECT_TRUE(m.Present);
    EXPECT_EQ(Main().MediaModel().rowCount(), 1);
    EXPECT_TRUE(Main().windowTitle().endsWith(" *"));
    ASSERT_EQ(script.Asked().size(), 1);
    EXPECT_EQ(script.Asked().first().kind, "folder");
    EXPECT_EQ(script.Asked().first().caption, "Select Media");
    EXPECT_FALSE(Main().StatusText->text().contains(QString::fromStdString(ShelvixMessages::msgUnreadFolders)))
        << "every folder was read";
    // Compressed during the scan, for the save to take.
    const auto packed = TakePackedContent(&m);
    TMemoryStream records;
    ASSERT_TRUE(packed && m.WriteContentRecords(records));
    EXPECT_TRUE(packed->Holds(records));

    // Checked as another user's, root's accesses are held back by permissions too. The volume
    // is not probed: its device is root's to read.
    SetVolumeInfoReader([](const std::string&, VolumeInfo& info) {
        info.serial = 0x1234;
        return true;
    });
    ::chmod(dir.Path().c_str(), 0755);
    ::chmod(dir.File("b/deeper").c_str(), 0);
    ::setfsuid(::geteuid() == 0 ? 65534 : ::geteuid());
    AddFolder("b");
    ::setfsuid(::geteuid());
    ::chmod(dir.File("b/deeper").c_str(), 0755);
    ASSERT_EQ(Cat().Count(), 2);
    EXPECT_EQ(Cat().GetMedium(1)->FolderCount, 1) << "the unreadable folder, catalogued empty";
    EXPECT_EQ(Main().StatusText->text(), "1 folders could not be read");
}

// Most Linux folders lie on file systems without a label: the medium is named after the folder
// chosen, in the media tree as in the catalogue, and its label stays empty.
TEST_F(AddMedia, UnlabelledFolderGivesTheMediumItsName) {
    SetVolumeInfoReader([](const std::string&, VolumeInfo& info) {
        info.driveType = driveFixed;
        info.serial = 0x1234;
        return true;
    });
    AddFolder("b/deeper/");
    ASSERT_EQ(Cat().Count(), 1);
    EXPECT_EQ(Cat().GetMedium(0)->Name, "deeper");
    EXPECT_EQ(Cat().GetMedium(0)->VolumeLabel, "");
    EXPECT_EQ(Main().MediaModel().index(0, 0).data().toString(), "deeper");
}

TEST_F(AddMedia, SameSerialQuestionBothWays) {
    AddFolder("a");
    Cat().GetMedium(0)->Name = "First";
    script.ClearAsked();
    script.setNextAnswer(mrNo);
    AddFolder("b");
    EXPECT_EQ(Cat().Count(), 1) << "No keeps the catalogue as it was";
    ASSERT_EQ(script.MessageTexts().size(), 1);
    EXPECT_EQ(script.MessageTexts().first(),
              QString::fromStdString(ShelvixMessages::msgSameSerial) + "\rFirst\r\n");
    EXPECT_EQ(script.Asked().last().caption, "Question");

    script.setNextAnswer(mrYes);
    AddFolder("b");
    ASSERT_EQ(Cat().Count(), 2);
    EXPECT_EQ(Cat().GetMedium(1)->FileCount, 1);
    EXPECT_EQ(Cat().GetMedium(1)->FolderCount, 2);

    Cat().GetMedium(0)->Present = false; // removed media take no part
    script.ClearAsked();
    AddFolder("a");
    EXPECT_EQ(script.MessageTexts().first(),
              QString::fromStdString(ShelvixMessages::msgSameSerial) + "\r" +
                  QString::fromStdString(Cat().GetMedium(1)->Name) + "\r\n");
}

TEST_F(AddMedia, FailuresAndCancels) {
    script.setNextDirectory(QString());
    triggerAction(&Main(), "actAdd");
    EXPECT_EQ(Cat().Count(), 0) << "chooser cancelled";
    EXPECT_FALSE(Cat().IsModified());

    AddFolder("a/one.txt"); // a file is not a drive or folder
    EXPECT_EQ(Cat().Count(), 0);
    EXPECT_EQ(script.MessageTexts(), QStringList{QString::fromStdString(ShelvixMessages::msgNoAdd)});

    // Stop pressed before the walk: the new medium goes, and nothing counts as changed.
    whenDialogShows([this] { windows.frmMediaRead->ButtonStop->click(); });
    AddFolder("a");
    EXPECT_EQ(Cat().Count(), 0);
    EXPECT_FALSE(Cat().IsModified());
    EXPECT_FALSE(Main().windowTitle().endsWith(" *"));
}

TEST_F(AddMedia, UpdateHidesTheOldMedium) {
    AddFolder("a");
    CMedium* old = Cat().GetMedium(0);
    old->Name = "Old";
    old->Stored = true;
    SelectMedium(0);
    script.setNextDirectory(QString::fromStdString(dir.File("b")));
    triggerAction(&Main(), "actUpdate");
    ASSERT_EQ(Cat().Count(), 2);
    EXPECT_FALSE(old->Present);
    EXPECT_FALSE(old->Stored);
    EXPECT_TRUE(Cat().GetMedium(1)->Present);
    EXPECT_EQ(Main().MediaModel().rowCount(), 1);
    EXPECT_EQ(Main().MediaModel().ObjectAt(Main().MediaModel().index(0, 0)).medium, Cat().GetMedium(1));

    // A different serial asks first; No changes nothing.
    SetVolumeInfoReader([](const std::string&, VolumeInfo& info) {
        info.driveType = 2;
        info.serial = 0x12345678;
        return true;
    });
    SelectMedium(1);
    script.setNextAnswer(mrNo);
    script.setNextDirectory(QString::fromStdString(dir.File("a")));
    triggerAction(&Main(), "actUpdate");
    EXPECT_EQ(Cat().Count(), 2);
    EXPECT_TRUE(Cat().GetMedium(1)->Present);
    EXPECT_EQ(script.MessageTexts().last(), QString::fromStdString(ShelvixMessages::msgNoUpdate));

    // Two media selected: nothing happens.
    Cat().GetMedium(0)->Present = true;
    Main().MediaModel().FillMediaTree(&Cat());
    Main().VTMedien->selectAll();
    const int asked = script.Asked().size();
    triggerAction(&Main(), "actUpdate");
    EXPECT_EQ(script.Asked().size(), asked);
}

TEST_F(AddMedia, DetailsDialogEditsNameNoticeAndCategory) {
    AddFolder("a");
    Cat().Categories = {"Music", "films"};
    CMedium* m = Cat().GetMedium(0);
    auto& details = *windows.frmMediaDetails;
    whenDialogShows([&details] {
        EXPECT_EQ(details.ComboBoxCategory->currentIndex(), -1) << "no category, nothing selected";
        EXPECT_EQ(details.ComboBoxCategory->count(), 2);
        details.EditName->setText("Holiday");
        details.MemoNotice->setPlainText("shelf 3");
        details.ComboBoxCategory->setCurrentIndex(details.ComboBoxCategory->findText("films"));
        details.ButtonOK->click();
    });
    Main().ShowMediumDetails(m);
    EXPECT_EQ(m->Name, "Holiday");
    EXPECT_EQ(m->Notice, "shelf 3");
    EXPECT_EQ(m->Category, 1) << "the position in the catalogue's list";
    EXPECT_FALSE(m->Stored);

    whenDialogShows([&details] {
        EXPECT_EQ(details.ComboBoxCategory->currentText(), "films");
        details.EditName->setText("ignored");
        details.ButtonAbort->click();
    });
    Main().ShowMediumDetails(m);
    EXPECT_EQ(m->Name, "Holiday") << "Abort changes nothing";
}

// OK writes back only what was edited: untouched texts keep bytes that are not UTF-8, text
// after a NUL and their line breaks; an edited notice keeps CR LF line breaks. A category
// renamed behind "..." stays the medium's category.
TEST_F(AddMedia, DetailsKeepWhatWasNotEdited) {
    AddFolder("a");
    Cat().Categories = {"Music", "films"};
    CMedium* m = Cat().GetMedium(0);
    const std::string name("Caf\xE9\0tail", 9), notice = "one\r\ntwo\nthree";
    m->Name = name;
    m->Notice = notice;
    m->Category = 1;
    auto& details = *windows.frmMediaDetails;
    auto& categories = *windows.frmCategories;
    whenDialogShows([&] {
        whenDialogShows([&] {
            categories.VSTCategories->setCurrentIndex(categories.Model()->index(1, 0));
            categories.VSTCategoriesDblClick();
            categories.EditName->setText(QStringLiteral("Films 2"));
            categories.ButtonAddChange->click();
            categories.ButtonClose->click();
        });
        details.ButtonCategory->click();
        details.ButtonOK->click();
    });
    Main().ShowMediumDetails(m);
    EXPECT_EQ(Cat().Categories[1], "Films 2");
    EXPECT_EQ(m->Category, 1) << "re-selected by the name it has now";
    EXPECT_EQ(m->Name, name);
    EXPECT_EQ(m->Notice, notice);
    EXPECT_FALSE(m->Stored);

    whenDialogShows([&details] {
        details.MemoNotice->setPlainText(QStringLiteral("shelf 3\nleft"));
        details.ButtonOK->click();
    });
    Main().ShowMediumDetails(m);
    EXPECT_EQ(m->Notice, "shelf 3\r\nleft");
    EXPECT_EQ(m->Name, name);
}

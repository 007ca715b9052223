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

// Folders of one disk share its serial: only a medium read from the same folder (or one that
// kept no folder) is asked about, with three answers.
TEST_F(AddMedia, SameSerialQuestionOnlyForTheSameFolder) {
    const QString question = QString::fromStdString(ShelvixMessages::msgSameSerial);
    AddFolder("a");
    Cat().GetMedium(0)->Name = "First";
    AddFolder("b");
    EXPECT_EQ(Cat().Count(), 2) << "another folder of the same disk: no question";
    EXPECT_TRUE(script.MessageTexts().isEmpty());

    AddFolder("a"); // unanswered: the last answer, Cancel
    EXPECT_EQ(Cat().Count(), 2) << "Cancel keeps the catalogue as it was";
    ASSERT_EQ(script.Asked().last().kind, "choice");
    EXPECT_EQ(script.Asked().last().caption, "Question");
    EXPECT_EQ(script.Asked().last().text, question + "\rFirst\r\n");
    EXPECT_EQ(script.Asked().last().answers,
              (QStringList{"Add as a new medium", "Update \u00ABFirst\u00BB", "Cancel"}));

    script.setNextChoice(0);
    AddFolder("a");
    ASSERT_EQ(Cat().Count(), 3);
    EXPECT_EQ(Cat().GetMedium(2)->FileCount, 2);
    AddFolder("a"); // two media match: no medium to update
    EXPECT_EQ(script.Asked().last().answers, (QStringList{"Add as a new medium", "Cancel"}));

    // Removed media take no part; the answer "Update" updates the one that matches.
    Cat().GetMedium(2)->Present = false;
    script.setNextChoice(1);
    script.setNextAnswer(mrYes); // keep the name "First"
    AddFolder("a");
    ASSERT_EQ(Cat().Count(), 4);
    EXPECT_FALSE(Cat().GetMedium(0)->Present) << "the old reading, now restorable";
    EXPECT_EQ(Cat().GetMedium(3)->Name, "First");
}

TEST_F(AddMedia, SameSerialQuestionListsAtMostTenNames) {
    for (int i = 1; i <= 13; ++i) {
        CMedium& m = *Cat().AddMedium(std::make_unique<CMedium>(&Cat()));
        m.Name = "Disc " + std::to_string(i);
        m.Serial = "0000ABCD"; // read before folders were kept
    }
    SetVolumeInfoReader([](const std::string&, VolumeInfo& info) {
        info.serial = 0xABCD;
        info.folder = "/";
        return true;
    });
    AddFolder("a");
    QStringList lines = script.Asked().last().text.split("\r\n");
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines[0], QString::fromStdString(ShelvixMessages::msgSameSerial) + "\rDisc 1");
    EXPECT_EQ(lines[9], "Disc 10");
    EXPECT_EQ(lines[10], "and 3 more");
    EXPECT_EQ(lines[11], "");
    EXPECT_EQ(Cat().Count(), 13);
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

// Update starts the chooser where the medium is now, says which medium it updates, and on Yes
// the new reading keeps the user's name, notice and categories, entry categories by path.
TEST_F(AddMedia, UpdateKeepsWhatTheUserGaveTheMedium) {
    Cat().Categories = {"Music", "Films"};
    AddFolder("a");
    CMedium* old = Cat().GetMedium(0);
    old->Name = "Red USB stick";
    old->Notice = "shelf 3";
    for (int i = 0; i < old->EntryCount(); ++i)
        if (old->GetEntry(i)->Name() == "sub") old->GetEntry(i)->GetEntry(0)->Category = 1;
    const QString keep = "Keep the name, notice and categories of \u00ABRed USB stick\u00BB for the new reading?";

    const struct {
        const char* name;
        TModalResult answer;
        bool kept;
    } cases[] = {{"No takes the reading as it is", mrNo, false},
                 {"Yes keeps them", mrYes, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CMedium* current = Cat().GetMedium(Cat().Count() - 1);
        if (c.kept) { // back to the annotated one
            current->Present = false;
            old->Present = true;
            Main().MediaModel().FillMediaTree(&Cat());
        }
        SelectMedium(0);
        script.ClearAsked();
        script.setNextDirectory(QString::fromStdString(dir.File("a")));
        script.setNextAnswer(c.answer);
        ASSERT_TRUE(triggerAction(&Main(), "actUpdate"));
        ASSERT_GE(script.Asked().size(), 2);
        EXPECT_EQ(script.Asked()[0].caption, "Select where \u00ABRed USB stick\u00BB is now");
        EXPECT_EQ(script.Asked()[1].text, keep);
        CMedium* fresh = Cat().GetMedium(Cat().Count() - 1);
        EXPECT_EQ(fresh->Name, c.kept ? "Red USB stick" : "a");
        EXPECT_EQ(fresh->Notice, c.kept ? "shelf 3" : "");
        int categorised = 0;
        for (int i = 0; i < fresh->EntryCount(); ++i)
            if (fresh->GetEntry(i)->Name() == "sub") categorised += fresh->GetEntry(i)->GetEntry(0)->Category == 1;
        EXPECT_EQ(categorised, c.kept ? 1 : 0);
        // The new reading is selected, its name open for editing.
        EXPECT_EQ(Main().MediaModel().ObjectAt(Main().VTMedien->currentIndex()).medium, fresh);
        bool editing = false;
        for (const QLineEdit* editor : Main().VTMedien->viewport()->findChildren<QLineEdit*>())
            editing |= !editor->isHidden() && editor->text() == QString::fromStdString(fresh->Name);
        EXPECT_TRUE(editing) << "the name is open for editing";
    }

    // A medium with nothing of the user's own is updated without the question.
    CMedium* plain = Cat().GetMedium(Cat().Count() - 1);
    plain->Name = "a";
    plain->Notice.clear();
    plain->ClearEntries();
    SelectMedium(Cat().Count() - 1);
    script.ClearAsked();
    script.setNextDirectory(QString::fromStdString(dir.File("a")));
    triggerAction(&Main(), "actUpdate");
    EXPECT_EQ(script.Asked().size(), 1) << "only the chooser";
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

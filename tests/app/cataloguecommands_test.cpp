#include "cataloguecommands_fixture.h"

#include <QAction>
#include <QTimer>
#include <QTreeView>

using namespace ShelvixMessages;

TEST_F(CatalogueCommands, TheFileDialogs) {
    for (const TFileDialogSpec* spec : {&Main().OpenDialogFDB, &Main().SaveDialogFDB}) {
        EXPECT_EQ(spec->filter, "Shelvix (*.SXF)|*.SXF|All Files (*.*)|*.*");
        EXPECT_EQ(spec->defaultExtension, "*.SXF");
    }
    EXPECT_FALSE(Main().OpenDialogFDB.confirmOverwrite);
    EXPECT_TRUE(Main().SaveDialogFDB.confirmOverwrite);
    EXPECT_TRUE(Main().actMakeBackups->isChecked()) << "on at every start";
    Trigger("actMakeBackups");
    EXPECT_FALSE(Main().actMakeBackups->isChecked());
    Trigger("actMakeBackups");
    EXPECT_TRUE(Main().actMakeBackups->isChecked());
}

TEST_F(CatalogueCommands, OpenShowsTheCatalogue) {
    const std::string home = SaveSample();
    Main().show();
    Open(home);
    ASSERT_EQ(Cat().Count(), 3);
    EXPECT_EQ(Cat().FileName, home);
    EXPECT_FALSE(Cat().IsModified());
    EXPECT_FALSE(Cat().GetMedium(1)->ContentLoaded) << "only the index, and the medium shown";
    EXPECT_EQ(Main().MediaModel().rowCount(), 2) << "the removed medium is not listed";
    EXPECT_EQ(Main().windowTitle(), "Shelvix - Home.SXF");
    EXPECT_TRUE(Main().StatusText->text().startsWith("Files: ")) << "the counts of the medium shown";
    EXPECT_FALSE(Main().SpecialProgress->isVisible()) << "shown during the load, hidden after";
    EXPECT_TRUE(Main().SpecialProgress->updatesEnabled()) << "painted again next time";
    EXPECT_TRUE(Texts().isEmpty());

    // The dialog offers the last name again; cancelling keeps the catalogue.
    CMedienListe* before = &Cat();
    script.ClearAsked();
    Trigger("actOpen");
    ASSERT_EQ(script.Asked().size(), 1);
    EXPECT_EQ(script.Asked().first().kind, "open");
    EXPECT_EQ(script.Asked().first().spec.initialName, Q(home));
    EXPECT_EQ(&Cat(), before);

    // A damaged file: msgNoLoad, and the open catalogue stays as it was.
    WriteWholeFile(dir.File("Bad.SXF"), "not a catalogue");
    WriteWholeFile(dir.File("Bad.SXD"), "");
    Open(dir.File("Bad.SXF"));
    EXPECT_EQ(Texts(), QStringList{Q(msgNoLoad)});
    EXPECT_EQ(script.Asked().last().caption, "Error");
    EXPECT_EQ(&Cat(), before);
    EXPECT_EQ(Cat().FileName, home);
    EXPECT_EQ(Main().MediaModel().rowCount(), 2);
    EXPECT_EQ(Main().windowTitle(), "Shelvix - Home.SXF");
}

TEST_F(CatalogueCommands, NewAndOpenAskAboutChanges) {
    const std::string home = SaveSample();
    Open(home);
    script.ClearAsked();
    Trigger("actNew");
    EXPECT_TRUE(script.Asked().isEmpty()) << "nothing changed, nothing asked";
    EXPECT_EQ(Cat().Count(), 0);
    EXPECT_TRUE(Cat().FileName.empty());
    EXPECT_EQ(Main().windowTitle(), "Shelvix");

    // No: the changes go.
    Open(home);
    Change();
    script.setNextAnswer(mrNo);
    Trigger("actNew");
    EXPECT_EQ(Texts(), QStringList{Q(msgModified)});
    EXPECT_EQ(script.Asked().last().caption, "Question");
    EXPECT_EQ(script.Asked().last().buttons, TMessageButtons::YesNoCancel);
    EXPECT_EQ(Cat().Count(), 0);
    EXPECT_EQ(OnDisk(home).find("Changed"), std::string::npos);

    // Yes: Save as first, then the new catalogue.
    Open(home);
    Change();
    script.setNextAnswer(mrYes);
    script.setNextFileName(Q(dir.File("Saved.SXF")));
    Trigger("actNew");
    EXPECT_EQ(Cat().Count(), 0);
    EXPECT_NE(OnDisk(dir.File("Saved.SXF")).find("Changed"), std::string::npos);
}

// A question dismissed without an answer (Escape, its close button) and a save dialog cancelled
// after Yes both call the command off: the window stays, and so do the catalogue and its changes.
TEST_F(CatalogueCommands, AnUnansweredQuestionOrACancelledSaveCallsTheCommandOff) {
    const std::string home = SaveSample();
    const struct {
        const char* what;
        TModalResult answer;
        QStringList asked;
    } answers[] = {{"dismissed", mrCancel, {"message"}},
                   {"Yes, save dialog cancelled", mrYes, {"message", "save"}}};
    for (const char* command : {"actNew", "actOpen", "close"}) {
        for (const auto& a : answers) {
            SCOPED_TRACE(std::string(command) + ", " + a.what);
            Open(home);
            Change();
            // Unnamed, closing too asks for a name when told to save.
            if (command == std::string("close")) Cat().FileName.clear();
            CMedienListe* before = &Cat();
            script.ClearAsked();
            script.setNextAnswer(a.answer);
            if (a.answer == mrYes) script.setNextFileName(QString());
            Main().show();
            if (command == std::string("close"))
                Main().close();
            else
                Trigger(command);
            QStringList kinds;
            for (const auto& q : script.Asked()) kinds << q.kind;
            EXPECT_EQ(kinds, a.asked) << "no open dialog, nothing more";
            EXPECT_EQ(&Cat(), before);
            EXPECT_EQ(Cat().GetMedium(0)->Name, "Changed");
            EXPECT_TRUE(Cat().IsModified());
            EXPECT_TRUE(Main().isVisible());
            EXPECT_EQ(OnDisk(home).find("Changed"), std::string::npos);
        }
    }
}

TEST_F(CatalogueCommands, AFailedSaveKeepsTheChangesForNewOpenAndClosing) {
    const std::string home = SaveSample();
    Open(home);
    Change();
    const std::string nowhere = dir.File("no/such/folder/X.SXF");
    for (const char* command : {"actNew", "actOpen", "close"}) {
        script.ClearAsked();
        script.setNextAnswer(mrYes);
        script.setNextFileName(Q(nowhere));
        Main().show();
        if (command == std::string("close"))
            Main().close();
        else
            Trigger(command);
        EXPECT_EQ(Texts(), (QStringList{Q(msgModified), Q(msgSaveFailed)})) << command;
        EXPECT_EQ(script.MessageTexts().last().section('\n', 1),
                  Q(dir.File("no/such/folder/X.SXF")) + ": No such file or directory");
        EXPECT_EQ(script.Asked().size(), 3) << command << ": no open dialog after the failure";
        EXPECT_EQ(Cat().GetMedium(0)->Name, "Changed") << command;
        EXPECT_TRUE(Main().isVisible()) << command;
    }
}

TEST_F(CatalogueCommands, SaveOfANewCatalogueIsSaveAs) {
    ASSERT_EQ(Cat().Count(), 0);
    CMedium& m = *Cat().AddMedium(std::make_unique<CMedium>(&Cat()));
    m.Name = "Fresh";
    m.ContentLoaded = true;
    script.setNextFileName(QString());
    Trigger("actSave");
    ASSERT_EQ(script.Asked().size(), 1);
    EXPECT_EQ(script.Asked().first().kind, "save");
    EXPECT_TRUE(script.Asked().first().spec.initialName.isEmpty());
    EXPECT_TRUE(Folder().empty()) << "cancelled";

    script.setNextFileName(Q(dir.File("Fresh.SXF")));
    Trigger("actSave");
    EXPECT_EQ(Folder(), (std::vector<std::string>{"Fresh.SXD", "Fresh.SXF"})) << "no backups";
    EXPECT_EQ(Cat().FileName, dir.File("Fresh.SXF"));
    EXPECT_FALSE(Cat().IsModified());
    EXPECT_EQ(Main().windowTitle(), "Shelvix - Fresh.SXF");
    EXPECT_EQ(OnDisk(dir.File("Fresh.SXF")), DescribeCatalogue(Cat()));
}

TEST_F(CatalogueCommands, TwoSavesWithBackups) {
    const std::string home = SaveSample();
    const std::string original = ReadWholeFile(home),
                      originalData = ReadWholeFile(dir.File("Home.SXD"));
    Open(home);
    Change("First");
    Trigger("actSave");
    EXPECT_TRUE(Texts().isEmpty());
    EXPECT_EQ(ReadWholeFile(dir.File("Home.SXF.bak")), original);
    EXPECT_EQ(ReadWholeFile(dir.File("Home.sxd.bak")), originalData);
    const std::string first = ReadWholeFile(home), firstData = ReadWholeFile(dir.File("Home.SXD"));
    EXPECT_NE(OnDisk(home).find("First"), std::string::npos);

    Change("Second");
    Trigger("actSave");
    EXPECT_EQ(ReadWholeFile(dir.File("Home.SXF.bak")), first) << "the first save's state";
    EXPECT_EQ(ReadWholeFile(dir.File("Home.sxd.bak")), firstData);
    EXPECT_EQ(OnDisk(home), InMemory());
    EXPECT_EQ(Main().windowTitle(), "Shelvix - Home.SXF");

    // With the option off no copies are made.
    Trigger("actMakeBackups");
    Change("Third");
    Trigger("actSave");
    EXPECT_EQ(ReadWholeFile(dir.File("Home.SXF.bak")), first);
    EXPECT_NE(OnDisk(home).find("Third"), std::string::npos);
}

TEST_F(CatalogueCommands, SaveAsUnderTheSameAndANewName) {
    const std::string home = SaveSample();
    const std::string original = ReadWholeFile(home);
    Open(home);
    Change();
    script.setNextFileName(Q(dir.File("Other.SXF")));
    Trigger("actSaveAs");
    EXPECT_EQ(Folder(),
              (std::vector<std::string>{"Home.SXD", "Home.SXF", "Other.SXD", "Other.SXF"}))
        << "a new name makes no copies and leaves the old pair";
    EXPECT_EQ(ReadWholeFile(home), original);
    EXPECT_EQ(Cat().FileName, dir.File("Other.SXF"));
    EXPECT_EQ(OnDisk(dir.File("Other.SXF")), InMemory());
    EXPECT_EQ(Main().windowTitle(), "Shelvix - Other.SXF");

    const std::string other = ReadWholeFile(dir.File("Other.SXF"));
    Change("Again");
    script.ClearAsked();
    script.setNextFileName(Q(dir.File("Other.SXF")));
    Trigger("actSaveAs");
    EXPECT_EQ(script.Asked().first().spec.initialName, Q(dir.File("Other.SXF")));
    {
        EXPECT_EQ(ReadWholeFile(dir.File("Other.SXF.bak")), other) << "the same name makes them";
        EXPECT_TRUE(FileExists(dir.File("Other.sxd.bak")));
    }
    EXPECT_NE(OnDisk(dir.File("Other.SXF")).find("Again"), std::string::npos);
}

TEST_F(CatalogueCommands, ADataFileDeletedMeanwhileStopsTheSave) {
    const std::string home = SaveSample();
    Open(home);
    Change();
    std::filesystem::remove(dir.File("Home.SXD")); // deleted by someone meanwhile
    Trigger("actSave");
    EXPECT_EQ(Texts(), QStringList{QString::fromStdString(msgMediumMissing).arg("Disc 1")});
    EXPECT_EQ(Folder(), std::vector<std::string>{"Home.SXF"}) << "nothing saved";
    EXPECT_EQ(Cat().FileName, home);
    EXPECT_TRUE(Cat().IsModified());
    EXPECT_EQ(Main().windowTitle(), "Shelvix - Home.SXF *");
}

TEST_F(CatalogueCommands, AContentThatCannotBeReadStopsTheSave) {
    const std::string home = SaveSample();
    Open(home);
    Cat().GetMedium(1)->ContentLength += 10;
    Cat().GetMedium(1)->Stored = false; // changed, so the save must read it
    Change();
    const std::string before = ReadWholeFile(home);
    Trigger("actSave");
    EXPECT_EQ(Texts(), QStringList{Q(msgMediumDamaged).arg("Disc 1")});
    EXPECT_EQ(ReadWholeFile(home), before);
    EXPECT_EQ(Cat().FileName, home) << "the catalogue keeps its name";
    EXPECT_TRUE(Cat().GetMedium(0)->ContentLoaded) << "what was read stays";
    EXPECT_TRUE(Main().StatusText->text().isEmpty());
}

TEST_F(CatalogueCommands, ClosingAsksAboutChanges) {
    Main().show();
    Main().close();
    EXPECT_FALSE(Main().isVisible());
    EXPECT_TRUE(script.Asked().isEmpty()) << "nothing changed";

    // No: closes, writes nothing.
    const std::string home = SaveSample();
    const std::vector<std::string> files = Folder();
    Open(home);
    Change();
    Main().show();
    script.setNextAnswer(mrNo);
    Trigger("actClose");
    EXPECT_FALSE(Main().isVisible());
    EXPECT_EQ(Texts(), QStringList{Q(msgModified)});
    EXPECT_EQ(Folder(), files);
    EXPECT_EQ(OnDisk(home).find("Changed"), std::string::npos);

    // Yes with a name: Save, backups included.
    Main().show();
    script.setNextAnswer(mrYes);
    Main().close();
    EXPECT_FALSE(Main().isVisible());
    {
        EXPECT_TRUE(FileExists(dir.File("Home.SXF.bak")));
    }
    EXPECT_NE(OnDisk(home).find("Changed"), std::string::npos);
}

// Input reaches the window only while a load or save lets messages run; the window is disabled
// by then, and enabled again afterwards, on every command that reads or writes the catalogue.
TEST_F(CatalogueCommands, TheWindowTakesNoInputWhileMessagesRunDuringALoadOrSave) {
    const std::string home = SaveSample();
    Main().ProgressPumpSliceMs = 0; // let messages run at every step
    struct Step {
        const char* action;
        std::string file;
    } steps[] = {{"actOpen", home}, {"actSaveAs", dir.File("Copy.SXF")}, {"actSave", ""}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.action);
        bool ran = false, enabledWhileRunning = true;
        QTimer::singleShot(0, &Main(), [&] {
            ran = true;
            enabledWhileRunning = Main().isEnabled();
        });
        if (!step.file.empty()) script.setNextFileName(Q(step.file));
        Trigger(step.action);
        EXPECT_TRUE(ran);
        EXPECT_FALSE(enabledWhileRunning);
        EXPECT_TRUE(Main().isEnabled());
    }
}

// A catalogue on a disc or a read-only share: it attaches, opens and browses as usual; Save
// fails with the save message and keeps everything in memory, and the next Save asks for a name.
TEST_F(CatalogueCommands, ACatalogueInAReadOnlyFolder) {
    TempDir disc;
    const std::string index = disc.File("Disc.SXF");
    {
        CMedienListe cat;
        FillSampleCatalogue(cat);
        ASSERT_TRUE(cat.Save(index));
    }
    const std::string indexBytes = ReadWholeFile(index), dataBytes = ReadWholeFile(disc.File("Disc.SXD"));
    ReadOnlyFolder readOnly(disc.Path());
    if (!readOnly.Active()) GTEST_SKIP() << "no way to make a folder read-only here";

    script.setNextFileName(Q(index));
    Trigger("actAttach");
    EXPECT_EQ(Cat().Count(), 3) << "attached";
    script.setNextAnswer(mrNo);
    Open(index);
    ASSERT_EQ(Cat().Count(), 3);
    Main().VTMedien->setCurrentIndex(Main().MediaModel().index(0, 0));
    EXPECT_TRUE(Cat().GetMedium(0)->ContentLoaded) << "browsed";
    EXPECT_GT(Main().ExplorerModel().rowCount(), 0);
    ASSERT_TRUE(Texts().filter(Q(msgNoLoad)).isEmpty()) << Texts().join(", ").toStdString();

    Change();
    script.ClearAsked();
    Trigger("actSave");
    EXPECT_EQ(Texts(), QStringList{Q(msgSaveFailed)}) << "the reason follows";
    EXPECT_EQ(ReadWholeFile(index), indexBytes);
    EXPECT_EQ(ReadWholeFile(disc.File("Disc.SXD")), dataBytes);
    EXPECT_EQ(Cat().GetMedium(0)->Name, "Changed");
    EXPECT_EQ(Main().windowTitle(), "Shelvix *");

    script.ClearAsked();
    script.setNextFileName(Q(dir.File("Copy.SXF")));
    Trigger("actSave");
    ASSERT_EQ(script.Asked().size(), 1);
    EXPECT_EQ(script.Asked().first().kind, "save");
    EXPECT_EQ(OnDisk(dir.File("Copy.SXF")), InMemory());
    EXPECT_EQ(Main().windowTitle(), "Shelvix - Copy.SXF");
}

// What the tests of the catalogue commands share: the program's windows with a scripted user and
// a saved sample catalogue.
#pragma once

#include "support/qtprinters.h"

#include "language/messagetable.h"
#include "widgets/mediaviewmodels.h"
#include "app/shelvixwindows.h"
#include "app/ufrmQuickFind.h"
#include "app/ufrmShelvix.h"
#include "support/catalogue_text.h"
#include "support/guihelpers.h"
#include "support/scriptedinteraction.h"
#include "support/testfiles.h"

#include <QLabel>
#include <QItemSelectionModel>
#include <QProgressBar>
#include <QTreeView>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

class CatalogueCommands : public ::testing::Test {
protected:
    void SetUp() override { ResetMessagesToBuiltIn(); }
    void TearDown() override {
        EXPECT_TRUE(Main().isEnabled()) << "enabled again on every path";
        EXPECT_FALSE(Main().Busy());
    }

    TfrmShelvix& Main() { return *windows.frmShelvix; }
    CMedienListe& Cat() { return Main().Catalogue(); }
    static QString Q(const std::string& s) { return QString::fromStdString(s); }
    // The messages without the line a file error adds (the file and the system's reason).
    QStringList Texts() const {
        QStringList texts = script.MessageTexts();
        for (QString& text : texts) text = text.section(u'\n', 0, 0);
        return texts;
    }

    // The sample catalogue saved by the core under `name` in the test folder.
    std::string SaveSample(const std::string& name = "Home.SXF") {
        // Another program's save: the window's background reading holds the data file meanwhile.
        if (Main().QuickFind()) Main().QuickFind()->StopReading();
        CMedienListe cat;
        FillSampleCatalogue(cat);
        EXPECT_TRUE(cat.Save(dir.File(name)));
        return dir.File(name);
    }
    void Trigger(const char* action) { ASSERT_TRUE(triggerAction(&Main(), action)); }
    void Open(const std::string& path) {
        script.setNextFileName(Q(path));
        Trigger("actOpen");
    }
    // A change that makes the catalogue modified, as a command would make it.
    void Change(const std::string& name = "Changed") {
        Cat().GetMedium(0)->Name = name;
        Cat().GetMedium(0)->Stored = false;
        Main().RefreshTitle();
    }
    // The catalogue stored under `path`, every content read.
    static std::string OnDisk(const std::string& path) {
        CMedienListe back;
        if (!back.Load(path)) return "<cannot load " + path + ">";
        for (int i = 0; i < back.Count(); ++i)
            if (!back.GetMedium(i)->LoadContent(back.DataFileName)) return "<cannot read content>";
        return DescribeCatalogue(back);
    }
    // The catalogue in the window, with every content it can read.
    std::string InMemory() {
        for (int i = 0; i < Cat().Count(); ++i)
            if (!Cat().GetMedium(i)->ContentLoaded)
                Cat().GetMedium(i)->LoadContent(Cat().DataFileName);
        return DescribeCatalogue(Cat());
    }
    std::vector<std::string> Folder() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            // The name indexes are caches, and one may be in the making in the background.
            if (entry.path().filename().string().find(".SXI") == std::string::npos)
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Rewrites a file as another program would: new bytes, new stamp.
    static void RewriteElsewhere(const std::string& path) {
        WriteWholeFile(path, ReadWholeFile(path) + "changed elsewhere");
    }

    // Overwrites the start of medium `i`'s block in the data file, keeping the file's length.
    static void DamageBlock(const std::string& index, int i) {
        CMedienListe cat;
        ASSERT_TRUE(cat.Load(index));
        std::string data = ReadWholeFile(cat.DataFileName);
        for (int k = 0; k < 12; ++k)
            data[static_cast<size_t>(cat.GetMedium(i)->DataOffset + k)] = 'x';
        WriteWholeFile(cat.DataFileName, data);
    }
    void SelectMedium(int catalogueIndex) {
        Main().VTMedien->selectionModel()->select(
            Main().MediaModel().IndexOfMedium(Cat().GetMedium(catalogueIndex)),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }

    TempDir dir;
    TScriptedInteraction script;
    TShelvixWindows windows;
};

// What the tests of Details, Remove, Restore and Clean up share: the program's windows with a
// scripted user over a saved catalogue of five media, opened again so nothing starts modified.
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

#include <QApplication>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include <functional>

// Media in catalogue order Echo, Delta, Charlie, Bravo, Alpha (the reverse of name order), each:
//   Docs/ (category Films) { Deep/ { a.txt (Music) }, b.txt }, pack.zip { inner/ { m.txt } }, top.txt
// `removed` names the positions saved with their Present flag cleared.
class MediaCommands : public ::testing::Test {
protected:
    void SetUp() override { ResetMessagesToBuiltIn(); }

    void OpenFive(std::initializer_list<int> removed = {}) {
        CMedienListe built;
        built.Categories = {"Music", "Films", "films"};
        const char* names[] = {"Echo", "Delta", "Charlie", "Bravo", "Alpha"};
        for (int i = 0; i < 5; ++i) {
            CMedium& m = *built.AddMedium(std::make_unique<CMedium>(&built));
            m.Name = names[i];
            m.Serial = "0000000" + std::to_string(i);
            m.DriveType = uint32_t(2 + i % 4);
            m.Category = i % 2 ? 0 : -1;
            m.ContentLoaded = true;
            CFile* docs = AddTestEntry(m, nullptr, "Docs", kindFolder, 0, 45000.0, 1);
            CFile* deep = AddTestEntry(m, docs, "Deep", kindFolder);
            AddTestEntry(m, deep, "a.txt", kindFile, 10, 45000.5, 0);
            AddTestEntry(m, docs, "b.txt", kindFile, 20);
            CFile* zip = AddTestEntry(m, nullptr, "pack.zip", kindArchive, 300);
            AddTestEntry(m, AddTestEntry(m, zip, "inner", kindFolder), "m.txt", kindFile, 5);
            AddTestEntry(m, nullptr, "top.txt", kindFile, 1);
        }
        for (int i : removed) built.GetMedium(i)->Present = false;
        // Saved over a catalogue the window may still be reading in the background, which holds
        // its data file until it stops.
        if (Main().QuickFind()) Main().QuickFind()->StopReading();
        ASSERT_TRUE(built.Save(file));
        Main().OpenCatalogueAtStart(QString::fromStdString(file));
        ASSERT_EQ(Cat().Count(), 5);
        ASSERT_FALSE(Cat().IsModified());
    }

    TfrmShelvix& Main() { return *windows.frmShelvix; }
    CMedienListe& Cat() { return Main().Catalogue(); }
    static QString Q(const std::string& s) { return QString::fromStdString(s); }
    bool TitleMarked() { return Main().windowTitle().endsWith(QStringLiteral(" *")); }

    QModelIndex MediumNode(int position) {
        return Main().MediaModel().IndexOfMedium(Cat().GetMedium(position));
    }
    // Selects the nodes (siblings) in the media tree, the first becoming current.
    void SelectInTree(const QModelIndexList& nodes) {
        QItemSelectionModel* selection = Main().VTMedien->selectionModel();
        selection->clearSelection();
        for (const QModelIndex& node : nodes)
            selection->select(node, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // Shows the main window and gives `view` the keyboard focus, as a click into it would.
    void Focus(QWidget* view) {
        Main().show();
        // A dialog that just closed hands the activation back on a later turn of the loop.
        ASSERT_TRUE(QTest::qWaitFor([&] {
            Main().activateWindow();
            view->setFocus();
            return view->hasFocus();
        }));
    }
    // The media tree's names top to bottom, or the catalogue's (only the present ones).
    QStringList TreeNames() {
        QStringList names;
        for (int row = 0; row < Main().MediaModel().rowCount(); ++row)
            names << Main().MediaModel().index(row, 0).data().toString();
        return names;
    }
    QStringList CatalogueNames(bool presentOnly = false) {
        QStringList names;
        for (int i = 0; i < Cat().Count(); ++i)
            if (!presentOnly || Cat().GetMedium(i)->Present) names << Q(Cat().GetMedium(i)->Name);
        return names;
    }
    // Runs the action; `answer` gets the modal dialog it opens (nullptr when none opened) and
    // must close it.
    void TriggerAnswering(const char* action, const std::function<void(QWidget*)>& answer) {
        bool answered = false;
        whenDialogShows([&] {
            answered = true;
            answer(QApplication::activeModalWidget());
        });
        ASSERT_TRUE(triggerAction(&Main(), action));
        if (!answered) QCoreApplication::processEvents(); // nothing opened: the answer sees none
        ASSERT_TRUE(answered);
    }

    TempDir dir;
    std::string file = dir.File("five.SXF");
    TScriptedInteraction script;
    TShelvixWindows windows;
};

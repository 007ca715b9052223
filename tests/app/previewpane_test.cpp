// The preview pane and the explorer's icon view: the facts the pane lists for files, folders and
// media, what it shows without a preview, its toggles kept in the settings file, and the icon
// view over the explorer's own model and selection.
#include "mediacommands_fixture.h"

#include "catalogue/entrywalk.h"
#include "categories/ufrmDetailsFiles.h"
#include "search/ufrmSearch_results.h"
#include "widgets/previewfacts.h"
#include "widgets/previewiconview.h"
#include "widgets/previewpane.h"
#include "widgets/windowsettings.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>

namespace {

// The model's rows as "Caption=Value", top to bottom.
QStringList FactLines(const QAbstractItemModel& model) {
    QStringList lines;
    for (int row = 0; row < model.rowCount(); ++row)
        lines << model.index(row, 0).data().toString() + u'=' + model.index(row, 1).data().toString();
    return lines;
}

TEST(PreviewFacts, EachKindOfEntryListsItsMainDetails) {
    ResetMessagesToBuiltIn();
    CMedienListe cat;
    CMedium& m = *cat.AddMedium(std::make_unique<CMedium>(&cat));
    m.Name = "Card";
    m.ContentLoaded = true;
    const QString date = EntryDateText(45000.5);
    struct Case {
        const char* what;
        int32_t kind;
        int64_t size;
        TDetailPairs details;
        QStringList facts;
    } cases[] = {
        {"a photo", kindFile, 1234567,
         {{"width", "3000"}, {"height", "4000"}, {"taken", "2024-05-01 10:20:30"}, {"make", "Canon"},
          {"model", "Canon EOS 5D"}, {"orientation", "6"}},
         {"Size=" + ExactSizeText(1234567), "Date=" + date, QString::fromUtf8("Dimensions=3000 \u00D7 4000"),
          "Taken=1 May 2024 10:20:30", "Camera=Canon EOS 5D"}},
        {"music", kindFile, 1, {{"title", "Song"}, {"artist", "Band"}, {"album", "Disc"}, {"duration", "185.4"}},
         {"Size=" + ExactSizeText(1), "Date=" + date, "Duration=3:05", "Title=Song", "Artist=Band", "Album=Disc"}},
        {"a video", kindFile, 20, {{"duration", "3725"}, {"width", "640"}, {"height", "360"}, {"codec", "h264"}},
         {"Size=" + ExactSizeText(20), "Date=" + date, QString::fromUtf8("Dimensions=640 \u00D7 360"),
          "Duration=1:02:05"}},
        {"a camera known by its make only", kindFile, 5, {{"make", "Nikon"}},
         {"Size=" + ExactSizeText(5), "Date=" + date, "Camera=Nikon"}},
        {"a file without details", kindFile, 0, {}, {"Size=" + ExactSizeText(0), "Date=" + date}},
    };
    TPreviewFactsModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CFile* entry = AddTestEntry(m, nullptr, c.what, c.kind, c.size);
        m.Details.Set(entry, c.details);
        model.Show({nullptr, entry});
        EXPECT_EQ(FactLines(model), c.facts);
    }
    CFile* folder = AddTestEntry(m, nullptr, "Trip", kindFolder);
    AddTestEntry(m, folder, "Day 1", kindFolder);
    AddTestEntry(m, folder, "a.jpg", kindFile);
    AddTestEntry(m, folder, "b.jpg", kindFile);
    CFile* archive = AddTestEntry(m, nullptr, "all.zip", kindArchive, 99);
    AddTestEntry(m, archive, "c.jpg", kindFile);
    model.Show({nullptr, folder});
    EXPECT_EQ(FactLines(model), (QStringList{"Directories=1", "Files=2"})) << "a folder";
    model.Show({nullptr, archive});
    EXPECT_EQ(FactLines(model), (QStringList{"Size=" + ExactSizeText(99), "Date=" + date, "Directories=0", "Files=1"}))
        << "an archive";
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(PreviewFacts, AMediumListsItsTooltipFacts) {
    ResetMessagesToBuiltIn();
    CMedienListe cat;
    CMedium& m = *cat.AddMedium(std::make_unique<CMedium>(&cat));
    m.Name = "Holiday";
    m.Serial = "0A1B2C3D";
    m.FolderCount = 2;
    m.FileCount = 7;
    m.Notice = "first line\r\nsecond";
    TPreviewFactsModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.Show({&m, nullptr});
    const QStringList lines = FactLines(model);
    ASSERT_GE(lines.size(), 8);
    EXPECT_EQ(lines[0], "Name=Holiday");
    EXPECT_EQ(lines[2], "Serialnumber=0A1B2C3D");
    EXPECT_EQ(lines[4], "Directories=2");
    EXPECT_EQ(lines[5], "Files=7");
    EXPECT_EQ(lines[7], "Notice=first line second") << "a notice's line break stays in its row";
    // A language file's caption shows at the next look.
    ShelvixMessages::msgName = "Nom";
    EXPECT_EQ(FactLines(model)[0], "Nom=Holiday");
    ResetMessagesToBuiltIn();
}

class PreviewWindow : public MediaCommands {
protected:
    void SetUp() override {
        MediaCommands::SetUp();
        for (const char* key : {"View/PreviewPane", "View/IconView"}) WindowSettings()->remove(QString::fromLatin1(key));
    }
    void TearDown() override {
        for (const char* key : {"View/PreviewPane", "View/IconView"}) WindowSettings()->remove(QString::fromLatin1(key));
    }
    CFile* Entry(const char* name) {
        CFile* found = nullptr;
        WalkEntries(Cat().GetMedium(0)->Entries(), [&](CFile* e) {
            if (e->Name() == name) found = e;
            return found != nullptr;
        });
        return found;
    }
    TPreviewPane& Pane() { return *Main().PreviewPane; }
    QStringList IconNames() {
        QStringList names;
        const QModelIndex root = Main().VTIcons->rootIndex();
        for (int row = 0; row < Main().ExplorerModel().rowCount(root); ++row)
            names << Main().ExplorerModel().index(row, 0, root).data().toString();
        return names;
    }
};

TEST_F(PreviewWindow, ThePaneFollowsTheCurrentNodeOfEachList) {
    OpenFive();
    Main().actPreviewPane->setChecked(true);
    SelectInTree({MediumNode(0)});
    const struct {
        const char* what;
        const char* entry; // "" the medium
        const char* firstFact;
        const char* picture;
    } cases[] = {
        {"a file", "top.txt", "Size", "No preview"},
        {"a folder", "Docs", "Directories", "No preview"},
        {"an archive member", "m.txt", "Size", "No preview"},
        {"the medium", "", "Name", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (*c.entry) {
            Main().SelectInExplorer(Entry(c.entry));
        } else {
            Main().VTMedien->setCurrentIndex(MediumNode(1)); // away from it first
            Main().VTMedien->setCurrentIndex(MediumNode(0));
        }
        const QString name = *c.entry ? QString::fromLatin1(c.entry) : QStringLiteral("Echo");
        EXPECT_EQ(Pane().PreviewName->text(), name);
        EXPECT_EQ(Pane().PreviewPicture->accessibleName(), name) << "a screen reader names the picture";
        EXPECT_EQ(Pane().PreviewPicture->text(), QString::fromLatin1(c.picture));
        ASSERT_GT(Pane().Facts().rowCount(), 0);
        EXPECT_EQ(Pane().Facts().index(0, 0).data().toString(), QString::fromLatin1(c.firstFact));
    }
    // The find list's rows show too, entries and media alike.
    Main().QuickFind()->DebounceMs = 0;
    Main().QuickFind()->EditFind->setText(QStringLiteral("b.txt"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Main().QuickFind()->Finding() && Main().QuickFind()->Model().rowCount() > 0; }));
    Main().QuickFind()->VTFound->setCurrentIndex(Main().QuickFind()->Model().index(0, 0));
    EXPECT_EQ(Pane().PreviewName->text(), QStringLiteral("b.txt"));
    // Hidden, it lets go of what it showed.
    Main().actPreviewPane->setChecked(false);
    EXPECT_EQ(Pane().Shown().entry, nullptr);
    EXPECT_FALSE(Pane().isVisibleTo(&Main()));
}

TEST_F(PreviewWindow, TheTogglesAreKeptForTheNextRun) {
    const struct {
        const char* action;
        const char* key;
        bool on;
    } cases[] = {{"actPreviewPane", "View/PreviewPane", true}, {"actPreviewPane", "View/PreviewPane", false},
                 {"actIconView", "View/IconView", true},       {"actIconView", "View/IconView", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.action) + (c.on ? " on" : " off"));
        auto* action = Main().findChild<QAction*>(QString::fromLatin1(c.action));
        ASSERT_NE(action, nullptr);
        action->setChecked(!c.on);
        action->trigger();
        EXPECT_EQ(WindowSettings()->value(QString::fromLatin1(c.key)).toBool(), c.on);
        TfrmShelvix next;
        EXPECT_EQ(next.findChild<QAction*>(QString::fromLatin1(c.action))->isChecked(), c.on);
        if (std::string_view(c.action) == "actPreviewPane")
            EXPECT_EQ(next.PreviewPane->isVisibleTo(&next), c.on);
        else
            EXPECT_EQ(next.ExplorerView() == next.VTIcons, c.on);
    }
}

TEST_F(PreviewWindow, TheIconViewSharesTheExplorersOrderAndSelection) {
    OpenFive();
    SelectInTree({MediumNode(0)});
    Main().actIconView->setChecked(true);
    ASSERT_EQ(Main().ExplorerView(), Main().VTIcons);
    EXPECT_EQ(Main().VTIcons->model(), Main().VTExplorer->model());
    EXPECT_EQ(Main().VTIcons->selectionModel(), Main().VTExplorer->selectionModel());
    EXPECT_EQ(IconNames(), (QStringList{"Docs", "pack.zip", "top.txt"}));
    // Sorted by a column of the list, the icons follow.
    Main().VTExplorerHeaderClick(TExplorerModel::colSize);
    Main().VTExplorerHeaderClick(TExplorerModel::colSize); // largest first
    EXPECT_EQ(IconNames(), (QStringList{"Docs", "pack.zip", "top.txt"})) << "folders stay first";
    Main().VTExplorerHeaderClick(TExplorerModel::colName); // Z to A, the direction kept
    EXPECT_EQ(IconNames(), (QStringList{"Docs", "top.txt", "pack.zip"}));

    Focus(Main().VTIcons);
    const struct {
        const char* what;
        std::function<void()> act;
        QStringList shown;  // the folder's entries
        const char* current;
    } steps[] = {
        {"a click selects in both", [this] {
             const QModelIndex top = Main().ExplorerModel().IndexOfEntry(Entry("top.txt"));
             QTest::mouseClick(Main().VTIcons->viewport(), Qt::LeftButton, {}, Main().VTIcons->visualRect(top).center());
         }, {"Docs", "top.txt", "pack.zip"}, "top.txt"},
        {"Enter on a folder opens it", [this] {
             Main().VTIcons->setCurrentIndex(Main().ExplorerModel().IndexOfEntry(Entry("Docs")));
             QTest::keyClick(Main().VTIcons, Qt::Key_Return);
         }, {"Deep", "b.txt"}, "Deep"},
        {"Backspace goes up", [this] { QTest::keyClick(Main().VTIcons, Qt::Key_Backspace); },
         {"Docs", "top.txt", "pack.zip"}, "Docs"},
        {"a selection in the list shows its folder", [this] { Main().SelectInExplorer(Entry("m.txt")); },
         {"m.txt"}, "m.txt"},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        EXPECT_EQ(IconNames(), s.shown);
        const QModelIndexList rows = Main().VTExplorer->selectionModel()->selectedRows();
        ASSERT_EQ(rows.size(), 1) << "whole rows, as the list selects them";
        EXPECT_EQ(rows[0].data().toString(), QString::fromLatin1(s.current));
        EXPECT_EQ(Main().VTIcons->currentIndex().data().toString(), QString::fromLatin1(s.current));
    }
    // Details acts on the icon view's selection, as on the list's.
    Focus(Main().VTIcons);
    TriggerAnswering("actDetails", [](QWidget* shown) {
        auto* dialog = qobject_cast<TfrmDetailsFile*>(shown);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->LabelName->text(), QStringLiteral("m.txt"));
        dialog->reject();
    });
    Main().actIconView->setChecked(false);
    EXPECT_EQ(Main().ExplorerView(), Main().VTExplorer);
}

} // namespace

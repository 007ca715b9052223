// The categories dialog driven through its widgets, the category views and the way a details
// dialog opens it.
#include "support/qtprinters.h"

#include "language/messagetable.h"
#include "catalogue/IO_BZIP.h"
#include "catalogue/mediaclasses.h"
#include "categories/ufrmCategories_views.h"
#include "categories/ufrmCategories.h"
#include "support/catalogue_text.h"
#include "support/scriptedinteraction.h"
#include "support/testfiles.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Names = std::vector<std::string>;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A shown dialog editing its own catalogue; the scripted answerer is in place for its lifetime.
struct Session {
    explicit Session(Names names) {
        cat.Categories = std::move(names);
        form.FCatalogue = &cat;
        FillCategoryTree(form.VSTCategories, cat);
        form.ResetEditing();
        form.show();
    }
    QStringList Display() const {
        QStringList shown;
        const QAbstractItemModel* model = form.VSTCategories->model();
        for (int row = 0; row < model->rowCount(); ++row) shown << model->index(row, 0).data().toString();
        return shown;
    }
    void Apply(const QString& typed) {
        form.EditName->setText(typed);
        QTest::mouseClick(form.ButtonAddChange, Qt::LeftButton);
    }
    void DoubleClick(int row) {
        const QRect cell = form.VSTCategories->visualRect(form.VSTCategories->model()->index(row, 0));
        // The press of a double click comes first; the view acts on the row it pressed.
        QTest::mousePress(form.VSTCategories->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(form.VSTCategories->viewport(), Qt::LeftButton, {}, cell.center());
    }
    void Select(int row) {
        form.VSTCategories->setCurrentIndex(form.VSTCategories->model()->index(row, 0));
    }
    void ClickHeader(Qt::MouseButton button) {
        QHeaderView* header = form.VSTCategories->header();
        QTest::mouseClick(header->viewport(), button, {}, QPoint(10, header->height() / 2));
    }
    QStringList Errors() const {
        QStringList out;
        for (const TAskedQuestion& q : answers.Asked())
            if (q.kind == QLatin1String("message")) out << q.caption + ": " + q.text;
        return out;
    }

    TScriptedInteraction answers;
    CMedienListe cat;
    TfrmCategories form;
    QAbstractItemModelTester tester{form.VSTCategories->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal};
};

QString Error(const std::string& text) { return Q(ShelvixMessages::msgError) + ": " + Q(text); }

TEST(CategoriesDialog, AddAndChangeFollowTheirRules) {
    struct Case {
        const char* what;
        Names before;
        int doubleClickRow; // -1: add mode
        const char* typed;
        Names after;
        QStringList errors;
        bool modified;
        bool changeModeAfter;
        const char* editAfter;
    } cases[] = {
        {"a new name is appended", {"Music"}, -1, "Films", {"Music", "Films"}, {}, true, false, ""},
        {"music when Music exists", {"Music"}, -1, "music", {"Music"},
         {Error(CategoryMessages::msgExist)}, false, false, "music"},
        {"a leading blank is kept", {"Music"}, -1, " Jazz", {"Music", " Jazz"}, {}, true, false, ""},
        {"blanks only", {"Music"}, -1, "   ", {"Music"}, {}, false, false, "   "},
        {"renaming another to Music", {"Music", "Films"}, 1, "Music", {"Music", "Music"}, {}, true,
         false, ""},
        {"renaming keeps the text as typed", {"a", "b"}, 0, " A ", {" A ", "b"}, {}, true, false, ""},
        {"an empty change stays in change mode", {"Music", "Films"}, 0, "", {"Music", "Films"}, {},
         false, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Session s(c.before);
        if (c.doubleClickRow >= 0) {
            s.DoubleClick(c.doubleClickRow);
            ASSERT_TRUE(s.form.InChangeMode());
            EXPECT_EQ(s.form.EditName->text(), Q(c.before[size_t(c.doubleClickRow)]));
            for (QPushButton* b : {s.form.ButtonRemove, s.form.ButtonImport, s.form.ButtonExport})
                EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
        }
        s.Apply(QString::fromLatin1(c.typed));
        EXPECT_EQ(s.cat.Categories, c.after);
        EXPECT_EQ(s.Errors(), c.errors);
        EXPECT_EQ(s.cat.Modified, c.modified);
        EXPECT_EQ(s.form.InChangeMode(), c.changeModeAfter);
        EXPECT_EQ(s.form.ButtonRemove->isEnabled(), !c.changeModeAfter);
        EXPECT_EQ(s.form.EditName->text(), QString::fromLatin1(c.editAfter));
        QStringList expectedView;
        for (const auto& name : c.after) expectedView << Q(name);
        EXPECT_EQ(s.Display(), expectedView);
    }
}

TEST(CategoriesDialog, SortingChangesTheDisplayOnly) {
    const Names list{"beta", "Alpha", "_under", "gamma", "ALPHA"};
    Session s(list);
    EXPECT_EQ(s.Display(), (QStringList{"beta", "Alpha", "_under", "gamma", "ALPHA"}));
    struct Step {
        Qt::MouseButton button;
        QStringList shown;
    } steps[] = {
        // '_' comes after the letters: only a to z fold, to A to Z. Equal names keep list order.
        {Qt::LeftButton, {"Alpha", "ALPHA", "beta", "gamma", "_under"}},
        {Qt::LeftButton, {"_under", "gamma", "beta", "Alpha", "ALPHA"}},
        {Qt::RightButton, {"Alpha", "ALPHA", "beta", "gamma", "_under"}},
    };
    for (const Step& step : steps) {
        s.ClickHeader(step.button);
        EXPECT_EQ(s.Display(), step.shown);
        EXPECT_EQ(s.cat.Categories, list);
    }
    s.Apply(QStringLiteral("delta"));
    EXPECT_EQ(s.Display(), (QStringList{"Alpha", "ALPHA", "beta", "delta", "gamma", "_under"}));
    // A sorted row still edits the category it shows.
    s.DoubleClick(3);
    EXPECT_EQ(s.form.FEditIndex, 5);
    s.Apply(QStringLiteral("Delta"));
    EXPECT_EQ(s.cat.Categories, (Names{"beta", "Alpha", "_under", "gamma", "ALPHA", "Delta"}));
}

// A saved catalogue whose medium 0 is not loaded; deep in its archive an entry holds C.
TEST(CategoriesDialog, RemovalLooksIntoUnloadedContentAndKeepsIndexesMeaningful) {
    struct Case {
        int row;
        Names after;
        QStringList errors;
    } cases[] = {
        {0, {"B", "C"}, {}},
        {2, {"A", "B", "C"}, {Error(CategoryMessages::msgAssigned)}},
        {-1, {"A", "B", "C"}, {}}, // nothing selected
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        TempDir dir;
        {
            CMedienListe source;
            source.Categories = {"A", "B", "C"};
            CMedium& m = *source.AddMedium(std::make_unique<CMedium>(&source));
            m.ContentLoaded = true;
            CFile* zip = AddTestEntry(m, nullptr, "a.zip", kindArchive);
            AddTestEntry(m, AddTestEntry(m, zip, "in", kindFolder), "deep", kindFile, 1, 45000.0, 2);
            ASSERT_TRUE(source.Save(dir.File("C.SXF")));
        }
        Session s({});
        ASSERT_TRUE(s.cat.Load(dir.File("C.SXF")));
        FillCategoryTree(s.form.VSTCategories, s.cat);
        if (c.row >= 0) s.Select(c.row);
        QTest::mouseClick(s.form.ButtonRemove, Qt::LeftButton);
        EXPECT_EQ(s.cat.Categories, c.after);
        EXPECT_EQ(s.Errors(), c.errors);
        EXPECT_EQ(s.Display().size(), int(c.after.size()));
        // A removal changes what a save writes, so closing must ask about it.
        EXPECT_EQ(s.cat.Modified, c.after.size() < 3);
        CMedium& m = *s.cat.GetMedium(0);
        if (m.ContentLoaded) {
            EXPECT_EQ(m.GetEntry(0)->GetEntry(0)->GetEntry(0)->CategoryName(), "C");
        }
    }
}

TEST(CategoriesDialog, ExportWritesListOrderAndReportsFailure) {
    Session s({"Zeta", "alpha", "Beta"});
    s.ClickHeader(Qt::LeftButton);
    TempDir dir;
    struct Case {
        std::string file; // empty: the dialog is cancelled
        QStringList errors;
    } cases[] = {
        {dir.File("list.SXC"), {}},
        {dir.File("missing/list.SXC"), {QStringLiteral("Error: Could not save categories.")}},
        {"", {}},
    };
    for (const Case& c : cases) {
        s.answers.ClearAsked();
        s.answers.setNextFileName(Q(c.file));
        QTest::mouseClick(s.form.ButtonExport, Qt::LeftButton);
        EXPECT_EQ(s.Errors(), c.errors) << c.file;
        ASSERT_FALSE(s.answers.Asked().isEmpty());
        const TFileDialogSpec& asked = s.answers.Asked().first().spec;
        EXPECT_EQ(asked.defaultExtension, QLatin1String(".SXC"));
        EXPECT_EQ(asked.filter, QLatin1String("Category files (*.SXC)|*.SXC|All files (*.*)|*.*"));
    }
    CMedienListe back;
    ASSERT_TRUE(back.LoadCategories(dir.File("list.SXC")));
    EXPECT_EQ(back.Categories, (Names{"Zeta", "alpha", "Beta"})) << "list order, not display order";
    EXPECT_EQ(s.cat.Categories, (Names{"Zeta", "alpha", "Beta"}));
}

TEST(CategoriesDialog, ImportReplacesTheListOrReportsWhatWentWrong) {
    TempDir dir;
    auto raw = [&dir](const char* name, int32_t version, int32_t count, Names names) {
        TMemoryStream memory;
        WriteInt(memory, version);
        WriteInt(memory, count);
        for (const auto& n : names) WriteString(memory, n);
        EXPECT_TRUE(SaveCompressedFile(memory, dir.File(name)));
        return dir.File(name);
    };
    WriteWholeFile(dir.File("plain.txt"), "Music\nFilms\n");
    const QString failed = Error(CategoryMessages::msgNoCatImport);
    struct Case {
        const char* what;
        std::string file;
        Names after;
        QStringList errors;
    } cases[] = {
        {"a list", raw("two.SXC", 1, 2, {"x", "Y"}), {"x", "Y"}, {}},
        {"an empty list", raw("none.SXC", 1, 0, {}), {}, {}},
        {"version 2", raw("v2.SXC", 2, 1, {"new"}), {}, {failed}},
        {"shorter than its count", raw("short.SXC", 1, 3, {"First"}), {"First"}, {failed}},
        {"a missing file", dir.File("gone.SXC"), {}, {failed}},
        {"not bzip2", dir.File("plain.txt"), {}, {failed}},
        {"cancelled", "", {"Old"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Session s({"Old"});
        s.answers.setNextFileName(Q(c.file));
        QTest::mouseClick(s.form.ButtonImport, Qt::LeftButton);
        EXPECT_EQ(s.cat.Categories, c.after);
        EXPECT_EQ(s.Errors(), c.errors);
        EXPECT_EQ(s.Display().size(), int(c.after.size())) << "the view shows the list";
        EXPECT_EQ(s.cat.Modified, c.after != Names{"Old"}) << "a changed list is a change";
    }
}

TEST(CategoriesDialog, ImportIsRefusedWhileAnythingHoldsACategory) {
    struct Case {
        const char* what;
        int32_t mediumCategory;
        int32_t entryCategory;
        bool refused;
    } cases[] = {
        {"a medium holds one", 0, -1, true},
        {"only an entry in an unloaded medium holds one", -1, 1, true},
        {"nothing holds one", -1, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        {
            CMedienListe source;
            source.Categories = {"A", "B"};
            CMedium& m = *source.AddMedium(std::make_unique<CMedium>(&source));
            m.ContentLoaded = true;
            m.Category = c.mediumCategory;
            AddTestEntry(m, nullptr, "f", kindFile, 1, 45000.0, c.entryCategory);
            ASSERT_TRUE(source.Save(dir.File("I.SXF")));
        }
        Session s({});
        ASSERT_TRUE(s.cat.Load(dir.File("I.SXF")));
        QTest::mouseClick(s.form.ButtonImport, Qt::LeftButton);
        ASSERT_EQ(s.answers.Asked().size(), 1);
        EXPECT_EQ(s.answers.Asked().first().kind, QLatin1String(c.refused ? "message" : "open"));
        if (c.refused) {
            EXPECT_EQ(s.Errors(), QStringList{Error(CategoryMessages::msgNoCatLoad)});
        }
        EXPECT_EQ(s.cat.Categories, (Names{"A", "B"})) << "nothing chosen, nothing replaced";
    }
}

TEST(CategoriesDialog, RegistersItsFourMessageKeys) {
    TfrmCategories form;
    EXPECT_EQ(form.Variables.Count(), 4u);
    for (std::string* message : {&CategoryMessages::msgExist, &CategoryMessages::msgAssigned,
                                 &CategoryMessages::msgNoCatLoad, &CategoryMessages::msgNoCatImport})
        EXPECT_NE(std::find_if(form.Variables.begin(), form.Variables.end(),
                               [message](const auto& e) { return e.variable == message; }),
                  form.Variables.end());
}

TEST(CategoryViews, OpeningFromADetailsDialogRefillsAndReselectsItsPickList) {
    struct Case {
        std::string held;
        QString selected; // empty: nothing
    } cases[] = {
        {"Films", "Films"},
        {"", ""},
        {"Gone", ""},
        {"music", "Music"}, // shown once as Music; the shown spelling stands for it
        {"Zed", "Zed"},     // added while the dialog was open
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.held);
        TScriptedInteraction answers;
        CMedienListe cat;
        cat.Categories = {"Music", "Films", "music"};
        TfrmCategories form;
        form.EditName->setText(QStringLiteral("stale")); // left in change mode last time
        form.VSTCategories->setEnabled(false);
        QComboBox pickList;
        pickList.addItem(QStringLiteral("old"));
        bool startedInAddMode = false;
        QTimer::singleShot(0, &form, [&] {
            startedInAddMode = !form.InChangeMode() && form.EditName->text().isEmpty();
            form.EditName->setText(QStringLiteral("Zed"));
            QTest::mouseClick(form.ButtonAddChange, Qt::LeftButton);
            QTest::mouseClick(form.ButtonClose, Qt::LeftButton);
        });
        OpenCategoriesDialog(form, cat, &pickList, [&c] { return c.held; });
        EXPECT_TRUE(startedInAddMode);
        QStringList items;
        for (int i = 0; i < pickList.count(); ++i) items << pickList.itemText(i);
        EXPECT_EQ(items, (QStringList{"Films", "Music", "Zed"}));
        EXPECT_EQ(pickList.currentIndex() < 0 ? QString() : pickList.currentText(), c.selected);
        EXPECT_EQ(form.FCatalogue, nullptr) << "no hold on a catalogue that may be replaced";
        EXPECT_EQ(form.VSTCategories->model()->rowCount(), 0);
    }
}

} // namespace

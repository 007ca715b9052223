// The ten dialogs besides the main window: names, captions, kinds and initial states of their
// components and the buttons that only close with a result. Language files address components
// by these names, so a name that drifts breaks translation silently.
#include "widgets/fontscale.h"
#include "widgets/imagelists.h"
#include "widgets/modalresult.h"
#include "app/ufrmCleanUp.h"
#include "app/ufrmImport.h"
#include "app/ufrmInfo.h"
#include "app/ufrmRestore.h"
#include "categories/ufrmCategories.h"
#include "categories/ufrmDetailsFiles.h"
#include "scan/ufrmMediaDetails.h"
#include "scan/ufrmMediaRead.h"
#include "search/ufrmSearch.h"
#include "search/ufrmSearchWindow.h"
#include "support/qtprinters.h"
#include "support/scriptedinteraction.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTreeView>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>

namespace {

const TImageList SharedDrives; // stands for the main window's ImageListDrives

using Factory = std::function<std::unique_ptr<QDialog>()>;

struct Component {
    const char* name;
    const char* kind; // Qt class the component is, or inherits from
    QString caption;  // items and column titles joined by "|"; null when the wording is free
};

struct WindowCase {
    const char* form;
    const char* title;
    Factory make;
    std::vector<Component> components;
};

template <class W> Factory Plain() {
    return [] { return std::make_unique<W>(); };
}
template <class W> Factory WithDrives() {
    return [] { return std::make_unique<W>(&SharedDrives); };
}

const std::vector<WindowCase>& Windows() {
    // clang-format off
    static const std::vector<WindowCase> windows = {
        {"frmMediaRead", "Examining Media...", Plain<TfrmMediaRead>(), {
            {"LabelPos", "QLabel", "Current position"}, {"LabelMFiles", "QLabel", "Files:"},
            {"LabelFiles", "QLabel", "0"}, {"LabelMDirs", "QLabel", "Directories:"},
            {"LabelDirectories", "QLabel", "0"}, {"LabelMSize", "QLabel", "Size:"},
            {"LabelSize", "QLabel", "0"}, {"ButtonStop", "QPushButton", "&Stop"},
            {"Timer", "QTimer", ""}}},
        {"frmMediaDetails", "Media Details", Plain<TfrmMediaDetails>(), {
            {"GroupBox1", "QGroupBox", ""}, {"LabelMSerial", "QLabel", "Serialnumber:"},
            {"LabelSerial", "QLabel", "0"}, {"LabelMLabel", "QLabel", "Label:"},
            {"LabelLabel", "QLabel", "###"}, {"LabelMSize", "QLabel", "Size:"},
            {"LabelSize", "QLabel", "0"}, {"LabelMFolders", "QLabel", "Folders:"},
            {"LabelFolders", "QLabel", "0"}, {"LabelMFiles", "QLabel", "Files:"},
            {"LabelFiles", "QLabel", "0"}, {"LabelSpace", "QLabel", ""}, {"GroupBox2", "QGroupBox", ""},
            {"LabelMName", "QLabel", "&Name:"}, {"EditName", "QLineEdit", ""},
            {"LabelMNotice", "QLabel", "No&tice:"}, {"MemoNotice", "QPlainTextEdit", ""},
            {"LabelMCat", "QLabel", "&Category:"}, {"ComboBoxCategory", "QComboBox", ""},
            {"ButtonCategory", "QPushButton", "..."}, {"ButtonOK", "QPushButton", "&OK"},
            {"ButtonAbort", "QPushButton", "&Abort"}}},
        {"frmRestore", "Restore", WithDrives<TfrmRestore>(), {
            {"LabelRestore", "QLabel", "&Select media to restore:"},
            {"VTRestore", "QTreeView", "Name|Category"},
            {"ButtonRestore", "QPushButton", "&Restore"},
            {"ButtonRestoreAll", "QPushButton", "Restore &All"},
            {"ButtonAbort", "QPushButton", "A&bort"}}},
        {"frmCleanUp", "Clean up", WithDrives<TfrmCleanUp>(), {
            {"LabelDelete", "QLabel", "&The following items will be deleted:"},
            {"VTCleanUp", "QTreeView", "Name|Category"}, {"ButtonOK", "QPushButton", "&OK"},
            {"ButtonAbort", "QPushButton", "&Abort"}}},
        {"frmCategories", "Categories", Plain<TfrmCategories>(), {
            {"EditName", "QLineEdit", ""}, {"LabelAvailCats", "QLabel", "A&vailable categories:"},
            {"VSTCategories", "QTreeView", "Name"},
            {"ButtonAddChange", "QPushButton", "&Add / Change"}, {"ButtonRename", "QPushButton", "Re&name"},
            {"ButtonRemove", "QPushButton", "&Remove"}, {"ButtonImport", "QPushButton", "&Import"},
            {"ButtonExport", "QPushButton", "&Export"}, {"ButtonClose", "QPushButton", "&Close"}}},
        {"frmSearch", "Search", WithDrives<TfrmSearch>(), {
            {"GroupBoxSearch", "QGroupBox", "Searc&h for:"}, {"EditSearch", "QLineEdit", ""},
            {"GroupBoxOptions", "QGroupBox", "Options:"}, {"CheckBoxName", "QCheckBox", "&Name"},
            {"CheckBoxLabel", "QCheckBox", "&Label"}, {"CheckBoxNotice", "QCheckBox", "Not&ice"},
            {"CheckBoxFiles", "QCheckBox", "&Files"}, {"CheckBoxFolders", "QCheckBox", "Fold&ers"},
            {"CheckBoxAll", "QCheckBox", "&All"},
            {"CheckBoxCaseSensitive", "QCheckBox", "Case sensiti&ve"},
            {"GroupBoxDate", "QGroupBox", "Date:"}, {"CheckBoxDateFrom", "QCheckBox", "fro&m:"},
            {"DTPDateFrom", "QDateEdit", QDate::currentDate().toString(Qt::ISODate)}, {"CheckBoxDateTo", "QCheckBox", "&to:"},
            {"DTPDateTo", "QDateEdit", QDate::currentDate().toString(Qt::ISODate)}, {"GroupBoxSize", "QGroupBox", "Size:"},
            {"CheckBoxSizeFrom", "QCheckBox", "f&rom:"}, {"EditSizeFrom", "QLineEdit", ""},
            {"ComboBoxSizeFrom", "QComboBox", "Byte|KB|MB|GB"},
            {"CheckBoxSizeTo", "QCheckBox", "t&o:"}, {"EditSizeTo", "QLineEdit", ""},
            {"ComboBoxSizeTo", "QComboBox", "Byte|KB|MB|GB"},
            {"GroupBoxCategory", "QGroupBox", "Category"},
            {"CheckBoxCategory", "QCheckBox", "&use:"}, {"ComboBoxCategory", "QComboBox", ""},
            {"CheckBoxDetails", "QCheckBox", "&Details contain:"}, {"EditDetails", "QLineEdit", ""},
            {"ButtonSearch", "QPushButton", "&Search"},
            {"GroupBoxResults", "QGroupBox", "Search results:"},
            {"VSTResults", "QTreeView", "|Media||Result|Size|Date|Location|Dimensions|Duration|Taken|Artist|Album|Title|Camera"},
            {"PreviewPane", "TPreviewPane", QString()}, {"PreviewPicture", "QLabel", ""},
            {"PreviewName", "QLabel", ""}, {"PreviewFacts", "QTreeView", "|"},
            {"StatusBar", "QStatusBar", ""}, {"ButtonShow", "QPushButton", "Sho&w"},
            {"ButtonClose", "QPushButton", "&Close"},
            {"ButtonExportCsv", "QPushButton", "E&xport CSV..."},
            {"ButtonExportHtml", "QPushButton", "Ex&port HTML..."}}},
        {"frmSearchWindow", "Searching...", Plain<TfrmSearchWindow>(), {
            {"LabelPos", "QLabel", "Current position"}, {"LabelSItems", "QLabel", "Items:"},
            {"LabelItems", "QLabel", "0"}, {"LabelSResults", "QLabel", "Results:"},
            {"LabelResults", "QLabel", "0"}, {"ButtonStop", "QPushButton", "&Stop"},
            {"Timer", "QTimer", ""}}},
        {"frmInfo", "Information", Plain<TfrmInfo>(), {
            {"Image1", "QLabel", ""}, {"Label1", "QLabel", "Shelvix"},
            {"LabelVersion", "QLabel", "###"},
            {"GroupBoxInfo", "QGroupBox", "   Program information:   "},
            {"LabelIRar", "QLabel", "RAR support:"}, {"LabelRAR", "QLabel", "###"},
            {"LabelIZip", "QLabel", "ZIP support:"}, {"LabelZIP", "QLabel", "###"},
            {"ScrollingLabelEasterEgg", "QLabel", QString()},
            {"ButtonClose", "QPushButton", "&Close"}}},
        {"frmDetailsFile", "Details", Plain<TfrmDetailsFile>(), {
            {"LabelFName", "QLabel", "Name:"}, {"LabelName", "QLabel", "###"},
            {"LabelFMedium", "QLabel", "Medium:"}, {"LabelMedium", "QLabel", ""},
            {"LabelFPath", "QLabel", "Path:"}, {"LabelPath", "QLabel", ""},
            {"LabelFSize", "QLabel", "Size:"}, {"LabelSize", "QLabel", ""},
            {"LabelFDate", "QLabel", "Date:"}, {"LabelDate", "QLabel", ""},
            {"LabelFDetails", "QLabel", ""}, {"LabelDetails", "QLabel", ""},
            {"LabelCat", "QLabel", "&Category:"}, {"ComboBoxCategory", "QComboBox", ""},
            {"ButtonCategories", "QPushButton", "..."},
            {"CheckBoxSub", "QCheckBox", "&Include subfolders and files"},
            {"ButtonOK", "QPushButton", "&OK"}, {"ButtonAbort", "QPushButton", "&Abort"}}},
        {"frmImport", "Import", Plain<TfrmImport>(), {
            {"LabelName", "QLabel", ""}, {"Label1", "QLabel", "&Enter number of files:"},
            {"EditFiles", "QLineEdit", ""}, {"ButtonOK", "QPushButton", "&OK"}}},
    };
    // clang-format on
    return windows;
}

std::unique_ptr<QDialog> Make(const char* form) {
    for (const WindowCase& window : Windows())
        if (QLatin1String(window.form) == QLatin1String(form)) return window.make();
    ADD_FAILURE() << "no window " << form;
    return nullptr;
}

// The visible text of a component, by its kind.
QString CaptionOf(const QObject* object) {
    if (auto* date = qobject_cast<const QDateEdit*>(object))
        return date->date().toString(Qt::ISODate);
    if (auto* label = qobject_cast<const QLabel*>(object)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(object)) return button->text();
    if (auto* box = qobject_cast<const QGroupBox*>(object)) return box->title();
    if (auto* edit = qobject_cast<const QLineEdit*>(object)) return edit->text();
    if (auto* memo = qobject_cast<const QPlainTextEdit*>(object)) return memo->toPlainText();
    if (auto* status = qobject_cast<const QStatusBar*>(object)) return status->currentMessage();
    QStringList items; // column titles of a list, items of a pick list
    if (auto* view = qobject_cast<const QTreeView*>(object))
        for (int i = 0; i < view->model()->columnCount(); ++i)
            items << view->model()->headerData(i, Qt::Horizontal).toString();
    if (auto* combo = qobject_cast<const QComboBox*>(object))
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
    return items.join('|');
}

// Test names say which window a case is about.
void PrintTo(const WindowCase& c, std::ostream* out) { *out << c.form; }

class SecondaryWindow : public ::testing::TestWithParam<WindowCase> {};

TEST_P(SecondaryWindow, HasItsNameCaptionAndComponents) {
    const WindowCase& expected = GetParam();
    std::unique_ptr<QDialog> window = expected.make();
    EXPECT_EQ(window->objectName(), QLatin1String(expected.form));
    EXPECT_EQ(window->windowTitle(), QLatin1String(expected.title));
    for (const Component& component : expected.components) {
        SCOPED_TRACE(component.name);
        const QList<QObject*> found = window->findChildren<QObject*>(component.name);
        ASSERT_EQ(found.size(), 1) << "components are addressed by unique names";
        EXPECT_TRUE(found[0]->inherits(component.kind)) << found[0]->metaObject()->className();
        if (!component.caption.isNull()) {
            EXPECT_EQ(CaptionOf(found[0]), component.caption);
        }
    }
}

// Every named descendant is a listed component, so nothing is named by mistake.
TEST_P(SecondaryWindow, NamesNothingBeyondItsComponents) {
    const WindowCase& expected = GetParam();
    std::unique_ptr<QDialog> window = expected.make();
    std::set<QString> listed;
    for (const Component& component : expected.components)
        listed.insert(component.name);
    for (const QObject* child : window->findChildren<QObject*>()) {
        const QString name = child->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;
        EXPECT_TRUE(listed.count(name)) << qPrintable(name) << " is not a listed component";
    }
}

INSTANTIATE_TEST_SUITE_P(AllDialogs, SecondaryWindow, ::testing::ValuesIn(Windows()),
                         [](const auto& info) { return std::string(info.param.form); });

struct ClosingButton {
    const char* form;
    const char* button;
    int result;
};

void PrintTo(const ClosingButton& c, std::ostream* out) { *out << c.form << '.' << c.button; }

class ButtonResult : public ::testing::TestWithParam<ClosingButton> {};

// A result of -1: the button keeps the window open and says why (Restore with nothing chosen).
TEST_P(ButtonResult, ClosesWithItsModalResult) {
    TScriptedInteraction script;
    std::unique_ptr<QDialog> window = Make(GetParam().form);
    ASSERT_TRUE(window);
    auto* button = window->findChild<QAbstractButton*>(GetParam().button);
    ASSERT_NE(button, nullptr);
    window->show();
    window->setResult(-1);
    button->click();
    EXPECT_EQ(window->result(), GetParam().result);
    EXPECT_EQ(window->isVisible(), GetParam().result == -1);
    EXPECT_EQ(script.MessageTexts().size(), GetParam().result == -1 ? 1 : 0);
}

// clang-format off
const std::vector<ClosingButton> ClosingButtons = {
    {"frmMediaDetails", "ButtonOK", mrOk}, {"frmMediaDetails", "ButtonAbort", mrCancel},
    {"frmRestore", "ButtonRestore", -1}, // nothing listed, nothing chosen
    {"frmRestore", "ButtonRestoreAll", mrCustom101}, {"frmRestore", "ButtonAbort", mrCancel},
    {"frmCleanUp", "ButtonOK", mrOk}, {"frmCleanUp", "ButtonAbort", mrCancel},
    {"frmCategories", "ButtonClose", mrOk}, {"frmSearch", "ButtonClose", mrCancel},
    {"frmInfo", "ButtonClose", mrOk}, {"frmImport", "ButtonOK", mrOk},
    {"frmDetailsFile", "ButtonOK", mrCustom100}, {"frmDetailsFile", "ButtonAbort", mrCancel}};
// clang-format on

INSTANTIATE_TEST_SUITE_P(DialogButtons, ButtonResult, ::testing::ValuesIn(ClosingButtons),
                         [](const auto& info) {
                             return std::string(info.param.form) + "_" + info.param.button;
                         });

struct InitialState {
    const char* form;
    const char* component;
    const char* property;
    QVariant value;
    bool drawn = false; // a size or width drawn for an 8-point font, scaled by the running font
};

void PrintTo(const InitialState& c, std::ostream* out) {
    *out << c.form << '.' << (*c.component ? c.component : "window") << '.' << c.property;
}

class StartState : public ::testing::TestWithParam<InitialState> {};

TEST_P(StartState, PropertyHoldsItsInitialValue) {
    const InitialState& expected = GetParam();
    std::unique_ptr<QDialog> window = Make(expected.form);
    ASSERT_TRUE(window);
    QObject* component =
        *expected.component ? window->findChild<QObject*>(expected.component) : window.get();
    ASSERT_NE(component, nullptr);
    const QVariant actual = component->property(expected.property);
    ASSERT_TRUE(actual.isValid()) << "no property " << expected.property;
    QVariant value = expected.value;
    if (expected.drawn) {
        const TFontScale scale(window.get());
        value = value.typeId() == QMetaType::QSize
                    ? QVariant(scale.Size(value.toSize().width(), value.toSize().height()))
                    : QVariant(scale.X(value.toInt()));
    }
    if (value.typeId() == QMetaType::Int) { // enumerations come back as their own type
        EXPECT_EQ(actual.toInt(), value.toInt());
    } else {
        EXPECT_EQ(actual, value) << actual.toString().toStdString();
    }
}

const QVariant Off(false);
const QVariant On(true);
constexpr int Extended = QAbstractItemView::ExtendedSelection;
constexpr int Single = QAbstractItemView::SingleSelection;
constexpr int Rows = QAbstractItemView::SelectRows;
constexpr int Cells = QAbstractItemView::SelectItems;

INSTANTIATE_TEST_SUITE_P(
    Components, StartState,
    ::testing::Values(
        InitialState{"frmMediaRead", "", "minimumSize", QSize(265, 121), true},
        InitialState{"frmMediaRead", "", "maximumSize", QSize(265, 121), true},
        InitialState{"frmMediaDetails", "", "minimumSize", QSize(417, 329)},
        InitialState{"frmMediaDetails", "", "maximumSize", QSize(417, 329)},
        InitialState{"frmSearchWindow", "", "minimumSize", QSize(265, 105), true},
        InitialState{"frmSearchWindow", "", "maximumSize", QSize(265, 105), true},
        InitialState{"frmMediaRead", "Timer", "interval", 100},
        InitialState{"frmMediaRead", "Timer", "active", Off},
        InitialState{"frmMediaRead", "LabelPos", "maximumWidth", 249, true},
        InitialState{"frmSearchWindow", "Timer", "interval", 100},
        InitialState{"frmSearchWindow", "Timer", "active", Off},
        InitialState{"frmMediaDetails", "GroupBox1", "size", QSize(401, 105)},
        InitialState{"frmMediaDetails", "GroupBox2", "size", QSize(401, 169)},
        InitialState{"frmMediaDetails", "MemoNotice", "maximumSize", QSize(265, 89)},
        InitialState{"frmMediaDetails", "ButtonCategory", "maximumSize", QSize(25, 21)},
        InitialState{"frmRestore", "VTRestore", "maximumSize", QSize(289, 305), true},
        InitialState{"frmRestore", "VTRestore", "selectionMode", Extended},
        InitialState{"frmRestore", "VTRestore", "selectionBehavior", Rows},
        InitialState{"frmCleanUp", "VTCleanUp", "maximumSize", QSize(289, 305), true},
        InitialState{"frmCleanUp", "VTCleanUp", "selectionMode", Single},
        InitialState{"frmCleanUp", "VTCleanUp", "selectionBehavior", Cells},
        InitialState{"frmCategories", "VSTCategories", "selectionMode", Single},
        InitialState{"frmCategories", "VSTCategories", "selectionBehavior", Rows},
        InitialState{"frmSearch", "VSTResults", "selectionMode", Single},
        InitialState{"frmSearch", "DTPDateFrom", "enabled", Off},
        InitialState{"frmSearch", "DTPDateFrom", "calendarPopup", On},
        InitialState{"frmSearch", "DTPDateFrom", "time", QTime(0, 0)},
        InitialState{"frmSearch", "DTPDateTo", "time", QTime(0, 0)},
        InitialState{"frmSearch", "CheckBoxFiles", "checked", On},
        InitialState{"frmSearch", "CheckBoxFolders", "checked", On},
        InitialState{"frmSearch", "EditSizeFrom", "enabled", Off},
        InitialState{"frmSearch", "ComboBoxSizeFrom", "enabled", Off},
        InitialState{"frmSearch", "ComboBoxSizeFrom", "currentIndex", -1},
        InitialState{"frmSearch", "ComboBoxSizeTo", "currentIndex", -1},
        InitialState{"frmSearch", "ComboBoxCategory", "enabled", Off},
        InitialState{"frmSearch", "EditDetails", "enabled", Off},
        InitialState{"frmSearch", "ComboBoxCategory", "editable", Off},
        InitialState{"frmSearch", "ButtonSearch", "default", On},
        InitialState{"frmInfo", "Image1", "size", QSize(393, 81)},
        InitialState{"frmDetailsFile", "CheckBoxSub", "checked", On},
        InitialState{"frmDetailsFile", "ComboBoxCategory", "editable", Off},
        InitialState{"frmDetailsFile", "ButtonCategories", "maximumSize", QSize(25, 21)}),
    [](const auto& info) {
        return std::string(info.param.form) + "_" +
               (*info.param.component ? info.param.component : "window") + "_" +
               info.param.property;
    });

struct ColumnLayout {
    const char* form;
    const char* view;
    std::vector<int> widths; // as drawn for an 8-point font; -1: the column follows the view's width;
                             // 0: hidden until chosen
    int dateColumn = -1;     // wider where a full date and time needs it
};

void PrintTo(const ColumnLayout& c, std::ostream* out) { *out << c.form << '.' << c.view; }

class Columns : public ::testing::TestWithParam<ColumnLayout> {};

TEST_P(Columns, HaveTheirWidthsAndMovableHeaders) {
    std::unique_ptr<QDialog> window = Make(GetParam().form);
    ASSERT_TRUE(window);
    auto* view = window->findChild<QTreeView*>(GetParam().view);
    ASSERT_NE(view, nullptr);
    const std::vector<int>& widths = GetParam().widths;
    ASSERT_EQ(view->model()->columnCount(), int(widths.size()));
    for (int i = 0; i < int(widths.size()); ++i) {
        if (widths[i] < 0) {
            EXPECT_TRUE(view->header()->stretchLastSection());
            EXPECT_EQ(i, int(widths.size()) - 1);
        } else if (i == GetParam().dateColumn) {
            EXPECT_GE(view->header()->sectionSize(i), TFontScale(view).X(widths[i]));
        } else {
            EXPECT_EQ(view->header()->sectionSize(i), TFontScale(view).X(widths[i])) << "column " << i;
        }
    }
    EXPECT_EQ(view->header()->sectionResizeMode(0), QHeaderView::Interactive);
    EXPECT_FALSE(view->rootIsDecorated()) << "the lists are flat";
}

INSTANTIATE_TEST_SUITE_P(
    Lists, Columns,
    ::testing::Values(ColumnLayout{"frmRestore", "VTRestore", {140, 140}},
                      ColumnLayout{"frmCleanUp", "VTCleanUp", {140, 140}},
                      ColumnLayout{"frmCategories", "VSTCategories", {-1}},
                      ColumnLayout{"frmSearch", "VSTResults", {20, 150, 20, 150, 80, 100, 500, 0, 0, 0, 0, 0, 0, 0}, 5}),
    [](const auto& info) { return std::string(info.param.view); });

TEST(SecondaryWindows, ListsKeepTheMainWindowsDriveIcons) {
    TImageList drives;
    EXPECT_EQ(TfrmRestore(&drives).Drives(), &drives);
    EXPECT_EQ(TfrmCleanUp(&drives).Drives(), &drives);
    EXPECT_EQ(TfrmSearch(&drives).Drives(), &drives);
}

TEST(SecondaryWindows, SearchResultSizesAlignRightAndWidthsAreKept) {
    TfrmSearch search(&SharedDrives);
    const QAbstractItemModel* model = search.VSTResults->model();
    const QHeaderView* columns = search.VSTResults->header();
    for (int column = 0; column < TfrmSearch::ResultColumnCount; ++column) {
        const auto alignment =
            Qt::Alignment(model->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt());
        EXPECT_EQ(bool(alignment & Qt::AlignRight), column == 4) << "column " << column;
        EXPECT_EQ(search.ResultColumnWidth(column), columns->sectionSize(column));
    }
}

TEST(SecondaryWindows, CategoryFileDialogsCarryTheirFiltersAndExtensions) {
    TfrmCategories categories;
    EXPECT_EQ(categories.OpenDialogCategories.filter,
              QLatin1String("Category files (*.SXC)|*.SXC|All files (*.*)|*.*"));
    EXPECT_EQ(categories.OpenDialogCategories.defaultExtension, QLatin1String("*.SXC"));
    EXPECT_FALSE(categories.OpenDialogCategories.confirmOverwrite);
    // The export dialog offers category files, not foreign catalogues (".CAT").
    EXPECT_EQ(categories.SaveDialogCategories.filter,
              QLatin1String("Category files (*.SXC)|*.SXC|All files (*.*)|*.*"));
    EXPECT_EQ(categories.SaveDialogCategories.defaultExtension, QLatin1String(".SXC"));
    EXPECT_TRUE(categories.SaveDialogCategories.confirmOverwrite);
}

TEST(SecondaryWindows, AboutBoxShowsItsLogoButNotTheCredits) {
    TfrmInfo info;
    info.show();
    EXPECT_EQ(info.Image1->pixmap().size(), QSize(393, 81));
    EXPECT_TRUE(info.Image1->pixmap().hasAlphaChannel()) << "the logo is transparent";
    EXPECT_FALSE(info.ScrollingLabelEasterEgg->isVisible());
}

} // namespace

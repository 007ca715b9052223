// Keyboard access in every window: each menu item, button, check box and field caption has a
// marked letter of its own within its menu or window, and a caption beside a field takes the
// focus to it.
#include "widgets/keyboardaccess.h"
#include "widgets/languagetranslator.h"
#include "app/shelvixwindows.h"
#include "app/ufrmQuickFind.h"
#include "app/ufrmShelvix.h"
#include "support/catalogue_text.h"
#include "support/scriptedinteraction.h"
#include "support/testfiles.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QBoxLayout>
#include <QCalendarWidget>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include <map>
#include <ostream>

namespace {

bool IsField(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QComboBox*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QAbstractItemView*>(widget);
}

// The widget that stands right of `label` in its grid, or below it; the next one in a box row.
QWidget* WidgetBeside(QLayout* layout, const QLabel* label) {
    if (!layout) return nullptr;
    const int index = layout->indexOf(label);
    if (index >= 0) {
        if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
            int row, column, rows, columns;
            grid->getItemPosition(index, &row, &column, &rows, &columns);
            // A caption beside its field, or above it at the row's start with nothing beside.
            QLayoutItem* item = grid->itemAtPosition(row, column + columns);
            if (!item && column == 0) item = grid->itemAtPosition(row + rows, column);
            return item && item->widget() && IsField(item->widget()) ? item->widget() : nullptr;
        }
        QLayoutItem* next = layout->itemAt(index + 1);
        return next && next->widget() && IsField(next->widget()) ? next->widget() : nullptr;
    }
    for (int i = 0; i < layout->count(); ++i)
        if (QWidget* found = WidgetBeside(layout->itemAt(i)->layout(), label)) return found;
    return nullptr;
}

// Parts of a compound widget (a date picker's calendar, a tool bar's own buttons) are Qt's.
bool OursToCheck(const QWidget* widget, const QWidget* window) {
    if (widget->window() != window || widget->objectName().startsWith(QLatin1String("qt_"))) return false;
    for (const QWidget* up = widget->parentWidget(); up && up != window; up = up->parentWidget())
        if (qobject_cast<const QCalendarWidget*>(up) || qobject_cast<const QAbstractSpinBox*>(up) ||
            qobject_cast<const QMenu*>(up))
            return false;
    return !qobject_cast<const QToolButton*>(widget);
}

bool HasLetter(const QString& text) {
    for (QChar c : text)
        if (c.isLetterOrNumber()) return true;
    return false;
}

struct TMarks {
    std::map<char16_t, QString> taken;
    QStringList faults;
    int count = 0;
    void Take(const QString& where, const QString& text) {
        const QChar mark = MnemonicOf(text);
        if (mark.isNull()) {
            faults << where + QStringLiteral(": \"%1\" has no marked letter").arg(text);
            return;
        }
        ++count;
        const auto [at, fresh] = taken.emplace(mark.unicode(), text);
        if (!fresh) faults << where + QStringLiteral(": \"%1\" and \"%2\" share Alt+%3").arg(at->second, text, mark);
    }
};

// The items of one menu (a submenu is an item, and a menu of its own).
void CheckMenu(const QMenu* menu, const QString& where, QStringList& faults, int& count) {
    TMarks marks;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator() || action->text().isEmpty()) continue;
        // A note among the items (a catalogue that is gone) is not chosen.
        if (!action->isEnabled() && action->objectName().isEmpty() && !action->menu()) continue;
        marks.Take(where + QLatin1Char('/') + menu->objectName(), action->text());
    }
    faults << marks.faults;
    count += marks.count;
}

// Every fault of `window`, and the number of marked letters found.
QStringList CheckWindow(QWidget* window, int& count) {
    const QString name = window->objectName();
    QStringList faults;
    TMarks controls; // Alt+letter in the window: its own controls and the menu bar's titles
    if (auto* main = qobject_cast<QMainWindow*>(window); main && main->menuBar())
        for (QAction* title : main->menuBar()->actions())
            controls.Take(name + QStringLiteral(" menu bar"), title->text());
    // The window's menus and context menus, not those of the dialogs it is the parent of.
    for (QMenu* menu : window->findChildren<QMenu*>())
        if (menu->parentWidget() && menu->parentWidget()->window() == window)
            CheckMenu(menu, name, faults, count);
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!OursToCheck(widget, window)) continue;
        const QString where = name + QLatin1Char('/') + widget->objectName();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            if (HasLetter(button->text())) controls.Take(where, button->text());
        } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
            if (!MnemonicOf(box->title()).isNull()) controls.Take(where, box->title());
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            // A label set as plain text shows data (an entry's name above its facts), no caption.
            if (label->textFormat() == Qt::PlainText) continue;
            QWidget* field = WidgetBeside(label->parentWidget()->layout(), label);
            if (label->buddy()) controls.Take(where, label->text());
            if (field && label->buddy() != field)
                faults << where + QStringLiteral(": the caption of %1 does not lead to it").arg(field->objectName());
            if (!label->buddy() && !MnemonicOf(label->text()).isNull())
                faults << where + QStringLiteral(": marks a letter but leads to no field");
        }
    }
    faults << controls.faults;
    count += controls.count;
    return faults;
}

QWidget* TopLevel(const QString& name) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == name) return widget;
    return nullptr;
}

struct WindowCase {
    const char* window;
    int marks; // marked letters the walk must find, so that a window it misses fails
};

void PrintTo(const WindowCase& c, std::ostream* out) { *out << c.window; }

class KeyboardAccess : public ::testing::TestWithParam<WindowCase> {};

TEST_P(KeyboardAccess, EveryItemAndControlHasALetterOfItsOwn) {
    TScriptedInteraction script;
    TShelvixWindows windows;
    // The media tree's column menu is made when it is asked for.
    TfrmShelvix& main = *windows.frmShelvix;
    emit main.VTMedien->header()->customContextMenuRequested(QPoint(1, 1));
    QWidget* window = TopLevel(QString::fromLatin1(GetParam().window));
    ASSERT_NE(window, nullptr);
    int count = 0;
    const QStringList faults = CheckWindow(window, count);
    EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
    EXPECT_GE(count, GetParam().marks);
    for (QMenu* menu : main.findChildren<QMenu*>()) menu->close();
}

INSTANTIATE_TEST_SUITE_P(
    Windows, KeyboardAccess,
    ::testing::Values(WindowCase{"frmShelvix", 39}, WindowCase{"frmMediaRead", 1},
                      WindowCase{"frmMediaDetails", 5}, WindowCase{"frmRestore", 4},
                      WindowCase{"frmCleanUp", 3}, WindowCase{"frmCategories", 7},
                      WindowCase{"frmSearch", 21}, WindowCase{"frmSearchWindow", 1},
                      WindowCase{"frmInfo", 1}, WindowCase{"frmDetailsFile", 4},
                      WindowCase{"frmImport", 2}, WindowCase{"frmDuplicates", 8},
                      WindowCase{"frmDuplicatesWindow", 1}),
    [](const auto& info) { return std::string(info.param.window); });

struct MarkCase {
    const char* name;
    QStringList captions;
    QStringList marked;
};

void PrintTo(const MarkCase& c, std::ostream* out) { *out << c.name; }

class Mnemonics : public ::testing::TestWithParam<MarkCase> {};

TEST_P(Mnemonics, FreeLettersGoToCaptionsWithout) {
    EXPECT_EQ(WithMnemonics(GetParam().captions), GetParam().marked);
}

INSTANTIATE_TEST_SUITE_P(
    Captions, Mnemonics,
    ::testing::Values(
        MarkCase{"FirstLetters", {"Yes", "No", "Cancel"}, {"&Yes", "&No", "&Cancel"}},
        MarkCase{"ATakenLetterIsPassed", {"Copy path", "Close"}, {"&Copy path", "C&lose"}},
        MarkCase{"OwnMarksAreKeptAndReserved", {"Open", "&Other"}, {"O&pen", "&Other"}},
        MarkCase{"LetterCaseCountsOnce", {"ok", "OK"}, {"&ok", "O&K"}},
        MarkCase{"AnAmpersandOfTheTextIsNoMark", {"&&Co", "R&&D"}, {"&&&Co", "&R&&D"}},
        MarkCase{"NoFreeLetterLeavesItAlone", {"ab", "ba", "a"}, {"&ab", "&ba", "a"}},
        MarkCase{"PunctuationIsPassed", {"..."}, {"..."}}),
    [](const auto& info) { return std::string(info.param.name); });

// Alt with a caption's letter in a dialog goes to the caption's field, and Shift+F10 opens the
// context menu of a result list.
TEST(KeyboardAccessKeys, AltLetterFocusesTheFieldAndShiftF10OpensTheMenu) {
    TScriptedInteraction script;
    TShelvixWindows windows;
    TfrmShelvix& main = *windows.frmShelvix;
    QWidget* details = TopLevel(QStringLiteral("frmMediaDetails"));
    details->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(details));
    QApplication::setActiveWindow(details);
    const struct {
        char key;
        const char* field;
    } letters[] = {{'T', "MemoNotice"}, {'C', "ComboBoxCategory"}, {'N', "EditName"}};
    for (const auto& letter : letters) {
        QTest::keyClick(details, Qt::Key(letter.key), Qt::AltModifier);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), letter.field) << letter.key;
    }
    details->hide();

    TempDir dir;
    CMedienListe catalogue;
    FillSampleCatalogue(catalogue);
    ASSERT_TRUE(catalogue.Save(dir.File("c.SXF")));
    main.show();
    main.OpenCatalogueAtStart(QString::fromStdString(dir.File("c.SXF")));
    QApplication::setActiveWindow(&main);
    main.VTMedien->setFocus();
    main.VTMedien->setCurrentIndex(main.VTMedien->model()->index(0, 0));
    QTest::keyClick(main.VTMedien, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(main.PopupMenu->isVisible()) << "Shift+F10 in the media tree";
    main.PopupMenu->hide();
    QTest::keyClick(main.VTMedien, Qt::Key_F10);
    EXPECT_EQ(main.ToolBarMainMenu->activeAction(), main.ToolBarMainMenu->actions().first())
        << "F10 marks the first menu";
}

} // namespace

// Small makers shared by the window units. Every component is named as it is made: language
// files address components by their object names.
#pragma once

#include <QAbstractItemView>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QDialog;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTreeView;
class QWidget;

// Gives `object` its object name and hands it back, so that it is made and named in one line.
template <class T> T* Named(T* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text);
// The title of a menu in the menu bar for a menu titled `title`: a title without a marked letter gets
// its first one marked, so Alt with it opens the menu as in a menu bar.
QString MenuButtonText(const QString& title);
// The title without its marks: the text a language file gives for it.
QString PlainMenuTitle(const QString& title);
QPushButton* MakeButton(QWidget* parent, const char* name, const char* text);
// A button that Enter never presses: it does not become the dialog's default when focused.
QPushButton* MakeNoDefaultButton(QWidget* parent, const char* name, const char* text);
QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* text);
QGroupBox* MakeGroup(QWidget* parent, const char* name, const char* title);

// The number and unit of a size bound, disabled until the box beside them is checked: an edit
// about 90 pixels wide, and "Byte", "KB", "MB", "GB" with no unit chosen at first.
QLineEdit* MakeSizeEdit(QWidget* parent, const char* name);
QComboBox* MakeUnitList(QWidget* parent, const char* name);

// Clicking `button` closes `dialog` with `result`.
void CloseOnClick(QDialog* dialog, QAbstractButton* button, int result);

// The widgets side by side at the right end of a row, as the dialogs' closing buttons stand.
QHBoxLayout* RightAlignedRow(std::initializer_list<QWidget*> widgets);

// A flat, read-only list: no tree lines, no editing, rows of even height. It starts with an
// empty model that only carries the column titles, until a list model replaces it.
QTreeView* MakeListView(QWidget* parent, const char* name, const QStringList& titles,
                        QAbstractItemView::SelectionBehavior behavior,
                        QAbstractItemView::SelectionMode mode);

// Calls `click` with the column of every click on the view's header, with any mouse button: the
// header reports left clicks itself, the other buttons are caught on its viewport.
void OnHeaderClick(QTreeView* view, std::function<void(int column)> click);

// The list of removed media of the restore and clean-up dialogs, showing `model` (whose columns
// are "Name" and "Category"): 140 pixels each, in a view of fixed size.
QTreeView* MakeRemovedMediaList(QWidget* parent, const char* name, QAbstractItemModel* model,
                                QAbstractItemView::SelectionBehavior behavior,
                                QAbstractItemView::SelectionMode mode);

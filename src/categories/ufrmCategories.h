// The categories dialog: the catalogue's list of category names, where names are added,
// renamed and removed, and the list is exported to or imported from a category list file.
#pragma once

#include "app/interaction.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

class TfrmCategories : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCategories(QWidget* parent = nullptr);

    QLineEdit* EditName; // name to add, or the new text of the name being changed
    QLabel* LabelAvailCats;
    // One column "Name" that follows the view's width; one whole row at a time; sort glyphs in
    // the header. Starts with an empty model that only carries the column title; the list
    // model replaces it.
    QTreeView* VSTCategories;
    QPushButton* ButtonAddChange;
    QPushButton* ButtonRemove;
    QPushButton* ButtonImport;
    QPushButton* ButtonExport;
    QPushButton* ButtonClose; // closes with mrOk

    TFileDialogSpec OpenDialogCategories;
    TFileDialogSpec SaveDialogCategories;
};

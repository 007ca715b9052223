// The categories dialog: the catalogue's list of category names, where names are added,
// renamed and removed, and the list is exported to or imported from a category list file.
// Every change acts on the catalogue at once; there is no cancel.
#pragma once

#include "language/messagetable.h"
#include "widgets/interaction.h"

#include <QDialog>

#include <cstdint>

class CMedienListe;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;
class TCategoryListModel;

class TfrmCategories : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCategories(QWidget* parent = nullptr);

    QLineEdit* EditName; // name to add, or the new text of the name being changed
    QLabel* LabelAvailCats;
    // One column "Name" that follows the view's width; one whole row at a time; sort glyphs in
    // the header. Each node carries a category index.
    QTreeView* VSTCategories;
    QPushButton* ButtonAddChange;
    QPushButton* ButtonRename; // the selected category into the field, as a double click does
    QPushButton* ButtonRemove;
    QPushButton* ButtonImport;
    QPushButton* ButtonExport;
    QPushButton* ButtonClose; // closes with mrOk

    TFileDialogSpec OpenDialogCategories;
    TFileDialogSpec SaveDialogCategories;

    // This window's message keys, for the language file.
    TranslatorVariables Variables;

    // The catalogue whose list is edited; set by the caller before each opening.
    CMedienListe* FCatalogue = nullptr;
    // The index being renamed while the dialog is in change mode.
    int32_t FEditIndex = -1;

    // Empties the edit and enables the list and its buttons: add mode.
    void ResetEditing();
    // Change mode is the list being disabled while one name is edited.
    bool InChangeMode() const;
    TCategoryListModel* Model() const { return FModel; }

    void ButtonAddChangeClick();
    void VSTCategoriesDblClick();
    void ButtonRemoveClick();
    void ButtonExportClick();
    void ButtonImportClick();
    void ButtonCloseClick();
    // A click with any mouse button on a header section.
    void VSTCategoriesHeaderClick(int column);

private:
    void FormCreate();
    void FillTree();
    void ShowError(const QString& text);
    // The first selected node's category index, or -1 when nothing is selected.
    int32_t SelectedCategory() const;

    TCategoryListModel* FModel;
};

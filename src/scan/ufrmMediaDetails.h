// The medium details dialog: a medium's read-only facts (serial number, label, size, counts) and
// the values the user edits (name, notice, category), with "..." to the categories dialog.
#pragma once

#include <QDialog>

class CMedienListe;
class CMedium;
class TfrmCategories;

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TfrmMediaDetails : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMediaDetails(QWidget* parent = nullptr);

    // Read-only facts.
    QGroupBox* GroupBox1;
    QLabel* LabelMSerial;
    QLabel* LabelSerial;
    QLabel* LabelMLabel;
    QLabel* LabelLabel;
    QLabel* LabelMSize;
    QLabel* LabelSize;
    QLabel* LabelMFolders;
    QLabel* LabelFolders;
    QLabel* LabelMFiles;
    QLabel* LabelFiles;
    QLabel* LabelSpace; // "Free 12.3 GB of 64.0 GB when read on 4 Mar 2025", empty when unknown
    // Editable values.
    QGroupBox* GroupBox2;
    QLabel* LabelMName;
    QLineEdit* EditName;
    QLabel* LabelMNotice;
    QPlainTextEdit* MemoNotice;
    QLabel* LabelMCat;
    QComboBox* ComboBoxCategory; // choose only, no typing
    QPushButton* ButtonCategory; // "..."
    QPushButton* ButtonOK;       // closes with mrOk
    QPushButton* ButtonAbort;    // closes with mrCancel

    // The opener's part: fills the controls from the medium, shows the dialog, and on OK writes
    // name, notice and category back. Returns the modal result.
    int ShowFor(CMedienListe& catalogue, CMedium& medium);
    // The categories dialog that "..." opens; set once all windows exist.
    void SetCategoriesDialog(TfrmCategories* dialog) { FCategoriesDialog = dialog; }

    void ButtonCategoryClick();
    CMedienListe* FCatalogue = nullptr;
    CMedium* FMedium = nullptr;

    static constexpr int ClientWidth = 417;
    static constexpr int ClientHeight = 329;

private:
    void ApplyChanges();
    TfrmCategories* FCategoriesDialog = nullptr;
    // The texts the edits showed when the dialog opened: what differs from them was edited.
    QString FShownName, FShownNotice;
};

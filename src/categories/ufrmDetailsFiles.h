// The entry details dialog: an entry's name and the category given to it, optionally to
// everything beneath it as well. "OK" closes with 100, the only result that applies a change.
#pragma once

#include <QDialog>

class CFile;
class CMedienListe;
class TfrmCategories;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

class TfrmDetailsFile : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDetailsFile(QWidget* parent = nullptr);

    QLabel* LabelFName;            // "Name:"
    QLabel* LabelName;             // the entry's name, set at each opening
    // What the entry is, set at each opening: the medium and the path on it, the exact size and
    // the date (files and archives only).
    QLabel* LabelFMedium;          // "Medium:"
    QLabel* LabelMedium;
    QLabel* LabelFPath;            // "Path:"
    QLabel* LabelPath;
    QLabel* LabelFSize;            // "Size:"
    QLabel* LabelSize;             // "523 bytes (0 KB)"
    QLabel* LabelFDate;            // "Date:"
    QLabel* LabelDate;
    // Every detail of a photo, song or video (DetailLines): the names, one a line, and the
    // values beside them; hidden for an entry without details.
    QLabel* LabelFDetails;
    QLabel* LabelDetails;
    QLabel* LabelCat;              // "Category:"
    QComboBox* ComboBoxCategory;   // choose only, no typing
    QPushButton* ButtonCategories; // "..."
    QCheckBox* CheckBoxSub;        // checked at creation; keeps the user's choice afterwards
    QPushButton* ButtonOK;         // closes with mrCustom100
    QPushButton* ButtonAbort;      // closes with mrCancel

    // The opener's part: shows the entry's name and category, shows the dialog, and on OK gives
    // the entry (and, with CheckBoxSub, everything beneath it) the chosen category. Returns the
    // modal result.
    int ShowFor(CMedienListe& catalogue, CFile& entry);
    // The categories dialog that "..." opens; set once all windows exist.
    void SetCategoriesDialog(TfrmCategories* dialog) { FCategoriesDialog = dialog; }

    void ButtonCategoriesClick();
    // Set by ShowFor before each opening; not owned.
    CMedienListe* FCatalogue = nullptr;
    CFile* FEntry = nullptr;

private:
    void ApplyChanges();
    TfrmCategories* FCategoriesDialog = nullptr;
};

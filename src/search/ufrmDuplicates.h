// The duplicates dialog: what counts as a copy above (the same date, present media only, a
// minimum size), the groups found below, largest waste first, with a summary line, "Show" and
// "Close". Show and a double click pick a copy for the main window to jump to, as the search's
// Show does.
#pragma once

#include "widgets/mediaviewmodels.h"
#include "search/duplicates.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QTreeView;
class TDuplicatesModel;
class TImageList;
class TfrmDuplicatesWindow;

class TfrmDuplicates : public QDialog {
    Q_OBJECT
public:
    // The main window's image lists (not owned) give the rows' icons.
    TfrmDuplicates(const TImageList* drives, const TImageList* folders, QWidget* parent = nullptr);

    QGroupBox* GroupBoxOptions; // "Copies:"
    QCheckBox* CheckBoxDate;    // "with the same date (to the second)"
    QCheckBox* CheckBoxPresent; // "on present media only"
    QCheckBox* CheckBoxMinSize; // "from:"
    QLineEdit* EditMinSize;     // disabled until its box is checked
    QComboBox* ComboBoxMinSize;
    QPushButton* ButtonFind; // the default button
    QGroupBox* GroupBoxResults;
    QTreeView* VSTDuplicates;
    QStatusBar* StatusBar; // "N groups, M files, X in extra copies"
    QPushButton* ButtonShow;
    QPushButton* ButtonClose;
    TfrmDuplicatesWindow* ProgressWindow; // a window of its own, owned by this one

    // The catalogue to search; the main window sets it before each opening.
    CMedienListe* FCatalogue = nullptr;
    // The copy picked with Show; none otherwise.
    CFile* FChosen = nullptr;

    // Empties the groups and the view (the catalogue they refer to is going away).
    void ClearResults();
    const TDuplicates& Results() const { return FResults; }
    TDuplicatesModel& Model() { return *FModel; }

    void ButtonFindClick();
    void ButtonShowClick();

private:
    bool CollectOptions(TDuplicateOptions& options);

    TDuplicatesModel* FModel;
    TDuplicates FResults;
};

// The search dialog: the criteria of a search (mask, what to match, date, size and category
// filters) above, the sortable list of results with "Show" and "Close" below.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QTreeView;
class TImageList;

class TfrmSearch : public QDialog {
    Q_OBJECT
public:
    // `drives` is the main window's ImageListDrives (not owned); it gives the results' icons.
    explicit TfrmSearch(const TImageList* drives, QWidget* parent = nullptr);

    // Criteria, each group under its caption.
    QGroupBox* GroupBoxSearch; // "Search for:"
    QLineEdit* EditSearch;
    QGroupBox* GroupBoxOptions; // "Options:"
    QCheckBox* CheckBoxName;
    QCheckBox* CheckBoxLabel;
    QCheckBox* CheckBoxNotice;
    QCheckBox* CheckBoxFiles;
    QCheckBox* CheckBoxFolders;
    QCheckBox* CheckBoxAll;
    QCheckBox* CheckBoxCaseSensitive;
    QGroupBox* GroupBoxDate; // "Date:"
    QCheckBox* CheckBoxDateFrom;
    QDateEdit* DTPDateFrom; // disabled until its box is checked
    QCheckBox* CheckBoxDateTo;
    QDateEdit* DTPDateTo;
    QGroupBox* GroupBoxSize; // "Size:"
    QCheckBox* CheckBoxSizeFrom;
    QLineEdit* EditSizeFrom;     // disabled until its box is checked
    QComboBox* ComboBoxSizeFrom; // "Byte", "KB", "MB", "GB"; no unit chosen at first
    QCheckBox* CheckBoxSizeTo;
    QLineEdit* EditSizeTo;
    QComboBox* ComboBoxSizeTo;
    QGroupBox* GroupBoxCategory; // "Category"
    QCheckBox* CheckBoxCategory;
    QComboBox* ComboBoxCategory; // choose only; disabled until its box is checked
    QPushButton* ButtonSearch;   // the default button

    // Results.
    QGroupBox* GroupBoxResults; // "Search results:"
    // Seven columns: medium icon, "Media", kind icon, "Result", "Size", "Date", "Location".
    // Starts with an empty model that only carries the titles; the results model replaces it
    // and re-applies the widths (ResultColumnWidth), since a new model resets the header.
    QTreeView* VSTResults;
    QStatusBar* StatusBar; // one plain text
    QPushButton* ButtonShow;
    QPushButton* ButtonClose; // closes with mrCancel

    static constexpr int ResultColumnCount = 7;
    static int ResultColumnWidth(int column);

    const TImageList* Drives() const { return FDrives; }

private:
    void BuildCriteria();
    void BuildResults();

    const TImageList* FDrives;
};

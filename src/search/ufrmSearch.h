// The search dialog: the criteria of a search (mask, what to match, date, size and category
// filters) above, the sortable list of results with "Show" and "Close" below.
#pragma once

#include "language/messagetable.h"
#include "widgets/mediaviewmodels.h"
#include "search/searchrequest.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QTreeView;
class TImageList;
class TEntryOpener;
class TSearchResultsModel;
class TfrmSearchWindow;
class TPreviewPane;
class TPreviewLoader;

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
    QCheckBox* CheckBoxDetails; // "Details contain:"
    QLineEdit* EditDetails;     // its mask; disabled until its box is checked
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
    // The results as a report: "Export CSV...", "Export HTML...".
    QPushButton* ButtonExportCsv;
    QPushButton* ButtonExportHtml;
    // Open and Open containing folder for the file of a result (context menu, Enter).
    TEntryOpener* ResultsOpener;
    // The selected result's preview and facts, at the right of the results; shown with the
    // main window's pane.
    TPreviewPane* PreviewPane;
    void ShowPreviewPane(bool shown);

    static constexpr int ResultColumnCount = 7;
    // The drawn width scaled by the font (TFontScale); the date column fits a full date and time.
    int ResultColumnWidth(int column) const { return ResultColumnWidth(VSTResults, column); }
    static int ResultColumnWidth(const QTreeView* view, int column);
    // A list of the results' columns with their titles, alignments and widths, sortable by a
    // click on the header: VSTResults, and the main window's quick find.
    static QTreeView* MakeResultsView(QWidget* parent, const char* name);
    // Gives such a list its results model: the widths of all its columns, and the detail
    // columns that follow the seven, hidden unless chosen, kept under `settingsGroup`.
    static void ShowResultsModel(QTreeView* view, TSearchResultsModel* model, const QString& settingsGroup);

    const TImageList* Drives() const { return FDrives; }
    // The main window's ImageListFolders, for the kind column; and the progress window that
    // runs the searches. Both are set once all windows exist.
    void SetFolderImages(const TImageList* folders);
    void SetSearchWindow(TfrmSearchWindow* window) { FSearchWindow = window; }

    // The catalogue to search; the main window sets it before each opening.
    CMedienListe* FCatalogue = nullptr;
    // What the user picked with Show: a medium, or an entry; nothing otherwise.
    NodeObject FChosen;
    TranslatorVariables Variables;

    // Empties the result list and the view (the catalogue they refer to is going away).
    void ClearResults();
    const TSearchResults& Results() const { return FResults; }
    TSearchResultsModel& ResultsModel() { return *FResultsModel; }

    // Handlers.
    void FormCreate();
    void CheckBoxAllClick();
    void CheckBoxNameClick(); // any of the five match boxes
    void CheckBoxDateFromClick();
    void CheckBoxDateToClick();
    void CheckBoxSizeFromClick();
    void CheckBoxSizeToClick();
    void CheckBoxCategoryClick();
    void EditSearchKeyPress(int key);
    void ButtonSearchClick();
    void ShowResults();
    void VSTResultsHeaderClick(int column);
    void ButtonShowClick();
    void ButtonExportClick(bool html);
    // Fills the category list from the catalogue and picks the category remembered from the
    // last search, when the catalogue has it.
    void FillCategories(const CMedienListe& catalogue);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closing remembers the options and the category choice for the next opening and run.
    void done(int result) override;

private:
    void BuildCriteria();
    void BuildResults();
    bool CollectRequest(TSearchRequest& request);
    bool ReadSizeNumber(QCheckBox* box, QLineEdit* edit, const std::string& message,
                        int64_t& number);
    void ShowError(const std::string& message);
    std::array<QCheckBox*, 8> RememberedBoxes() const;
    void RestoreOptions();
    void RememberOptions();

    const TImageList* FDrives;
    TfrmSearchWindow* FSearchWindow = nullptr;
    TSearchResultsModel* FResultsModel = nullptr;
    TPreviewLoader* FPreviewLoader = nullptr;
    void PreviewCurrent();
    TSearchResults FResults;
    bool FGuard = false;
    QString FRememberedCategory;
};

#include "search/ufrmSearch.h"

#include "widgets/fontscale.h"
#include "widgets/keyboardaccess.h"
#include "widgets/languagetranslator.h"
#include "widgets/modalresult.h"
#include "widgets/widgetfactory.h"
#include "search/ufrmSearch_results.h"
#include "widgets/entryopener.h"
#include "widgets/optionalcolumns.h"
#include "widgets/previewloader.h"
#include "widgets/previewpane.h"
#include "widgets/imagelists.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// A date-only picker in the short date format with a drop-down calendar. The time of day it
// holds is kept when the user picks another date.
QDateEdit* MakeDatePicker(QWidget* parent, const char* name, const QDateTime& initial) {
    auto* picker = Named(new QDateEdit(parent), name);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    picker->setDateTime(initial);
    picker->setEnabled(false);
    return picker;
}

struct ResultColumn {
    const char* title;
    int width;
    Qt::Alignment alignment;
};

constexpr ResultColumn ResultColumns[TfrmSearch::ResultColumnCount] = {
    {"", 20, Qt::AlignLeft},          {"Media", 150, Qt::AlignLeft}, {"", 20, Qt::AlignLeft},
    {"Result", 150, Qt::AlignLeft},   {"Size", 80, Qt::AlignRight},  {"Date", 100, Qt::AlignLeft},
    {"Location", 500, Qt::AlignLeft},
};

} // namespace

int TfrmSearch::ResultColumnWidth(const QTreeView* view, int column) {
    if (column >= ResultColumnCount && column < TSearchResultsModel::kAllColumns)
        return DetailColumnWidth(view, TDetailColumn(column - ResultColumnCount));
    if (column < 0 || column >= ResultColumnCount) return 0;
    const int drawn = ResultColumns[column].width;
    return column == TSearchResultsModel::colDate
               ? TFontScale::ColumnWidth(view, drawn, FullDateSamples())
               : TFontScale(view).X(drawn);
}

TfrmSearch::TfrmSearch(const TImageList* drives, QWidget* parent)
    : QDialog(parent), FDrives(drives) {
    setObjectName(QStringLiteral("frmSearch"));
    setWindowTitle(QStringLiteral("Search"));
    BuildCriteria();
    BuildResults();

    auto* criteria = new QGridLayout;
    criteria->addWidget(GroupBoxSearch, 0, 0, 1, 3);
    criteria->addWidget(ButtonSearch, 0, 3, Qt::AlignBottom);
    criteria->addWidget(GroupBoxOptions, 1, 0, 2, 1);
    criteria->addWidget(GroupBoxDate, 1, 1);
    criteria->addWidget(GroupBoxSize, 1, 2, 1, 2);
    criteria->addWidget(GroupBoxCategory, 2, 1, 1, 3);
    criteria->setColumnStretch(2, 1);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 8, 8, 0);
    page->addLayout(criteria);
    page->addWidget(GroupBoxResults, 1);
    page->addLayout(RightAlignedRow({ButtonExportCsv, ButtonExportHtml, ButtonShow, ButtonClose}));
    page->addWidget(StatusBar);

    NameForScreenReaders({
        {EditSearch, "Search for", "A mask of the names sought: * for any text, ? for one character"},
        {CheckBoxName, nullptr, "Looks at the media's names"},
        {CheckBoxLabel, nullptr, "Looks at the media's volume labels"},
        {CheckBoxNotice, nullptr, "Looks at the media's notices"},
        {CheckBoxFiles, nullptr, "Looks at the names of files"},
        {CheckBoxFolders, nullptr, "Looks at the names of folders"},
        {CheckBoxAll, nullptr, "Ticks or clears the five boxes above at once"},
        {CheckBoxCaseSensitive, nullptr, "Tells capital from small letters"},
        {CheckBoxDateFrom, "Dated from", "Finds only files dated on or after the date beside"},
        {DTPDateFrom, "Earliest date", "The first day of the files found"},
        {CheckBoxDateTo, "Dated to", "Finds only files dated on or before the date beside"},
        {DTPDateTo, "Latest date", "The last day of the files found"},
        {CheckBoxSizeFrom, "Size from", "Finds only files at least as large as the size beside"},
        {EditSizeFrom, "Smallest size", "The smallest size, in the unit beside"},
        {ComboBoxSizeFrom, "Unit of the smallest size", "Byte, KB, MB or GB"},
        {CheckBoxSizeTo, "Size to", "Finds only files at most as large as the size beside"},
        {EditSizeTo, "Largest size", "The largest size, in the unit beside"},
        {ComboBoxSizeTo, "Unit of the largest size", "Byte, KB, MB or GB"},
        {CheckBoxCategory, "Use a category", "Finds only what has the category beside"},
        {ComboBoxCategory, "Category", "The category of what is found"},
        {CheckBoxDetails, nullptr, "Finds only files whose photo, music or video details match"},
        {EditDetails, "Details", "A mask over the files' details (photo, music, video)"},
        {ButtonSearch, nullptr, "Starts the search"},
        {VSTResults, "Search results", "What the search found; Show selects it in the main window"},
        {ButtonShow, nullptr, "Selects the chosen result in the main window"},
        {ButtonClose, nullptr, "Closes the search"},
        {ButtonExportCsv, nullptr, "Writes the results to a CSV list"},
        {ButtonExportHtml, nullptr, "Writes the results to an HTML report"},
        {StatusBar, "Status", "How many were found, and what went wrong"},
    });
    resize(TFontScale(this).Size(760, 620));
    FormCreate();
    InstallContextMenuKey(this); // Shift+F10 in the result list
    // Its texts from the language file, once its message keys are registered.
    translator::LoadLanguage(this, &Variables);
}

void TfrmSearch::BuildCriteria() {
    GroupBoxSearch = MakeGroup(this, "GroupBoxSearch", "Searc&h for:");
    EditSearch = Named(new QLineEdit(GroupBoxSearch), "EditSearch");
    (new QVBoxLayout(GroupBoxSearch))->addWidget(EditSearch);

    GroupBoxOptions = MakeGroup(this, "GroupBoxOptions", "Options:");
    CheckBoxName = MakeCheck(GroupBoxOptions, "CheckBoxName", "&Name");
    CheckBoxLabel = MakeCheck(GroupBoxOptions, "CheckBoxLabel", "&Label");
    CheckBoxNotice = MakeCheck(GroupBoxOptions, "CheckBoxNotice", "Not&ice");
    CheckBoxFiles = MakeCheck(GroupBoxOptions, "CheckBoxFiles", "&Files");
    CheckBoxFolders = MakeCheck(GroupBoxOptions, "CheckBoxFolders", "Fold&ers");
    CheckBoxAll = MakeCheck(GroupBoxOptions, "CheckBoxAll", "&All");
    CheckBoxCaseSensitive = MakeCheck(GroupBoxOptions, "CheckBoxCaseSensitive", "Case sensiti&ve");
    // A first search looks through files and folders, as the command line's does; the boxes
    // remember the user's own choice from then on.
    CheckBoxFiles->setChecked(true);
    CheckBoxFolders->setChecked(true);
    auto* options = new QGridLayout(GroupBoxOptions);
    options->addWidget(CheckBoxName, 0, 0);
    options->addWidget(CheckBoxLabel, 1, 0);
    options->addWidget(CheckBoxNotice, 2, 0);
    options->addWidget(CheckBoxFiles, 0, 1);
    options->addWidget(CheckBoxFolders, 1, 1);
    options->addWidget(CheckBoxAll, 2, 1);
    options->addWidget(CheckBoxCaseSensitive, 3, 0, 1, 2);
    options->setRowStretch(4, 1);

    GroupBoxDate = MakeGroup(this, "GroupBoxDate", "Date:");
    CheckBoxDateFrom = MakeCheck(GroupBoxDate, "CheckBoxDateFrom", "fro&m:");
    CheckBoxDateTo = MakeCheck(GroupBoxDate, "CheckBoxDateTo", "&to:");
    // Today, from which a date range is most often picked.
    DTPDateFrom = MakeDatePicker(GroupBoxDate, "DTPDateFrom", QDateTime(QDate::currentDate(), QTime(0, 0)));
    DTPDateTo = MakeDatePicker(GroupBoxDate, "DTPDateTo", QDateTime(QDate::currentDate(), QTime(0, 0)));
    auto* dates = new QGridLayout(GroupBoxDate);
    dates->addWidget(CheckBoxDateFrom, 0, 0);
    dates->addWidget(DTPDateFrom, 0, 1);
    dates->addWidget(CheckBoxDateTo, 1, 0);
    dates->addWidget(DTPDateTo, 1, 1);
    dates->setRowStretch(2, 1);

    GroupBoxSize = MakeGroup(this, "GroupBoxSize", "Size:");
    CheckBoxSizeFrom = MakeCheck(GroupBoxSize, "CheckBoxSizeFrom", "f&rom:");
    EditSizeFrom = MakeSizeEdit(GroupBoxSize, "EditSizeFrom");
    ComboBoxSizeFrom = MakeUnitList(GroupBoxSize, "ComboBoxSizeFrom");
    CheckBoxSizeTo = MakeCheck(GroupBoxSize, "CheckBoxSizeTo", "t&o:");
    EditSizeTo = MakeSizeEdit(GroupBoxSize, "EditSizeTo");
    ComboBoxSizeTo = MakeUnitList(GroupBoxSize, "ComboBoxSizeTo");
    auto* sizes = new QGridLayout(GroupBoxSize);
    sizes->addWidget(CheckBoxSizeFrom, 0, 0);
    sizes->addWidget(EditSizeFrom, 0, 1);
    sizes->addWidget(ComboBoxSizeFrom, 0, 2);
    sizes->addWidget(CheckBoxSizeTo, 1, 0);
    sizes->addWidget(EditSizeTo, 1, 1);
    sizes->addWidget(ComboBoxSizeTo, 1, 2);
    sizes->setColumnStretch(3, 1);
    sizes->setRowStretch(2, 1);

    GroupBoxCategory = MakeGroup(this, "GroupBoxCategory", "Category");
    CheckBoxCategory = MakeCheck(GroupBoxCategory, "CheckBoxCategory", "&use:");
    ComboBoxCategory = Named(new QComboBox(GroupBoxCategory), "ComboBoxCategory");
    ComboBoxCategory->setEditable(false);
    ComboBoxCategory->setEnabled(false);
    // "Details contain": a mask over the files' details (photo, music, video), beneath.
    CheckBoxDetails = MakeCheck(GroupBoxCategory, "CheckBoxDetails", "&Details contain:");
    EditDetails = Named(new QLineEdit(GroupBoxCategory), "EditDetails");
    EditDetails->setEnabled(false);
    auto* category = new QGridLayout(GroupBoxCategory);
    category->addWidget(CheckBoxCategory, 0, 0);
    category->addWidget(ComboBoxCategory, 0, 1);
    category->addWidget(CheckBoxDetails, 1, 0);
    category->addWidget(EditDetails, 1, 1);
    category->setColumnStretch(1, 1);

    ButtonSearch = MakeButton(this, "ButtonSearch", "&Search");
    ButtonSearch->setDefault(true);
}

QTreeView* TfrmSearch::MakeResultsView(QWidget* parent, const char* name) {
    QStringList titles;
    for (const ResultColumn& column : ResultColumns)
        titles << QString::fromLatin1(column.title);
    QTreeView* view = MakeListView(parent, name, titles, QAbstractItemView::SelectRows,
                                   QAbstractItemView::SingleSelection);
    for (int column = 0; column < ResultColumnCount; ++column)
        view->model()->setHeaderData(
            column, Qt::Horizontal,
            QVariant::fromValue(ResultColumns[column].alignment | Qt::AlignVCenter),
            Qt::TextAlignmentRole);
    QHeaderView* columns = view->header();
    columns->setStretchLastSection(false);
    columns->setSectionsMovable(true);
    columns->setSectionsClickable(true);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setMinimumSectionSize(20);
    columns->setSortIndicatorShown(true);
    columns->setSortIndicator(-1, Qt::AscendingOrder); // rows in the order found at first
    for (int column = 0; column < ResultColumnCount; ++column)
        columns->resizeSection(column, ResultColumnWidth(view, column));
    return view;
}

void TfrmSearch::ShowResultsModel(QTreeView* view, TSearchResultsModel* model, const QString& settingsGroup) {
    view->setModel(model);
    for (int column = 0; column < TSearchResultsModel::kAllColumns; ++column)
        view->header()->resizeSection(column, ResultColumnWidth(view, column));
    OfferOptionalColumns(view, ColumnRange(ResultColumnCount, kDetailColumnCount), settingsGroup);
}

void TfrmSearch::BuildResults() {
    GroupBoxResults = MakeGroup(this, "GroupBoxResults", "Search results:");
    auto* sides = new QSplitter(Qt::Horizontal, GroupBoxResults);
    sides->setChildrenCollapsible(false);
    VSTResults = MakeResultsView(sides, "VSTResults");
    VSTResults->setMinimumHeight(TFontScale(VSTResults).Y(200));
    FPreviewLoader = new TPreviewLoader(this);
    PreviewPane = new TPreviewPane(FPreviewLoader, sides);
    PreviewPane->setObjectName(QStringLiteral("PreviewPane"));
    PreviewPane->setAccessibleName(QStringLiteral("Preview"));
    PreviewPane->setAccessibleDescription(QStringLiteral("The preview and facts of the selected result"));
    sides->addWidget(VSTResults);
    sides->addWidget(PreviewPane);
    sides->setStretchFactor(0, 1);
    sides->setStretchFactor(1, 0);
    PreviewPane->setVisible(PreviewPaneWanted());
    (new QVBoxLayout(GroupBoxResults))->addWidget(sides);

    StatusBar = Named(new QStatusBar(this), "StatusBar");
    StatusBar->setSizeGripEnabled(false);
    ResultsOpener = new TEntryOpener(
        VSTResults,
        [this](const QModelIndex& index) {
            const TSearchRow* row = FResultsModel ? FResultsModel->RowAt(index) : nullptr;
            return row ? row->entry : nullptr;
        },
        [this](const QString& text) { StatusBar->showMessage(text); });

    ButtonShow = MakeNoDefaultButton(this, "ButtonShow", "Sho&w");
    ButtonClose = MakeNoDefaultButton(this, "ButtonClose", "&Close");
    CloseOnClick(this, ButtonClose, mrCancel);
    ButtonExportCsv = MakeNoDefaultButton(this, "ButtonExportCsv", "E&xport CSV...");
    ButtonExportHtml = MakeNoDefaultButton(this, "ButtonExportHtml", "Ex&port HTML...");
}

void TfrmSearch::ShowPreviewPane(bool shown) {
    PreviewPane->setVisible(shown);
    if (shown) PreviewCurrent();
    else PreviewPane->Clear();
}

void TfrmSearch::PreviewCurrent() {
    if (!PreviewPane->isVisibleTo(this)) return;
    const TSearchRow* row = FResultsModel ? FResultsModel->RowAt(VSTResults->currentIndex()) : nullptr;
    if (row && row->entry) PreviewPane->ShowEntry(FCatalogue, row->entry);
    else if (row) PreviewPane->ShowMedium(row->medium, FDrives->At(DriveImageIndex(row->medium->DriveType)));
    else PreviewPane->Clear();
}

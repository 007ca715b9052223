// The results half of the search dialog: showing the rows after a run, sorting them by header
// click, Show, which picks a row's object for the main window to jump to, and the export of the
// rows as a report.
#include "search/ufrmSearch.h"
#include "widgets/previewloader.h"
#include "widgets/previewpane.h"

#include "widgets/modalresult.h"
#include "widgets/reportexport.h"
#include "search/ufrmSearch_results.h"

#include <QHeaderView>
#include <QStatusBar>
#include <QTreeView>

void TfrmSearch::SetFolderImages(const TImageList* folders) {
    FResultsModel->SetFolderImages(folders);
}

void TfrmSearch::ClearResults() {
    // The pane reads previews of the results' media on a thread of its own.
    PreviewPane->Clear();
    FPreviewLoader->Forget();
    FResultsModel->Clear();
    FResults.clear();
    StatusBar->clearMessage();
}

void TfrmSearch::ShowResults() {
    FResultsModel->Clear();
    StatusBar->showMessage(QString::number(FResults.size()) + u' ' +
                           QString::fromStdString(SearchMessages::msgResults));
    // Rows of a new search come in the sort order chosen before, if any.
    if (!FResults.empty()) FResultsModel->Fill(&FResults);
}

void TfrmSearch::VSTResultsHeaderClick(int column) {
    FResultsModel->ClickColumn(column, VSTResults->header());
}

void TfrmSearch::ButtonShowClick() {
    const QModelIndexList selected = VSTResults->selectionModel()->selectedRows();
    if (selected.isEmpty()) return;
    const TSearchRow* row = FResultsModel->RowAt(selected.first());
    if (!row) return;
    FChosen = row->entry ? NodeObject{nullptr, row->entry} : NodeObject{row->medium, nullptr};
    done(mrOk);
}

void TfrmSearch::ButtonExportClick(bool html) {
    // The rows in the order the view shows them.
    TSearchResults shown;
    shown.reserve(FResults.size());
    for (int row = 0; row < FResultsModel->rowCount(); ++row)
        if (const TSearchRow* result = FResultsModel->RowAt(FResultsModel->index(row, 0)))
            shown.push_back(*result);
    TReport report;
    report.Title = FCatalogue ? FCatalogue->FileName : std::string();
    report.Results = &shown;
    ExportReport(this, html, report);
}

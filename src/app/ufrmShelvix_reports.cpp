// The report commands of the Media menu: the trees of the media selected in the media tree (a
// folder node stands for its medium), or of every medium when none is selected, in catalogue
// order, as a CSV list or an HTML report.
#include "app/ufrmShelvix.h"

#include "widgets/mediaviewmodels.h"
#include "widgets/reportexport.h"

#include <QTreeView>

#include <set>

void TfrmShelvix::actExportCsvExecute() { ExportMediaReport(false); }

void TfrmShelvix::actExportHtmlExecute() { ExportMediaReport(true); }

void TfrmShelvix::ExportMediaReport(bool html) {
    if (CheckChangedOnDisk()) return;
    std::set<const CMedium*> selected;
    for (const QModelIndex& node : VTMedien->selectionModel()->selectedRows()) {
        const NodeObject object = FMediaModel->ObjectAt(node);
        selected.insert(object.medium ? object.medium : object.entry ? object.entry->Medium : nullptr);
    }
    selected.erase(nullptr);
    TReport report;
    report.Title = FCatalogue->FileName;
    for (int i = 0; i < FCatalogue->Count(); ++i)
        if (selected.empty() || selected.count(FCatalogue->GetMedium(i)))
            report.Media.push_back(FCatalogue->GetMedium(i));
    // A medium whose content cannot be read is reported without its tree.
    LoadReportContents(report, FCatalogue->DataFileName);
    ExportReport(this, html, report);
}

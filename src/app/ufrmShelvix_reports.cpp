// The report commands of the Media menu: the trees of the media selected in the media tree (a
// folder node stands for its medium), or of every medium the tree shows when none is selected
// (not the removed media, nor the old readings Update replaced), in catalogue order, as a CSV
// list or an HTML report.
#include "app/ufrmShelvix.h"

#include "language/messagetable.h"
#include "widgets/interaction.h"
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
    for (int i = 0; i < FCatalogue->Count(); ++i) {
        CMedium* medium = FCatalogue->GetMedium(i);
        if (medium->Present && (selected.empty() || selected.count(medium)))
            report.Media.push_back(medium);
    }
    // A medium whose content cannot be read is reported without its tree, and named.
    const std::vector<CMedium*> unread = LoadReportContents(report, FCatalogue->DataFileName);
    if (!unread.empty()) {
        QStringList names;
        for (const CMedium* medium : unread) names << QString::fromLocal8Bit(medium->Name);
        Interaction().MessageBox(this, QString::fromStdString(ShelvixMessages::msgError),
                                 QString::fromStdString(ShelvixMessages::msgNoContent) +
                                     QLatin1Char('\n') + names.join(QLatin1Char('\n')),
                                 TMessageButtons::Ok);
    }
    ExportReport(this, html, report);
}

#include "widgets/reportexport.h"

#include "widgets/interaction.h"

#include <QDir>

#include <fstream>

namespace {

TFileDialogSpec& DialogOf(bool html) {
    static TFileDialogSpec dialogs[2];
    TFileDialogSpec& dialog = dialogs[html];
    if (dialog.filter.isEmpty()) {
        dialog.filter = html ? QStringLiteral("HTML report (*.html)|*.html|All Files (*.*)|*.*")
                             : QStringLiteral("CSV list (*.csv)|*.csv|All Files (*.*)|*.*");
        dialog.defaultExtension = html ? QStringLiteral("*.html") : QStringLiteral("*.csv");
        dialog.confirmOverwrite = true;
    }
    return dialog;
}

} // namespace

bool ExportReport(QWidget* parent, bool html, const TReport& report) {
    TFileDialogSpec& dialog = DialogOf(html);
    const QString chosen = Interaction().SaveFileName(parent, dialog);
    if (chosen.isEmpty()) return false;
    dialog.initialName = chosen;
    std::ofstream out(chosen.toLocal8Bit().toStdString(), std::ios::binary | std::ios::trunc);
    const bool written = out && (html ? WriteHtmlReport(out, report) : WriteCsvReport(out, report));
    if (!written)
        Interaction().MessageBox(parent, QStringLiteral("Error"),
                                 QStringLiteral("Could not write the report:\n") +
                                     QDir::toNativeSeparators(chosen),
                                 TMessageButtons::Ok);
    return written;
}

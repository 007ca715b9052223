#include "app/interaction.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>
#include <QFileInfo>
#include <QMessageBox>

namespace {

// Both file dialogs add the default extension to a name typed without one.
QString RunFileDialog(QWidget* parent, const TFileDialogSpec& spec, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, spec.caption, spec.initialName, QtFilterFrom(spec.filter));
    dialog.setAcceptMode(mode);
    if (mode == QFileDialog::AcceptOpen) dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !spec.confirmOverwrite);
    QString extension = spec.defaultExtension;
    extension.remove(QLatin1String("*.")).remove(QLatin1Char('.'));
    if (!extension.isEmpty()) dialog.setDefaultSuffix(extension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

class TQtInteraction final : public TInteraction {
public:
    TModalResult MessageBox(QWidget* parent, const QString& caption, const QString& text,
                            TMessageButtons buttons) override {
        if (buttons == TMessageButtons::Ok) {
            QMessageBox::information(parent, caption, text, QMessageBox::Ok);
            return mrOk;
        }
        return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No) ==
                       QMessageBox::Yes
                   ? mrYes
                   : mrNo;
    }

    QString OpenFileName(QWidget* parent, const TFileDialogSpec& spec) override {
        return RunFileDialog(parent, spec, QFileDialog::AcceptOpen);
    }

    QString SaveFileName(QWidget* parent, const TFileDialogSpec& spec) override {
        return RunFileDialog(parent, spec, QFileDialog::AcceptSave);
    }

    QString BrowseForFolder(QWidget* parent, const QString& title,
                            const QString& startFolder) override {
        return QFileDialog::getExistingDirectory(parent, title, startFolder);
    }

    bool OpenDocument(const QString& path) override {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
};

TQtInteraction qtInteraction;
TInteraction* current = nullptr;

} // namespace

TInteraction& Interaction() { return current ? *current : qtInteraction; }

void SetInteraction(TInteraction* interaction) { current = interaction; }

QString QtFilterFrom(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) filters << parts[i];
    return filters.join(QLatin1String(";;"));
}

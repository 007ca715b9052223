#include "widgets/interaction.h"

#include "language/messagetable.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

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
        static constexpr QMessageBox::Icon icons[] = {QMessageBox::Critical,
                                                      QMessageBox::Information,
                                                      QMessageBox::Question};
        QMessageBox box(icons[int(MessageKindOf(caption, buttons))], caption, text,
                        QMessageBox::NoButton, parent);
        if (buttons == TMessageButtons::Ok) {
            box.setStandardButtons(QMessageBox::Ok);
            box.exec();
            return mrOk;
        }
        QPushButton* yes = box.addButton(QMessageBox::Yes);
        QPushButton* no = box.addButton(QMessageBox::No);
        // Escape and the close button would otherwise count as No. They answer neither: a
        // hidden button takes them, so callers can tell "not answered" from "No".
        QPushButton* dismissed = box.addButton(QMessageBox::Cancel);
        dismissed->hide();
        box.setEscapeButton(dismissed);
        box.setDefaultButton(yes);
        box.exec();
        if (box.clickedButton() == yes) return mrYes;
        if (box.clickedButton() == no) return mrNo;
        return mrCancel;
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

TMessageKind MessageKindOf(const QString& caption, TMessageButtons buttons) {
    // Captions are message variables, which a language file may have replaced; the search
    // window has an error caption of its own. An error that asks Yes/No is still an error.
    const auto is = [&caption](const std::string& variable) {
        return caption == QString::fromStdString(variable);
    };
    if (is(ShelvixMessages::msgError) || is(SearchMessages::msgError)) return TMessageKind::Error;
    if (is(ShelvixMessages::msgQuestion) || buttons == TMessageButtons::YesNo)
        return TMessageKind::Question;
    return TMessageKind::Hint;
}

void SetInteraction(TInteraction* interaction) { current = interaction; }

QString QtFilterFrom(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) filters << parts[i];
    return filters.join(QLatin1String(";;"));
}

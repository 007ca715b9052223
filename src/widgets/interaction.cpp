#include "widgets/interaction.h"

#include "language/messagetable.h"
#include "widgets/keyboardaccess.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include <cstring>

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

QMessageBox::Icon IconOf(TMessageKind kind) {
    static constexpr QMessageBox::Icon icons[] = {QMessageBox::Critical, QMessageBox::Information,
                                                  QMessageBox::Question};
    return icons[int(kind)];
}

class TQtInteraction final : public TInteraction {
public:
    TModalResult MessageBox(QWidget* parent, const QString& caption, const QString& text,
                            TMessageButtons buttons) override {
        QMessageBox box(IconOf(MessageKindOf(caption, buttons)), caption, text,
                        QMessageBox::NoButton, parent);
        if (buttons == TMessageButtons::Ok) {
            box.setStandardButtons(QMessageBox::Ok);
            box.exec();
            return mrOk;
        }
        QPushButton* yes = box.addButton(QMessageBox::Yes);
        QPushButton* no = box.addButton(QMessageBox::No);
        // Their texts are message variables, which a language file may replace.
        // Each gets a marked letter (Alt+Y, Alt+N, Alt+C in English) unless its text has one.
        const QStringList texts = WithMnemonics({QString::fromStdString(ShelvixMessages::msgYes),
                                                 QString::fromStdString(ShelvixMessages::msgNo),
                                                 QString::fromStdString(ShelvixMessages::msgCancel)});
        yes->setText(texts[0]);
        no->setText(texts[1]);
        // Escape and the close button would otherwise count as No. They answer neither: a
        // Cancel button takes them, hidden unless Cancel is one of the answers, so callers can
        // tell "not answered" from "No".
        QPushButton* dismissed = box.addButton(QMessageBox::Cancel);
        dismissed->setText(texts[2]);
        if (buttons != TMessageButtons::YesNoCancel) dismissed->hide();
        box.setEscapeButton(dismissed);
        box.setDefaultButton(yes);
        box.exec();
        if (box.clickedButton() == yes) return mrYes;
        if (box.clickedButton() == no) return mrNo;
        return mrCancel;
    }

    int Choose(QWidget* parent, const QString& caption, const QString& text,
               const QStringList& answers) override {
        // The icon follows the caption as for the other boxes: a question, a hint, an error.
        QMessageBox box(IconOf(MessageKindOf(caption, TMessageButtons::Ok)), caption, text,
                        QMessageBox::NoButton, parent);
        QList<QPushButton*> buttons;
        const QStringList marked = WithMnemonics(answers);
        for (qsizetype i = 0; i < answers.size(); ++i)
            buttons << box.addButton(marked[i], i + 1 == answers.size() ? QMessageBox::RejectRole
                                                                         : QMessageBox::AcceptRole);
        if (buttons.isEmpty()) return -1;
        box.setDefaultButton(buttons.first());
        box.setEscapeButton(buttons.last());
        box.exec();
        const qsizetype chosen = buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
        return chosen < 0 ? int(buttons.size()) - 1 : int(chosen);
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

QString WithFileReason(const QString& message, const QString& fileName, int error) {
    QString text = message + QLatin1Char('\n') + fileName;
    if (error != 0) text += QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
    return text;
}

QString QtFilterFrom(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) filters << parts[i];
    return filters.join(QLatin1String(";;"));
}

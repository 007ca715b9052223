// The test side of the interaction seam: answers come from a script set up by the test, and every
// question is recorded so tests can check what the user was asked.
#pragma once

#include "widgets/interaction.h"

#include <QList>
#include <QString>
#include <deque>

struct TAskedQuestion {
    QString kind; // "message", "open", "save", "folder", "document"
    QString caption;
    QString text; // message text, or the dialog's filter / start folder
    TMessageButtons buttons = TMessageButtons::Ok;
    TFileDialogSpec spec;
    QStringList answers; // a choice's answers
};

class TScriptedInteraction final : public TInteraction {
public:
    TScriptedInteraction() { SetInteraction(this); }
    ~TScriptedInteraction() override { SetInteraction(nullptr); }

    // Answers are used in order; a question with no answer left gets OK / No / cancel.
    void setNextAnswer(TModalResult answer) { answers_.push_back(answer); }
    void setNextFileName(const QString& name) { names_.push_back(name); }
    void setNextDirectory(const QString& folder) { names_.push_back(folder); }
    // The position of the answer the next choice takes; without one it takes the last (Cancel).
    void setNextChoice(int answer) { choices_.push_back(answer); }

    // What OpenDocument answers: whether the desktop's viewer could be started.
    bool documentOpens = true;

    const QList<TAskedQuestion>& Asked() const { return asked_; }
    QStringList MessageTexts() const;
    void ClearAsked() { asked_.clear(); }

    TModalResult MessageBox(QWidget*, const QString& caption, const QString& text,
                            TMessageButtons buttons) override;
    int Choose(QWidget*, const QString& caption, const QString& text,
               const QStringList& answers) override;
    QString OpenFileName(QWidget*, const TFileDialogSpec& spec) override;
    QString SaveFileName(QWidget*, const TFileDialogSpec& spec) override;
    QString BrowseForFolder(QWidget*, const QString& title, const QString& start) override;
    bool OpenDocument(const QString& path) override;

private:
    QString NextName();
    std::deque<TModalResult> answers_;
    std::deque<QString> names_;
    std::deque<int> choices_;
    QList<TAskedQuestion> asked_;
};

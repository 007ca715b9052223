#include "support/scriptedinteraction.h"

QStringList TScriptedInteraction::MessageTexts() const {
    QStringList texts;
    for (const auto& q : asked_)
        if (q.kind == QLatin1String("message") || q.kind == QLatin1String("choice")) texts << q.text;
    return texts;
}

TModalResult TScriptedInteraction::MessageBox(QWidget*, const QString& caption,
                                              const QString& text, TMessageButtons buttons) {
    asked_.append({QStringLiteral("message"), caption, text, buttons, {}});
    TModalResult answer = buttons == TMessageButtons::Ok ? mrOk : mrNo;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    return answer;
}

int TScriptedInteraction::Choose(QWidget*, const QString& caption, const QString& text,
                                 const QStringList& answers) {
    asked_.append({QStringLiteral("choice"), caption, text, TMessageButtons::Ok, {}, answers});
    int answer = int(answers.size()) - 1;
    if (!choices_.empty()) {
        answer = choices_.front();
        choices_.pop_front();
    }
    return answer;
}

QString TScriptedInteraction::NextName() {
    if (names_.empty()) return {};
    QString name = names_.front();
    names_.pop_front();
    return name;
}

QString TScriptedInteraction::OpenFileName(QWidget*, const TFileDialogSpec& spec) {
    asked_.append({QStringLiteral("open"), spec.caption, spec.filter, TMessageButtons::Ok, spec});
    return NextName();
}

QString TScriptedInteraction::SaveFileName(QWidget*, const TFileDialogSpec& spec) {
    asked_.append({QStringLiteral("save"), spec.caption, spec.filter, TMessageButtons::Ok, spec});
    return NextName();
}

QString TScriptedInteraction::BrowseForFolder(QWidget*, const QString& title, const QString& start) {
    asked_.append({QStringLiteral("folder"), title, start, TMessageButtons::Ok, {}});
    return NextName();
}

bool TScriptedInteraction::OpenDocument(const QString& path) {
    asked_.append({QStringLiteral("document"), QString(), path, TMessageButtons::Ok, {}});
    return documentOpens;
}

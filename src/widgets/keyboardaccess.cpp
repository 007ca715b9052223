#include "widgets/keyboardaccess.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QShortcut>
#include <QWidget>

#include <set>

QChar MnemonicOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&')) continue;
        if (caption[i + 1] != QLatin1Char('&')) return caption[i + 1].toLower();
        ++i; // "&&" stands for the ampersand
    }
    return {};
}

QStringList WithMnemonics(const QStringList& captions) {
    std::set<char16_t> taken;
    for (const QString& caption : captions)
        if (const QChar mark = MnemonicOf(caption); !mark.isNull()) taken.insert(mark.unicode());
    QStringList marked;
    for (const QString& caption : captions) {
        QString text = caption;
        if (MnemonicOf(caption).isNull()) {
            for (qsizetype i = 0; i < caption.size(); ++i) {
                const QChar c = caption[i].toLower();
                if (caption[i] == QLatin1Char('&')) { // an ampersand of the text, "&&"
                    ++i;
                    continue;
                }
                if (!c.isLetterOrNumber() || !taken.insert(c.unicode()).second) continue;
                text.insert(i, QLatin1Char('&'));
                break;
            }
        }
        marked << text;
    }
    return marked;
}

void InstallContextMenuKey(QWidget* window) {
    auto* key = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), window);
    QObject::connect(key, &QShortcut::activated, window, [] {
        auto* view = qobject_cast<QAbstractItemView*>(QApplication::focusWidget());
        if (!view || view->contextMenuPolicy() != Qt::CustomContextMenu) return;
        const QRect row = view->visualRect(view->currentIndex());
        emit view->customContextMenuRequested(row.isValid() ? row.center() : QPoint(0, 0));
    });
}

void NameForScreenReaders(std::initializer_list<TScreenReaderText> texts) {
    for (const TScreenReaderText& text : texts) {
        if (text.name) text.widget->setAccessibleName(QString::fromUtf8(text.name));
        text.widget->setAccessibleDescription(QString::fromUtf8(text.description));
    }
}

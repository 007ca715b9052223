// Keyboard access as desktop programs give it: Alt with a marked letter (an "&" before it in a
// caption, "&&" for an ampersand itself) and Shift+F10 for the context menu.
#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

#include <initializer_list>

class QWidget;

// The marked letter of `caption`, in lower case; a null character when it has none.
QChar MnemonicOf(const QString& caption);

// `captions` with a marked letter on each one that has none: the first letter or digit no other
// caption of the list marks already (a caption whose letters are all taken stays as it is).
// Texts that come from message variables get their letters so, whatever language gave them.
QStringList WithMnemonics(const QStringList& captions);

// Shift+F10 in `window` opens the context menu of the item view with the focus, at its current
// row, as the Menu key does.
void InstallContextMenuKey(QWidget* window);

// What a screen reader says of a control: its name (nullptr keeps the one Qt takes from its
// text, its caption's label or its group) and what it is for.
struct TScreenReaderText {
    QWidget* widget;
    const char* name;
    const char* description;
};
void NameForScreenReaders(std::initializer_list<TScreenReaderText> texts);

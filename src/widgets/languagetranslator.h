// The translator of the windows: the language file beside the program applied to every
// translated window created so far, each time one more is created. Window texts are set through
// their Qt properties (docs/language-files.md has the mapping); message texts go to the windows'
// variable lists.
#pragma once

#include "language/windowtexts.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <vector>

class QObject;
class TranslatorVariables;

struct TTranslatedWindow {
    QPointer<QWidget> window;
    TranslatorVariables* variables; // none for windows without message keys
};

namespace translator {

// The program's path with its extension replaced by ".lng", unless a test named another file.
QString LanguageFileName();
void SetLanguageFileName(const QString& fileName); // empty: the program's own again

// Called in the creation of each translated window, after it registered its message keys: the
// window joins the translated windows, and the file (when it can be read) is applied to all of
// them. A file that cannot be opened, decompressed or parsed changes nothing.
void LoadLanguage(QWidget* window, TranslatorVariables* variables);
// The translated windows created so far and still alive, in creation order.
std::vector<TTranslatedWindow> TranslatedWindows();

// Applies a parsed document to the windows it names among `windows`.
void Apply(const TLangElement& root, const std::vector<TTranslatedWindow>& windows);

// The components a language file can address in a window, in creation order: named widgets
// and actions, not Qt's own parts nor the tool buttons that stand for an action or a menu.
QList<QObject*> ComponentsOf(QWidget* window);
TComponentKind KindOf(const QObject* object);
// The texts of a live component as the language file sees them (for the consistency check of
// the window table).
TComponentTexts TextsOf(const QObject* object);

} // namespace translator

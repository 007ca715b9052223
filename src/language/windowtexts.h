// What a language file can address, known without the window toolkit: the translated windows
// with their components, each component's kind, the properties each kind takes, and the built-in
// texts. shelvix-cli writes the translators' template from it and checks language files against
// it; a window test holds it equal to the live windows.
#pragma once

#include "language/languagefile.h"

#include <string>
#include <string_view>
#include <vector>

class TranslatorVariables;

enum class TComponentKind {
    Window,
    Action,
    Menu,
    Button,
    CheckBox,
    Label,
    GroupBox,
    Edit,
    ComboBox, // lines: Items
    View,     // header columns: Header, Columns
    ListBox,  // lines: Items
    NodeTree, // tree nodes: Items
    RowList,  // list-view rows: Items
    Other,
};

enum class TPropertyType { Text, ShortCut, Integer, Enumeration, Set };

struct TComponentTexts {
    std::string name;
    TComponentKind kind;
    std::string text; // Caption, or Text for an edit box; empty: none
    std::string hint;
    std::vector<std::string> columns; // header column titles of a view
    std::vector<std::string> lines;   // lines of a combo box or list box
    bool operator==(const TComponentTexts&) const = default;
};

struct TWindowTexts {
    std::string_view name;
    std::string_view caption;
    // Registers the window's message keys; none for windows without a variable list.
    void (*registerKeys)(TranslatorVariables&);
    std::vector<TComponentTexts> components; // in creation order
};

namespace language {

// The ten translated windows in creation order. frmImport is not among them.
const std::vector<TWindowTexts>& TranslatedWindows();
// The window that is never translated.
constexpr std::string_view kUntranslatedWindow = "frmImport";

// The attribute a kind takes under that name (letter case ignored), and its type. The names
// are the file's: Caption, Hint, Text, ShortCut, Width, Height, MaxLength, Alignment, WordWrap.
bool FindProperty(TComponentKind kind, std::string_view name, TPropertyType& type,
                  std::string_view* canonical = nullptr);
// The identifiers of an enumeration or set property, in value order.
const std::vector<std::string_view>& Identifiers(std::string_view property);
// The kind's text property: "Caption", or "Text" for edit boxes.
std::string_view TextProperty(TComponentKind kind);
// An object property (child element) the kind has: Font for every widget, Header for views,
// Items for combo boxes, list boxes, tree nodes and rows.
bool HasObjectProperty(TComponentKind kind, std::string_view name);

// The translators' template: every window text and message variable with its built-in English
// text, uncompressed, in the layout the loader reads.
std::string Template();

struct TFinding {
    int line;
    std::string what;
};
// Every element or attribute of a language document that names no window, component, property
// or registered key, in document order.
std::vector<TFinding> Check(const TLangElement& root);

} // namespace language

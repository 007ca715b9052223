// Language files from arbitrary bytes: the XML as the loader parses it, then every attribute
// through the conversions the windows apply (text, integer, enumeration, set), every Variables
// element onto a list of all registered message keys, and the translators' check over the whole
// document. Inputs that begin like a bzip2 stream also go through the file loader. Whatever the
// bytes hold, the tree stays within the nesting limit and the input's size, and every
// conversion's result is one the window code can use as it is.
#include "language/languagefile.h"
#include "language/messagetable.h"
#include "language/windowtexts.h"
#include "fuzz/fuzzsupport.h"

#include <algorithm>
#include <deque>
#include <iterator>
#include <string_view>

namespace {

constexpr TComponentKind kKinds[] = {
    TComponentKind::Window,   TComponentKind::Action,   TComponentKind::Menu,
    TComponentKind::Button,   TComponentKind::CheckBox, TComponentKind::Label,
    TComponentKind::GroupBox, TComponentKind::Edit,     TComponentKind::ComboBox,
    TComponentKind::View,     TComponentKind::ListBox,  TComponentKind::NodeTree,
    TComponentKind::RowList,  TComponentKind::Other};

// Every registered message key, bound to variables of the fuzzer's own.
struct TAllKeys {
    std::deque<std::string> values;
    TranslatorVariables list;
    TAllKeys() {
        for (const TWindowTexts& window : language::TranslatedWindows()) {
            if (!window.registerKeys) continue;
            TranslatorVariables registered;
            window.registerKeys(registered);
            for (const auto& entry : registered) {
                values.emplace_back();
                list.Add(entry.key, &values.back());
            }
        }
    }
};

void ApplyAttribute(TComponentKind kind, const std::string& name, const std::string& value) {
    TPropertyType type;
    std::string_view property;
    if (!language::FindProperty(kind, name, type, &property)) return;
    FUZZ_CHECK(language::SameName(property, name));
    switch (type) {
    case TPropertyType::Text:
    case TPropertyType::ShortCut:
        FUZZ_CHECK(language::ExpandLineBreaks(value).size() <= value.size());
        break;
    case TPropertyType::Integer: language::ParseInteger(value); break;
    case TPropertyType::Enumeration: {
        const auto& identifiers = language::Identifiers(property);
        const auto number = language::ParseEnumeration(value, identifiers);
        FUZZ_CHECK(number.has_value());
        break;
    }
    case TPropertyType::Set: break;
    }
}

struct TWalk {
    size_t inputSize;
    int lines;
    const TranslatorVariables& keys;

    void Element(const TLangElement& element, int depth) {
        FUZZ_CHECK(depth <= language::kMaxDepth);
        FUZZ_CHECK(element.line >= 0 && element.line <= lines);
        FUZZ_CHECK(element.name.size() <= inputSize && element.text.size() <= inputSize);
        // The element's kind comes from its window's component table in the program; here its
        // name picks one, so that every kind is reached without trying all of them each time.
        const TComponentKind kind = kKinds[element.name.size() % std::size(kKinds)];
        for (const auto& [name, value] : element.attributes) {
            FUZZ_CHECK(value.size() <= inputSize);
            ApplyAttribute(kind, name, value);
        }
        if (language::SameName(element.name, "Font")) {
            if (const std::string* style = language::Attribute(element, "Style")) {
                const auto& identifiers = language::Identifiers("Style");
                if (const auto bits = language::ParseSet(*style, identifiers))
                    FUZZ_CHECK(identifiers.size() >= 32 || *bits >> identifiers.size() == 0);
            }
        }
        if (language::SameName(element.name, "Variables")) language::ApplyVariables(element, keys);
        for (const TLangElement& child : element.children) Element(child, depth + 1);
    }
};

void CheckDocument(const TLangElement& root, std::string_view bytes) {
    static TAllKeys keys;
    for (std::string& value : keys.values) value.clear(); // what earlier inputs set
    const int lines = 1 + static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n'));
    TWalk{bytes.size(), lines, keys.list}.Element(root, 0);
    for (const std::string& value : keys.values) FUZZ_CHECK(value.size() <= bytes.size());
    for (const language::TFinding& finding : language::Check(root))
        FUZZ_CHECK(finding.line >= 0 && finding.line <= lines);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TLangElement root;
    if (language::Parse(bytes, root)) CheckDocument(root, bytes);

    if (bytes.substr(0, 3) == "BZh") {
        static const std::string file = fuzz::Scratch().File("language.lng");
        fuzz::WriteBytes(file, data, size);
        TLangElement loaded;
        language::Load(file, loaded);
    }
    return 0;
}

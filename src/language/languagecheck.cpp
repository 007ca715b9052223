// The properties each kind of component takes, and the check of a language document against
// the translated windows.
#include "language/messagetable.h"
#include "language/windowtexts.h"

#include <algorithm>

namespace language {
namespace {

struct TPropertySpec {
    std::string_view name;
    TPropertyType type;
    std::vector<TComponentKind> kinds; // empty: every kind
};

using K = TComponentKind;

const std::vector<TPropertySpec>& Properties() {
    static const std::vector<TPropertySpec> properties = {
        {"Caption", TPropertyType::Text,
         {K::Window, K::Action, K::Menu, K::Button, K::CheckBox, K::Label, K::GroupBox}},
        {"Hint", TPropertyType::Text, {}},
        {"Text", TPropertyType::Text, {K::Edit}},
        {"ShortCut", TPropertyType::ShortCut, {K::Action}},
        {"Width", TPropertyType::Integer, {K::Window}},
        {"Height", TPropertyType::Integer, {K::Window}},
        {"MaxLength", TPropertyType::Integer, {K::Edit}},
        {"Alignment", TPropertyType::Enumeration, {K::Label}},
        {"WordWrap", TPropertyType::Enumeration, {K::Label}},
    };
    return properties;
}

bool Takes(const TPropertySpec& spec, TComponentKind kind) {
    if (spec.kinds.empty()) return true;
    return std::find(spec.kinds.begin(), spec.kinds.end(), kind) != spec.kinds.end();
}

class TChecker {
public:
    std::vector<TFinding> findings;

    void Report(const TLangElement& at, std::string what) {
        findings.push_back({at.line, std::move(what)});
    }

    void Root(const TLangElement& root) {
        for (const auto& attribute : root.attributes)
            Report(root, "attribute '" + attribute.first + "' of the root names no property");
        for (const TLangElement& child : root.children) {
            if (SameName(child.name, kUntranslatedWindow)) {
                Report(child, "window '" + child.name + "' is never translated");
                continue;
            }
            const auto& windows = TranslatedWindows();
            const auto window = std::find_if(windows.begin(), windows.end(), [&](const auto& w) {
                return SameName(w.name, child.name);
            });
            if (window == windows.end()) Report(child, "'" + child.name + "' names no window");
            else Window(child, *window);
        }
    }

private:
    void Attributes(const TLangElement& element, TComponentKind kind, const std::string& owner) {
        for (const auto& attribute : element.attributes) {
            TPropertyType type;
            if (!FindProperty(kind, attribute.first, type))
                Report(element, owner + ": '" + attribute.first + "' names no property");
        }
    }

    // Only the attributes in `allowed`.
    void Only(const TLangElement& element, std::initializer_list<std::string_view> allowed,
              const std::string& owner) {
        for (const auto& attribute : element.attributes)
            if (std::none_of(allowed.begin(), allowed.end(),
                             [&](std::string_view a) { return SameName(a, attribute.first); }))
                Report(element, owner + ": '" + attribute.first + "' names no property");
    }

    void Window(const TLangElement& element, const TWindowTexts& window) {
        const std::string owner(window.name);
        Attributes(element, TComponentKind::Window, owner);
        TranslatorVariables keys;
        if (window.registerKeys) window.registerKeys(keys);
        for (const TLangElement& child : element.children) {
            const auto component =
                std::find_if(window.components.begin(), window.components.end(),
                             [&](const auto& c) { return SameName(c.name, child.name); });
            if (component != window.components.end())
                Component(child, component->kind, owner + "." + std::string(component->name));
            else if (window.registerKeys && SameName(child.name, "Variables"))
                Variables(child, keys, owner);
            else if (HasObjectProperty(TComponentKind::Window, child.name))
                ObjectProperty(child, TComponentKind::Window, owner);
            else
                Report(child, owner + ": '" + child.name + "' names no component or property");
        }
    }

    void Variables(const TLangElement& element, const TranslatorVariables& keys,
                   const std::string& owner) {
        for (const TLangElement& child : element.children) {
            Only(child, {"Name", "Value"}, owner + ".Variables");
            const std::string* name = Attribute(child, "Name");
            if (!name) Report(child, owner + ".Variables: an item without Name is skipped");
            else if (!keys.Find(*name))
                Report(child, owner + ".Variables: '" + *name + "' is no registered key");
        }
    }

    void Component(const TLangElement& element, TComponentKind kind, const std::string& owner) {
        Attributes(element, kind, owner);
        for (const TLangElement& child : element.children) {
            if (HasObjectProperty(kind, child.name)) ObjectProperty(child, kind, owner);
            else Report(child, owner + ": '" + child.name + "' names no property");
        }
    }

    // Items that carry an Index; `allowed` are their attributes.
    void Items(const TLangElement& element, std::initializer_list<std::string_view> allowed,
               const std::string& owner) {
        for (const TLangElement& item : element.children) {
            Only(item, allowed, owner);
            if (!Attribute(item, "Index")) Report(item, owner + ": an item without Index is skipped");
        }
    }

    void ObjectProperty(const TLangElement& element, TComponentKind kind, const std::string& owner) {
        const std::string path = owner + "." + element.name;
        if (SameName(element.name, "Font")) {
            Only(element, {"Style"}, path);
            for (const TLangElement& child : element.children)
                Report(child, path + ": '" + child.name + "' names no property");
        } else if (SameName(element.name, "Header")) {
            Only(element, {}, path);
            for (const TLangElement& child : element.children) {
                if (SameName(child.name, "Columns")) Items(child, {"Index", "Text", "Width"}, path + ".Columns");
                else Report(child, path + ": '" + child.name + "' names no property");
            }
        } else { // Items
            Only(element, {}, path);
            if (kind == TComponentKind::RowList) Items(element, {"Index", "Column", "Value"}, path);
            else Items(element, {"Index", "Value"}, path);
        }
    }
};

} // namespace

bool FindProperty(TComponentKind kind, std::string_view name, TPropertyType& type,
                  std::string_view* canonical) {
    for (const TPropertySpec& spec : Properties()) {
        if (!SameName(spec.name, name) || !Takes(spec, kind)) continue;
        type = spec.type;
        if (canonical) *canonical = spec.name;
        return true;
    }
    return false;
}

const std::vector<std::string_view>& Identifiers(std::string_view property) {
    static const std::vector<std::string_view> alignment = {"taLeftJustify", "taRightJustify",
                                                            "taCenter"};
    static const std::vector<std::string_view> boolean = {"False", "True"};
    static const std::vector<std::string_view> fontStyle = {"fsBold", "fsItalic", "fsUnderline",
                                                            "fsStrikeOut"};
    static const std::vector<std::string_view> none;
    if (SameName(property, "Alignment")) return alignment;
    if (SameName(property, "WordWrap")) return boolean;
    if (SameName(property, "Style")) return fontStyle;
    return none;
}

std::string_view TextProperty(TComponentKind kind) {
    return kind == TComponentKind::Edit ? "Text" : "Caption";
}

bool HasObjectProperty(TComponentKind kind, std::string_view name) {
    if (SameName(name, "Font")) return kind != TComponentKind::Action;
    if (SameName(name, "Header")) return kind == TComponentKind::View;
    if (SameName(name, "Items"))
        return kind == TComponentKind::ComboBox || kind == TComponentKind::ListBox ||
               kind == TComponentKind::NodeTree || kind == TComponentKind::RowList;
    return false;
}

std::vector<TFinding> Check(const TLangElement& root) {
    TChecker checker;
    checker.Root(root);
    return checker.findings;
}

} // namespace language

// The translators' template: the built-in texts of the translated windows and their message
// variables, written so that the loader reads every one of them back unchanged.
#include "language/messagetable.h"
#include "language/windowtexts.h"

#include <utility>
#include <vector>

namespace language {
namespace {

// An attribute value the loader turns back into `text`: only lt, gt and decimal references up
// to 100 are understood, so the quote and the ampersand go as decimal references. Line breaks
// go as the escape in texts, as a reference in lines of lists (which know no escape).
std::string Quoted(std::string_view text, bool lineBreakEscape) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&#38;"; break;
        case '"': out += "&#34;"; break;
        case '\r': out += "&#13;"; break;
        case '\n': out += lineBreakEscape ? "\\n" : "&#10;"; break;
        case '\t': out += "&#9;"; break;
        default: out += c;
        }
    }
    return out + "\"";
}

class TWriter {
public:
    std::string out;

    void Line(int depth, const std::string& text) {
        out.append(static_cast<size_t>(depth) * 2, ' ');
        out += text;
        out += '\n';
    }

    void Component(const TComponentTexts& c) {
        std::string attributes;
        if (!c.text.empty())
            attributes += " " + std::string(TextProperty(c.kind)) + "=" + Quoted(c.text, true);
        if (!c.hint.empty()) attributes += " Hint=" + Quoted(c.hint, true);
        const std::string name(c.name);
        if (c.columns.empty() && c.lines.empty()) {
            if (!attributes.empty()) Line(2, "<" + name + attributes + "/>");
            return;
        }
        Line(2, "<" + name + attributes + ">");
        if (!c.columns.empty()) {
            Line(3, "<Header>");
            Line(4, "<Columns>");
            for (size_t i = 0; i < c.columns.size(); ++i)
                Line(5, "<Column Index=\"" + std::to_string(i) + "\" Text=" +
                            Quoted(c.columns[i], true) + "/>");
            Line(4, "</Columns>");
            Line(3, "</Header>");
        }
        if (!c.lines.empty()) {
            Line(3, "<Items>");
            for (size_t i = 0; i < c.lines.size(); ++i)
                Line(4, "<Line Index=\"" + std::to_string(i) + "\" Value=" +
                            Quoted(c.lines[i], false) + "/>");
            Line(3, "</Items>");
        }
        Line(2, "</" + name + ">");
    }

    void Window(const TWindowTexts& w) {
        Line(1, "<" + std::string(w.name) + " Caption=" + Quoted(w.caption, true) + ">");
        for (const TComponentTexts& c : w.components) Component(c);
        if (w.registerKeys) {
            TranslatorVariables keys;
            w.registerKeys(keys);
            Line(2, "<Variables>");
            for (const auto& entry : keys)
                Line(3, "<Variable Name=\"" + entry.key + "\" Value=" +
                            Quoted(*entry.variable, true) + "/>");
            Line(2, "</Variables>");
        }
        Line(1, "</" + std::string(w.name) + ">");
    }
};

} // namespace

std::string Template() {
    // The variables' built-in texts, whatever a loaded file may have set in this process; their
    // values are given back afterwards.
    std::vector<std::pair<std::string*, std::string>> current;
    for (const TWindowTexts& w : TranslatedWindows()) {
        if (!w.registerKeys) continue;
        TranslatorVariables keys;
        w.registerKeys(keys);
        for (const auto& entry : keys) current.emplace_back(entry.variable, *entry.variable);
    }
    ResetMessagesToBuiltIn();
    TWriter writer;
    writer.out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                 "<!-- Shelvix language file. Translate the values, keep the names; then\n"
                 "     compress it with bzip2 and place it beside the program as shelvix.lng.\n"
                 "     \\n in a value is a line break. -->\n";
    writer.Line(0, "<Shelvix>");
    for (const TWindowTexts& w : TranslatedWindows()) writer.Window(w);
    writer.Line(0, "</Shelvix>");
    for (auto& saved : current) *saved.first = std::move(saved.second);
    return writer.out;
}

} // namespace language

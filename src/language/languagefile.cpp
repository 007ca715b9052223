#include "language/languagefile.h"

#include "language/messagetable.h"
#include "catalogue/IO_BZIP.h"
#include "catalogue/asciicase.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>

namespace language {
namespace {

struct TLineIndex {
    explicit TLineIndex(std::string_view bytes) {
        for (size_t i = 0; i < bytes.size(); ++i)
            if (bytes[i] == '\n') breaks.push_back(static_cast<ptrdiff_t>(i));
    }
    int LineOf(ptrdiff_t offset) const {
        return 1 + static_cast<int>(std::lower_bound(breaks.begin(), breaks.end(), offset) -
                                    breaks.begin());
    }
    std::vector<ptrdiff_t> breaks;
};

bool Convert(const pugi::xml_node& node, TLangElement& element, const TLineIndex& lines,
             int depth) {
    if (depth > kMaxDepth) return false;
    element.name = node.name();
    element.line = node.offset_debug() >= 0 ? lines.LineOf(node.offset_debug()) : 0;
    for (const pugi::xml_attribute& a : node.attributes())
        element.attributes.emplace_back(a.name(), DecodeReferences(a.value()));
    for (const pugi::xml_node& child : node.children()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            element.text += CollapseWhiteSpace(DecodeReferences(child.value()));
        } else if (child.type() == pugi::node_element) {
            element.children.emplace_back();
            if (!Convert(child, element.children.back(), lines, depth + 1)) return false;
        }
    }
    return true;
}

bool IsDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

} // namespace

bool Parse(std::string_view bytes, TLangElement& root) {
    pugi::xml_document document;
    // No entity decoding, no end-of-line or attribute white-space normalisation by the parser:
    // the program's own reference rules apply to the bytes exactly as written.
    const pugi::xml_parse_result parsed = document.load_buffer(
        bytes.data(), bytes.size(), pugi::parse_minimal, pugi::encoding_utf8);
    if (!parsed) return false;
    pugi::xml_node element;
    for (const pugi::xml_node& child : document.children()) {
        if (child.type() != pugi::node_element) continue;
        if (element) return false; // one root element only
        element = child;
    }
    if (!element) return false;
    TLangElement converted;
    if (!Convert(element, converted, TLineIndex(bytes), 0)) return false;
    root = std::move(converted);
    return true;
}

bool Load(const std::string& fileName, TLangElement& root) {
    auto memory = LoadCompressedFile(fileName);
    if (!memory) return false;
    return Parse(std::string_view(memory->Data() ? memory->Data() : "",
                                  static_cast<size_t>(memory->Size())),
                 root);
}

std::string DecodeReferences(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    size_t i = 0;
    while (i < raw.size()) {
        const size_t amp = raw.find('&', i);
        if (amp == std::string_view::npos) break;
        out.append(raw.substr(i, amp - i));
        const size_t semi = raw.find(';', amp);
        const std::string_view name =
            semi == std::string_view::npos ? std::string_view() : raw.substr(amp + 1, semi - amp - 1);
        int code = -1;
        if (name == "lt") code = '<';
        else if (name == "gt") code = '>';
        else if (name.size() >= 2 && name[0] == '#' && IsDigits(name.substr(1))) {
            // A number too large for an int leaves the code unset, as any number above 100.
            std::from_chars(name.data() + 1, name.data() + name.size(), code);
            if (code > 100) code = -1;
        }
        if (code < 0) {
            out += '&'; // kept as written
            i = amp + 1;
        } else {
            out += static_cast<char>(code);
            i = semi + 1;
        }
    }
    if (i < raw.size()) out.append(raw.substr(i));
    return out;
}

std::string CollapseWhiteSpace(std::string_view text) {
    std::string out;
    bool inRun = false;
    for (char c : text) {
        const bool white = c == ' ' || c == '\r' || c == '\n';
        if (!white || !inRun) out += c;
        inRun = white;
    }
    return out;
}

std::string ExpandLineBreaks(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += value[i];
        }
    }
    return out;
}

bool SameName(std::string_view a, std::string_view b) { return CompareIgnoringAsciiCase(a, b) == 0; }

const std::string* Attribute(const TLangElement& element, std::string_view name) {
    for (const auto& attribute : element.attributes)
        if (SameName(attribute.first, name)) return &attribute.second;
    return nullptr;
}

std::optional<int32_t> ParseInteger(std::string_view text) {
    text = Trimmed(text);
    const bool negative = !text.empty() && (text[0] == '-' || text[0] == '+');
    if (!IsDigits(negative ? text.substr(1) : text)) return std::nullopt;
    int32_t value = 0;
    const char* begin = text.data() + (!text.empty() && text[0] == '+' ? 1 : 0);
    const auto result = std::from_chars(begin, text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<int32_t> ParseEnumeration(std::string_view text,
                                        const std::vector<std::string_view>& identifiers) {
    if (auto number = ParseInteger(text)) return number;
    text = Trimmed(text);
    for (size_t i = 0; i < identifiers.size(); ++i)
        if (SameName(identifiers[i], text)) return static_cast<int32_t>(i);
    return 0;
}

std::optional<uint32_t> ParseSet(std::string_view text,
                                 const std::vector<std::string_view>& identifiers) {
    text = Trimmed(text);
    if (text.size() < 2 || text.front() != '[' || text.back() != ']') return std::nullopt;
    text = text.substr(1, text.size() - 2);
    uint32_t bits = 0;
    while (!Trimmed(text).empty()) {
        const size_t comma = text.find(',');
        const std::string_view item = Trimmed(text.substr(0, comma));
        const auto found = std::find_if(identifiers.begin(), identifiers.end(),
                                        [item](std::string_view id) { return SameName(id, item); });
        if (found == identifiers.end()) return std::nullopt;
        bits |= 1u << (found - identifiers.begin());
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return bits;
}

void ApplyVariables(const TLangElement& variables, const TranslatorVariables& list) {
    for (const TLangElement& child : variables.children) {
        const std::string* key = Attribute(child, "Name");
        const std::string* value = Attribute(child, "Value");
        if (!key || !value) continue;
        if (std::string* variable = list.Find(*key)) *variable = ExpandLineBreaks(*value);
    }
}

} // namespace language

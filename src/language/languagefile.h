// The language file: one bzip2 stream holding an XML document whose root stands for the
// application, its children for the windows, theirs for components and object properties. This
// unit reads it into a plain tree, with the program's own reference rules, and holds the
// conversions and the variable-list step that need no window toolkit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TranslatorVariables;

struct TLangElement {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes; // references decoded
    std::string text; // the element's own text, white-space runs collapsed
    std::vector<TLangElement> children;
    int line = 0; // 1-based line of the element's start in the document
};

namespace language {

// Elements nested deeper than this make the document unusable: no real file comes near, and a
// hostile one must not run the readers' recursion off the stack.
constexpr int kMaxDepth = 64;

// Parses the decompressed bytes. False when they are no well-formed document (or nest too deep).
bool Parse(std::string_view bytes, TLangElement& root);
// Reads, decompresses and parses a language file. False when it does not exist or cannot be
// opened, decompressed or parsed.
bool Load(const std::string& fileName, TLangElement& root);

// The references the program understands: &lt; &gt; and &#N; with N from 0 to 100. Every other
// reference stays as written.
std::string DecodeReferences(std::string_view raw);
// Element text: a run of spaces, carriage returns and line feeds becomes its first character.
std::string CollapseWhiteSpace(std::string_view text);
// The escape of text values: backslash and n stand for a line break.
std::string ExpandLineBreaks(std::string_view value);

// ASCII case-insensitive comparison, as every name in the file is matched.
bool SameName(std::string_view a, std::string_view b);
// The value of the attribute of that name (letter case ignored), or none.
const std::string* Attribute(const TLangElement& element, std::string_view name);

// Conversions of attribute texts; none when the text does not convert.
std::optional<int32_t> ParseInteger(std::string_view text);
// A decimal number, or an identifier's position in `identifiers`; an unknown identifier is 0.
std::optional<int32_t> ParseEnumeration(std::string_view text,
                                        const std::vector<std::string_view>& identifiers);
// "[a,b]": the bits of the named identifiers (bit i for identifiers[i]); none when the brackets
// are missing or a name is unknown.
std::optional<uint32_t> ParseSet(std::string_view text,
                                 const std::vector<std::string_view>& identifiers);

// A `Variables` element applied to a window's list: each child's Name (a registered key) gets
// its Value, line-break escape expanded. Unregistered keys are ignored.
void ApplyVariables(const TLangElement& variables, const TranslatorVariables& list);

} // namespace language

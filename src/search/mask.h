// The wildcard mask of the search: a short sequence of tokens matched against the beginning of
// a text. A search matches one mask against millions of names, so matching never copies or
// converts the text: letter case is folded byte by byte while comparing.
#pragma once

#include "catalogue/asciicase.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// Raised when a mask cannot be compiled.
class EMaskError : public std::runtime_error {
public:
    EMaskError() : std::runtime_error("Error") {}
};

class TMask {
public:
    enum class TokenKind : uint8_t {
        Literal,       // a run of ordinary characters
        AnyRun,        // *
        AnyOne,        // ?
        NotChar,       // !c
        ExactChar,     // #c
        CharSet,       // (abc)
        ExcludedSet,   // (!abc)
        CharRange,     // [a-z]
        ExcludedRange, // [!a-z]
        End,
    };
    struct Token {
        TokenKind kind = TokenKind::End;
        std::string argument; // the run, the set, the character, or lo and hi
    };
    // Slots of a mask, the end token included.
    static constexpr int kSlots = 15;

    // Compiles `mask`; with `caseSensitive` false the letters a to z count as A to Z.
    // Throws EMaskError when the mask cannot be compiled.
    TMask(std::string_view mask, bool caseSensitive);
    // The mask "*word" with every character of `word` taken as it stands, special or not, and
    // in one literal however long: any text holding `word`. Throws EMaskError when it is empty.
    static TMask Containing(std::string_view word, bool caseSensitive);

    // Whether the mask matches a beginning of `text`. The search passes the flag it compiled
    // the mask with.
    bool Matches(std::string_view text, bool caseSensitive) const {
        return caseSensitive ? Run<false>(text) : Run<true>(text);
    }

    // Whether `text` holds `run`, a literal of a mask compiled without case, anywhere: a quick
    // look at many names at once before each is matched.
    static bool HoldsFolded(std::string_view text, std::string_view run);

    int TokenCount() const { return count_; }
    const Token& TokenAt(int index) const { return tokens_[static_cast<size_t>(index)]; }

private:
    TMask() = default;
    void Add(TokenKind kind, std::string_view argument);
    template <bool Fold> bool Run(std::string_view text) const;

    std::array<Token, kSlots> tokens_;
    int count_ = 0;
};

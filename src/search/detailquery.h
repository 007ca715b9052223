// Words of the find field that ask about a file's details rather than its name: `key:text`
// (the detail holds the text, a-z folded as names are), `key:>N`, `key:<N`, `key:N..M`
// (numbers; the range holds both ends) and, for `taken`, a date such as `taken:2019` or
// `taken:2019-06` (the date begins so). Only the keys the catalogue knows count: any other
// word with a colon is a name word as before.
#pragma once

#include "search/mask.h"

#include <optional>
#include <string>
#include <string_view>

class CFile;

class TDetailTerm {
public:
    // None when the word is no detail word.
    static std::optional<TDetailTerm> Parse(std::string_view word);
    // Whether `value`, the detail named by Key(), satisfies the term.
    bool MatchesValue(std::string_view value) const;
    // Whether the entry has the detail and it satisfies the term.
    bool Matches(const CFile& entry) const;
    const std::string& Key() const { return key_; }

private:
    enum class Test { Contains, Above, Below, Between, DatePrefix };
    TDetailTerm(std::string key, Test test, TMask mask) : key_(std::move(key)), test_(test), mask_(std::move(mask)) {}
    std::string key_;
    Test test_;
    TMask mask_;
    double low_ = 0, high_ = 0;
    std::string prefix_;
};

// A number written in plain decimal ("4000", "-33.87", "29.97"), whatever the locale.
std::optional<double> DetailNumberValue(std::string_view text);

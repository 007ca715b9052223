#include "search/detailquery.h"

#include "catalogue/mediaclasses.h"

#include <charconv>

std::optional<double> DetailNumberValue(std::string_view text) {
    if (text.empty() || text[0] == '+') return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

namespace {
bool IsDatePrefix(std::string_view text) {
    // 2019, 2019-06, 2019-06-05, and the time parts that may follow
    static constexpr std::string_view shape = "dddd-dd-ddTdd:dd:dd";
    if (text.size() < 4 || text.size() > shape.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (shape[i] == 'd' ? !digit : text[i] != shape[i]) return false;
    }
    return text.size() == 4 || text.size() == 7 || text.size() == 10 || text.size() == 13 ||
           text.size() == 16 || text.size() == 19;
}
} // namespace

std::optional<TDetailTerm> TDetailTerm::Parse(std::string_view word) {
    const size_t colon = word.find(':');
    if (colon == std::string_view::npos || colon == 0) return std::nullopt;
    const std::string key(word.substr(0, colon));
    if (!IsKnownDetail(key)) return std::nullopt;
    const std::string_view rest = word.substr(colon + 1);
    if (rest.empty()) return std::nullopt;
    TDetailTerm term(key, Test::Contains, TMask::Containing(rest, false));
    if (key == "taken" && IsDatePrefix(rest)) {
        term.test_ = Test::DatePrefix;
        term.prefix_ = rest;
        return term;
    }
    if (rest[0] == '>' || rest[0] == '<') {
        if (auto n = DetailNumberValue(rest.substr(1))) {
            term.test_ = rest[0] == '>' ? Test::Above : Test::Below;
            term.low_ = term.high_ = *n;
        }
        return term;
    }
    if (const size_t dots = rest.find(".."); dots != std::string_view::npos) {
        auto low = DetailNumberValue(rest.substr(0, dots));
        auto high = DetailNumberValue(rest.substr(dots + 2));
        if (low && high) {
            term.test_ = Test::Between;
            term.low_ = *low;
            term.high_ = *high;
        }
    }
    return term;
}

bool TDetailTerm::MatchesValue(std::string_view value) const {
    switch (test_) {
    case Test::Contains:
        return mask_.Matches(value, false);
    case Test::DatePrefix:
        return value.substr(0, prefix_.size()) == prefix_;
    case Test::Above:
    case Test::Below:
    case Test::Between: {
        const auto n = DetailNumberValue(value);
        if (!n) return false;
        if (test_ == Test::Above) return *n > low_;
        if (test_ == Test::Below) return *n < high_;
        return *n >= low_ && *n <= high_;
    }
    }
    return false;
}

bool TDetailTerm::Matches(const CFile& entry) const {
    std::string_view value;
    return entry.Medium->Details.Find(&entry, key_, value) && MatchesValue(value);
}

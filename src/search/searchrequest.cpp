#include "search/searchrequest.h"

#include "catalogue/mediaclasses.h"
#include "search/mask.h"

std::string_view TSearchRow::Text() const {
    switch (field) {
    case TMatchedField::MediumName: return medium->Name;
    case TMatchedField::MediumLabel: return medium->VolumeLabel;
    case TMatchedField::MediumNotice: return medium->Notice;
    case TMatchedField::EntryName: return entry ? entry->Name() : std::string_view();
    }
    return {};
}

bool MatchMedium(CMedium& medium, const TMask& mask, const TSearchRequest& request) {
    if (request.Category >= 0 && request.Category != medium.Category) return false;
    const size_t before = request.Results->size();
    const auto test = [&](bool wanted, const std::string& text, TMatchedField field) {
        if (wanted && mask.Matches(text, request.CaseSensitive))
            request.Results->push_back({&medium, nullptr, field});
    };
    test(request.MatchNames, medium.Name, TMatchedField::MediumName);
    test(request.MatchLabels, medium.VolumeLabel, TMatchedField::MediumLabel);
    test(request.MatchNotices, medium.Notice, TMatchedField::MediumNotice);
    return request.Results->size() > before;
}

bool DetailsMatch(const CFile& entry, const TMask& mask, bool caseSensitive) {
    const std::string* packed = entry.Medium->Details.Packed(&entry);
    if (!packed) return false;
    bool found = false;
    ForEachDetail(*packed, [&](std::string_view, std::string_view value) {
        found = found || mask.Matches(value, caseSensitive);
    });
    return found;
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<int64_t> ParseSizeNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    text.remove_prefix(i);
    if (text.empty()) return std::nullopt;

    int base = 10;
    bool negative = false;
    if (text[0] == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;

    // Accumulated as a negative number, whose range reaches one further than the positive one.
    const int64_t lowest = std::numeric_limits<int64_t>::min();
    int64_t value = 0;
    for (const char c : text) {
        const int digit = base == 16 ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (digit < 0) return std::nullopt;
        if (value < (lowest + digit) / base) return std::nullopt;
        value = value * base - digit;
    }
    if (negative) return value;
    if (value == lowest) return std::nullopt;
    return -value;
}

std::optional<int64_t> ScaleSize(int64_t number, int64_t unitBytes) {
    int64_t product = 0;
    if (__builtin_mul_overflow(number, unitBytes, &product)) return std::nullopt;
    return product;
}

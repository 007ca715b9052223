// Letter case as the catalogue's texts know it: only the ASCII letters a to z have an upper
// case; every other byte, UTF-8 sequences included, keeps its code.
#pragma once

#include <algorithm>
#include <string_view>

inline unsigned char FoldAscii(unsigned char c) {
    return static_cast<unsigned char>(c - 'a') < 26 ? static_cast<unsigned char>(c - 32) : c;
}

// Compares two texts ignoring the case of a to z, bytes as unsigned codes; a text that is a
// beginning of the other sorts first. Negative, zero or positive.
inline int CompareIgnoringAsciiCase(std::string_view a, std::string_view b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const unsigned char x = FoldAscii(static_cast<unsigned char>(a[i]));
        const unsigned char y = FoldAscii(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The order people read names in: runs of digits compare by their value ("file2" before
// "file10", "Disc 9" before "Disc 10"), other bytes as CompareIgnoringAsciiCase does. Names
// equal so ("a01" and "a1", "abc" and "ABC") are told apart by their raw bytes, so that the order
// never depends on where the names stood before. Negative, zero or positive.
inline int CompareNatural(std::string_view a, std::string_view b) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            // Leading zeros add nothing to the value; then the longer run is the larger number,
            // and runs of one length compare digit by digit.
            while (i < a.size() && a[i] == '0') ++i;
            while (j < b.size() && b[j] == '0') ++j;
            size_t endA = i, endB = j;
            while (endA < a.size() && digit(a[endA])) ++endA;
            while (endB < b.size() && digit(b[endB])) ++endB;
            if (endA - i != endB - j) return endA - i < endB - j ? -1 : 1;
            for (; i < endA; ++i, ++j)
                if (a[i] != b[j]) return a[i] < b[j] ? -1 : 1;
            continue;
        }
        const unsigned char x = FoldAscii(static_cast<unsigned char>(a[i++]));
        const unsigned char y = FoldAscii(static_cast<unsigned char>(b[j++]));
        if (x != y) return x < y ? -1 : 1;
    }
    const bool aEnded = i >= a.size(), bEnded = j >= b.size();
    if (aEnded != bEnded) return aEnded ? -1 : 1;
    const int raw = a.compare(b);
    return raw < 0 ? -1 : raw > 0 ? 1 : 0;
}

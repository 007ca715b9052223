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

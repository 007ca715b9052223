// Readable names for the cases of a parameterised table whose rows carry no name of their own:
// the row's number, then its texts with letters and digits kept, '*' and '?' spelt out and any
// other run of bytes as one '_' ("3_Star_txt_in_readme_txt").
#pragma once

#include <cctype>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

inline std::string CaseName(size_t index, std::initializer_list<std::string_view> texts) {
    std::string name = std::to_string(index);
    for (std::string_view text : texts) {
        if (name.back() != '_') name += '_';
        for (unsigned char c : text) {
            if (std::isalnum(c)) name += static_cast<char>(c);
            else if (c == '*') name += "Star";
            else if (c == '?') name += "Q";
            else if (name.back() != '_') name += '_';
        }
    }
    return name;
}

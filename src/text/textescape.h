// Catalogue texts are raw bytes, usually UTF-8 but not always (a name taken from a file system
// can hold any byte). Anything the command line prints must be valid UTF-8, and a consumer must be
// able to get the exact bytes back, so texts are written through one reversible escape:
//
//   - a backslash becomes two backslashes;
//   - a byte that is not part of a well-formed UTF-8 sequence becomes a backslash, 'x' and two
//     upper-case hexadecimal digits (0xFF -> \xFF);
//   - everything else is copied.
//
// Well-formed means RFC 3629: no overlong forms (C0 AF), no surrogates (ED A0 80), nothing above
// U+10FFFF, no truncated sequences. The result is valid UTF-8; JSON quoting comes on top of it.
// For terminal output the control characters (C0, DEL and C1) can be escaped the same way; the
// decoder does not need to know, since \xHH always stands for one byte.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace cli {

// Length of the well-formed UTF-8 sequence that starts at text[pos], or 0 when there is none.
inline size_t Utf8SequenceLength(std::string_view text, size_t pos) {
    const auto at = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = at(pos);
    if (lead < 0x80) return 1;
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;       // overlong below U+0800
        else if (lead == 0xED) high = 0x9F; // surrogates U+D800..U+DFFF
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;       // overlong below U+10000
        else if (lead == 0xF4) high = 0x8F; // above U+10FFFF
    } else {
        return 0; // continuation byte, C0, C1 or F5..FF as a lead
    }
    if (text.size() - pos < length) return 0;
    if (at(pos + 1) < low || at(pos + 1) > high) return 0;
    for (size_t i = 2; i < length; ++i)
        if (at(pos + i) < 0x80 || at(pos + i) > 0xBF) return 0;
    return length;
}

enum class Controls { Keep, Escape };

inline void AppendHexByte(std::string& out, unsigned char byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += '\\';
    out += 'x';
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
}

// Appends the escaped form of `raw` to `out`.
inline void AppendEscaped(std::string& out, std::string_view raw,
                          Controls controls = Controls::Keep) {
    size_t pos = 0;
    while (pos < raw.size()) {
        const unsigned char byte = static_cast<unsigned char>(raw[pos]);
        if (byte == '\\') {
            out += "\\\\";
            ++pos;
            continue;
        }
        const size_t length = Utf8SequenceLength(raw, pos);
        if (length == 0) {
            AppendHexByte(out, byte);
            ++pos;
            continue;
        }
        const bool control = (length == 1 && (byte < 0x20 || byte == 0x7F)) ||
                             (length == 2 && byte == 0xC2 &&
                              static_cast<unsigned char>(raw[pos + 1]) < 0xA0);
        if (control && controls == Controls::Escape) {
            for (size_t i = 0; i < length; ++i)
                AppendHexByte(out, static_cast<unsigned char>(raw[pos + i]));
        } else {
            out.append(raw.data() + pos, length);
        }
        pos += length;
    }
}

inline std::string EscapeBytes(std::string_view raw, Controls controls = Controls::Keep) {
    std::string out;
    out.reserve(raw.size());
    AppendEscaped(out, raw, controls);
    return out;
}

// The bytes an escaped text stands for; none when the text holds a backslash that starts
// neither "\\" nor "\x" with two hexadecimal digits (either case is accepted).
inline std::optional<std::string> UnescapeBytes(std::string_view text) {
    const auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size(); ++pos) {
        if (text[pos] != '\\') {
            out += text[pos];
            continue;
        }
        if (pos + 1 < text.size() && text[pos + 1] == '\\') {
            out += '\\';
            ++pos;
            continue;
        }
        if (pos + 3 >= text.size() || text[pos + 1] != 'x') return std::nullopt;
        const int high = hex(text[pos + 2]), low = hex(text[pos + 3]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        pos += 3;
    }
    return out;
}

} // namespace cli

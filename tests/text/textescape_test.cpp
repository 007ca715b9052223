// The reversible escape that makes catalogue bytes printable UTF-8.
#include "text/textescape.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <random>
#include <string>

namespace {

using cli::Controls;
using cli::EscapeBytes;
using cli::UnescapeBytes;

struct EscapeCase {
    const char* what;
    std::string raw;
    Controls controls;
    std::string escaped;
};

TEST(TextEscape, KnownBytesEscapeAndDecodeBack) {
    const EscapeCase cases[] = {
        {"plain ASCII", "plain.txt", Controls::Keep, "plain.txt"},
        {"byte 0xFF", "a\xFF" "b", Controls::Keep, "a\\xFFb"},
        {"backslash", "a\\b", Controls::Keep, "a\\\\b"},
        {"text that looks like an escape", "\\xFF", Controls::Keep, "\\\\xFF"},
        {"lone continuation byte", "\x80", Controls::Keep, "\\x80"},
        {"truncated 2-byte sequence at end", "\xC3", Controls::Keep, "\\xC3"},
        {"truncated 3-byte sequence", "\xE2\x82" "A", Controls::Keep, "\\xE2\\x82A"},
        {"overlong slash", "\xC0\xAF", Controls::Keep, "\\xC0\\xAF"},
        {"overlong 3-byte", "\xE0\x80\xAF", Controls::Keep, "\\xE0\\x80\\xAF"},
        {"surrogate", "\xED\xA0\x80", Controls::Keep, "\\xED\\xA0\\x80"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", Controls::Keep, "\\xF4\\x90\\x80\\x80"},
        {"F5 lead", "\xF5\x80", Controls::Keep, "\\xF5\\x80"},
        {"valid 2, 3 and 4 byte forms", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", Controls::Keep,
         "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {"edges U+D7FF and U+10FFFF", "\xED\x9F\xBF\xF4\x8F\xBF\xBF", Controls::Keep,
         "\xED\x9F\xBF\xF4\x8F\xBF\xBF"},
        {"controls kept", std::string("a\n\t\0b", 5), Controls::Keep, std::string("a\n\t\0b", 5)},
        {"controls escaped", std::string("a\n\0\x7F", 4), Controls::Escape, "a\\x0A\\x00\\x7F"},
        {"C1 control escaped", "\xC2\x85", Controls::Escape, "\\xC2\\x85"},
        {"no-break space is not a control", "\xC2\xA0", Controls::Escape, "\xC2\xA0"},
        {"empty", "", Controls::Keep, ""},
    };
    for (const EscapeCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(EscapeBytes(c.raw, c.controls), c.escaped);
        EXPECT_EQ(UnescapeBytes(c.escaped), c.raw);
    }
}

TEST(TextEscape, MalformedEscapesAreRejected) {
    const char* const bad[] = {"\\", "abc\\", "\\x", "\\x4", "\\xG1", "\\x4G", "\\q", "\\X41"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(UnescapeBytes(text).has_value());
    }
    EXPECT_EQ(UnescapeBytes("\\xff\\x0a"), std::string("\xFF\n"));
}

// Random byte strings drawn mostly from bytes that start, continue or break sequences: each
// must come back unchanged and its escaped form must be text a JSON library accepts.
TEST(TextEscape, RandomBytesRoundTripAsValidUtf8) {
    const unsigned char interesting[] = {'\\', 'x', 'F', '0', 'a', 0x00, 0x0A, 0x7F, 0x80, 0xBF,
                                         0xC0, 0xC2, 0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5,
                                         0xFF, 0x9F, 0xA0, 0x8F, 0x90};
    std::mt19937 random(12345);
    for (int round = 0; round < 20000; ++round) {
        std::string raw(random() % 12, '\0');
        for (char& c : raw)
            c = static_cast<char>(random() % 3 == 0 ? random() % 256
                                                     : interesting[random() % sizeof interesting]);
        for (Controls controls : {Controls::Keep, Controls::Escape}) {
            const std::string escaped = EscapeBytes(raw, controls);
            ASSERT_EQ(UnescapeBytes(escaped), raw) << "round " << round;
            // nlohmann refuses to serialise invalid UTF-8.
            ASSERT_NO_THROW((void)nlohmann::json(escaped).dump()) << "round " << round;
            if (controls == Controls::Escape) {
                for (unsigned char c : escaped) ASSERT_TRUE(c >= 0x20 && c != 0x7F);
            }
        }
    }
}

} // namespace

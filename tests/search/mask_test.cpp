#include "search/mask.h"

#include "support/casename.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

struct MatchCase {
    const char* mask;
    const char* text;
    bool caseSensitive;
    bool expected;
};

const MatchCase kMatchCases[] = {
    // A mask without a star finds the texts that begin with it.
    {"abc", "ABCDEF", false, true},
    {"abc", "abc.txt", false, true},
    {"abc", "xabc", false, false},
    {"*abc", "xabc", false, true},
    {"abc", "ABC", true, false},
    {"abc", "abc", true, true},
    {"ABC", "abc", true, false},
    {"aBc", "AbC", false, true},
    // Star and question mark also match the empty text.
    {"*", "", false, true},
    {"*", "anything", true, true},
    {"?", "", false, true},
    {"??", "a", false, true},
    {"a?c", "abc", false, true},
    {"a?c", "abcd", false, true},
    {"a?c", "ac", false, false},
    {"*.t?t", "readme.txt", false, true},
    {"*.t?t", "readme.txt.bak", false, true},
    {"*.t?t", "notes.text", false, false},
    {"*.t?t", "README.TXT", false, true},
    {"*.t?t", "README.TXT", true, false},
    // Escaped specials, not-char, sets and ranges.
    {"#*", "*star", false, true},
    {"#*", "star", false, false},
    {"#(", "(x", false, true},
    {"!a", "banana", false, true},
    {"!a", "apple", false, false},
    {"!a", "Apple", false, false},
    {"!a", "Apple", true, true},
    {"!a", "", false, false},
    {"(xyz)", "yes", false, true},
    {"(xyz)", "x", false, true},
    {"(xyz)", "abc", false, false},
    {"(xyz)", "", false, false},
    {"(!xyz)", "abc", false, true},
    {"(!xyz)", "zebra", false, false},
    {"(!xyz)", "", false, false},
    {"(*?)", "?x", false, true}, // specials inside a set are members
    {"()", "a", false, false},
    {"(!)", "a", false, true},
    {"[0-9]", "7up", false, true},
    {"[0-9]", "up7", false, false},
    {"[!0-9]", "up7", false, true},
    {"[!0-9]", "7up", false, false},
    {"[!0-9]", "", false, false},
    {"[9-0]", "5", false, false}, // lo above hi: an empty range
    {"[!9-0]", "5", false, true},
    {"[a-cxyz]", "b", false, true}, // what follows hi is ignored
    {"[a-c]", "B", false, true},
    {"[a-c]", "B", true, false},
    {"[0-9]*", "2024 photos", false, true},
    // Letters beyond a to z compare by their exact codes in both modes.
    {"\xC3\xA9", "\xC3\x89", false, false},
    {"\xC3\xA9t\xC3\xA9", "\xC3\xA9T\xC3\xA9", false, true},
    // The any-run retries: the rest after it must match somewhere.
    {"*abc*", "xxABCyy", false, true},
    {"*abc*", "ab", false, false},
    {"*a*b*c", "aXbXc", false, true},
    {"*a*b*c", "aXcXb", false, false},
    {"a*", "a", false, true},
    {"*?x", "ax", false, true},
    {"*x?", "ax", false, true},
    {"x*y", "xy", false, true},
    {"*#*", "a*b", false, true},
};

void PrintTo(const MatchCase& c, std::ostream* out) {
    *out << "mask '" << c.mask << "' text '" << c.text << "' " << (c.caseSensitive ? "case" : "any case");
}

class MaskMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(MaskMatch, MatchesAsTabled) {
    const MatchCase& c = GetParam();
    const TMask mask(c.mask, c.caseSensitive);
    EXPECT_EQ(mask.Matches(c.text, c.caseSensitive), c.expected)
        << "mask '" << c.mask << "' text '" << c.text << "' case " << c.caseSensitive;
}

INSTANTIATE_TEST_SUITE_P(Table, MaskMatch, ::testing::ValuesIn(kMatchCases), [](const auto& info) {
    const MatchCase& c = info.param;
    return CaseName(info.index, {c.mask, "in", c.text, c.caseSensitive ? "case" : "anycase"});
});

TEST(Mask, MasksThatCannotCompile) {
    const std::string fourteen(14, '?'), fifteen(15, '?');
    for (const std::string& bad :
         {std::string(), std::string("[abc]"), std::string("[a-z"), std::string("(abc"),
          std::string("!"), std::string("#"), std::string("abc!"), std::string("[a-]"),
          std::string("[!a-]"), std::string("[!ab-c]"), std::string("[]"), fifteen,
          std::string("a?b?c?d?e?f?g?h"), std::string(1000, '*')}) {
        EXPECT_THROW(TMask(bad, false), EMaskError) << "'" << bad << "'";
        EXPECT_THROW(TMask(bad, true), EMaskError) << "'" << bad << "'";
    }
    EXPECT_NO_THROW(TMask(fourteen, false));
    EXPECT_NO_THROW(TMask("a?b?c?d?e?f?g?", false)) << "14 tokens and the end";
    EXPECT_NO_THROW(TMask(std::string(5000, 'x'), true)) << "a literal run is one token";
    try {
        TMask("(", false);
    } catch (const EMaskError& e) {
        EXPECT_STREQ(e.what(), "Error");
    }
}

TEST(Mask, CompilesIntoTokens) {
    using K = TMask::TokenKind;
    const TMask mask("ab*c?!x#*(pq)(!rs)[0-9][!a-z]tail", false);
    const std::pair<K, std::string> expected[] = {
        {K::Literal, "AB"},       {K::AnyRun, "*"},      {K::Literal, "C"},
        {K::AnyOne, "?"},         {K::NotChar, "X"},     {K::ExactChar, "*"},
        {K::CharSet, "PQ"},       {K::ExcludedSet, "RS"}, {K::CharRange, "09"},
        {K::ExcludedRange, "AZ"}, {K::Literal, "TAIL"},  {K::End, ""},
    };
    ASSERT_EQ(mask.TokenCount(), int(std::size(expected)));
    for (int i = 0; i < mask.TokenCount(); ++i) {
        EXPECT_EQ(mask.TokenAt(i).kind, expected[i].first) << i;
        EXPECT_EQ(mask.TokenAt(i).argument, expected[i].second) << i;
    }
    EXPECT_EQ(TMask("ab", true).TokenAt(0).argument, "ab") << "case kept when sensitive";
}

// The matching rules run literally over the compiled tokens: every any-run retries every
// shorter rest, however many stars came before. The mask's own matcher must agree with it.
bool ReferenceRun(const TMask& mask, int t, std::string_view rest) {
    using K = TMask::TokenKind;
    const TMask::Token& token = mask.TokenAt(t);
    const auto first = [&] { return static_cast<unsigned char>(rest[0]); };
    const auto arg = [&](size_t i) { return static_cast<unsigned char>(token.argument[i]); };
    switch (token.kind) {
    case K::End: return true;
    case K::Literal:
        return rest.substr(0, token.argument.size()) == token.argument &&
               ReferenceRun(mask, t + 1, rest.substr(token.argument.size()));
    case K::AnyOne: return ReferenceRun(mask, t + 1, rest.empty() ? rest : rest.substr(1));
    case K::NotChar: return !rest.empty() && first() != arg(0) && ReferenceRun(mask, t + 1, rest.substr(1));
    case K::ExactChar: return !rest.empty() && first() == arg(0) && ReferenceRun(mask, t + 1, rest.substr(1));
    case K::CharSet:
    case K::ExcludedSet: {
        if (rest.empty()) return false;
        const bool in = token.argument.find(rest[0]) != std::string::npos;
        return in == (token.kind == K::CharSet) && ReferenceRun(mask, t + 1, rest.substr(1));
    }
    case K::CharRange:
    case K::ExcludedRange: {
        if (rest.empty()) return false;
        const bool in = first() >= arg(0) && first() <= arg(1);
        return in == (token.kind == K::CharRange) && ReferenceRun(mask, t + 1, rest.substr(1));
    }
    case K::AnyRun:
        if (rest.empty()) return ReferenceRun(mask, t + 1, rest);
        for (size_t skip = 0; skip < rest.size(); ++skip)
            if (ReferenceRun(mask, t + 1, rest.substr(skip))) return true;
        return false;
    }
    return false;
}

TEST(Mask, AgreesWithTheLiteralRulesOnRandomMasks) {
    std::mt19937 random(20240607);
    const std::string maskAlphabet = "ab*?*!#([-])A";
    const std::string textAlphabet = "abAB-*(";
    int compiled = 0;
    for (int round = 0; round < 80000; ++round) {
        std::string maskText, text;
        for (int i = int(random() % 9); i >= 0; --i) maskText += maskAlphabet[random() % maskAlphabet.size()];
        // Long texts too, so that the word-at-a-time scan for a literal after a star runs.
        const int length = int(random() % (round % 2 ? 10 : 48));
        for (int i = length; i > 0; --i) text += textAlphabet[random() % textAlphabet.size()];
        const bool caseSensitive = random() % 2 == 0;
        try {
            const TMask mask(maskText, caseSensitive);
            ++compiled;
            std::string folded = text;
            if (!caseSensitive)
                for (char& c : folded) c = static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
            ASSERT_EQ(mask.Matches(text, caseSensitive), ReferenceRun(mask, 0, folded))
                << "mask '" << maskText << "' text '" << text << "' case " << caseSensitive;
        } catch (const EMaskError&) {
        }
    }
    EXPECT_GT(compiled, 20000);
}

TEST(Mask, ManyStarsStayFast) {
    // Retrying every earlier star would take C(250, 6) steps here.
    const TMask mask("*a*a*a*a*a*a*b", true);
    EXPECT_FALSE(mask.Matches(std::string(250, 'a'), true));
    EXPECT_TRUE(mask.Matches(std::string(250, 'a') + "b", true));
}

TEST(Mask, CompareIgnoringAsciiCase) {
    EXPECT_EQ(CompareIgnoringAsciiCase("abc", "ABC"), 0);
    EXPECT_LT(CompareIgnoringAsciiCase("ab", "ABC"), 0);
    EXPECT_GT(CompareIgnoringAsciiCase("b", "A"), 0);
    EXPECT_LT(CompareIgnoringAsciiCase("Z", "\xC3\xA9"), 0) << "bytes above 127 compare unsigned";
    EXPECT_NE(CompareIgnoringAsciiCase("\xC3\xA9", "\xC3\x89"), 0);
}

} // namespace

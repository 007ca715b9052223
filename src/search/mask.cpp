#include "search/mask.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace {

bool IsSpecial(char c) {
    return c == '!' || c == '#' || c == '(' || c == '*' || c == '?' || c == '[';
}

template <bool Fold> unsigned char At(std::string_view text, size_t position) {
    const auto c = static_cast<unsigned char>(text[position]);
    return Fold ? FoldAscii(c) : c;
}

bool InRange(unsigned char c, const std::string& loHi) {
    return c >= static_cast<unsigned char>(loHi[0]) && c <= static_cast<unsigned char>(loHi[1]);
}

bool InSet(unsigned char c, const std::string& set) {
    return std::memchr(set.data(), c, set.size()) != nullptr;
}

// How a character of a literal is found: a folded letter matches exactly two bytes, its upper
// and its lower case, which differ only in bit 5, so that bit is masked out; any other
// character matches only itself.
template <bool Fold> unsigned char KeepBits(unsigned char c) {
    return Fold && c >= 'A' && c <= 'Z' ? 0xDF : 0xFF;
}

// When the token after an any-run is a literal, every rest that does not begin with the whole
// literal fails at that literal: move `from` to the first rest that does. False when there is
// none (a literal never matches the empty rest either).
//
// Names are scanned eight bytes at a time for the places where the literal's first two
// characters stand (its only one, for a literal of one); only those are compared in full.
template <bool Fold> bool FindLiteral(std::string_view text, std::string_view literal, size_t& from) {
    const size_t size = literal.size();
    const size_t n = text.size();
    if (n < size || from > n - size) return false;
    const size_t last = n - size; // the last start the literal fits at
    const auto c0 = static_cast<unsigned char>(literal[0]);
    const auto c1 = size > 1 ? static_cast<unsigned char>(literal[1]) : 0;
    const unsigned char keep0 = KeepBits<Fold>(c0), keep1 = size > 1 ? KeepBits<Fold>(c1) : 0;
    const auto matchesAt = [&](size_t q) {
        for (size_t k = 0; k < size; ++k)
            if (At<Fold>(text, q + k) != static_cast<unsigned char>(literal[k])) return false;
        return true;
    };
    size_t q = from;
    if constexpr (std::endian::native == std::endian::little) {
        constexpr uint64_t kOnes = 0x0101010101010101ull, kHigh = kOnes << 7;
        const uint64_t pattern0 = kOnes * c0, bits0 = kOnes * keep0;
        const uint64_t pattern1 = kOnes * c1, bits1 = kOnes * keep1;
        // Eight bytes from q hold seven starts q..q+6 whose second character is in the word too.
        while (q + 8 <= n && q + 6 <= last) {
            uint64_t word;
            std::memcpy(&word, text.data() + q, 8);
            const uint64_t x = ((word & bits0) ^ pattern0) | (((word >> 8) & bits1) ^ pattern1);
            // A zero byte of x is a start where both characters stand. The lowest flag is always
            // a real one; flags above it may be false and are checked in full like the others.
            uint64_t zero = (x - kOnes) & ~x & kHigh & (kHigh >> 8);
            while (zero) {
                const size_t start = q + static_cast<size_t>(std::countr_zero(zero)) / 8;
                if (matchesAt(start)) {
                    from = start;
                    return true;
                }
                zero &= zero - 1;
            }
            q += 7;
        }
    }
    for (; q <= last; ++q)
        if (matchesAt(q)) {
            from = q;
            return true;
        }
    return false;
}

template <bool Fold> bool SkipToLiteral(std::string_view text, const TMask::Token& next, size_t& from) {
    return next.kind != TMask::TokenKind::Literal || FindLiteral<Fold>(text, next.argument, from);
}

} // namespace

bool TMask::HoldsFolded(std::string_view text, std::string_view run) {
    size_t from = 0;
    return run.empty() || FindLiteral<true>(text, run, from);
}

void TMask::Add(TokenKind kind, std::string_view argument) {
    if (count_ >= kSlots) throw EMaskError();
    tokens_[static_cast<size_t>(count_)].kind = kind;
    tokens_[static_cast<size_t>(count_)].argument.assign(argument);
    ++count_;
}

TMask::TMask(std::string_view maskText, bool caseSensitive) {
    std::string mask(maskText);
    if (!caseSensitive)
        for (char& c : mask) c = static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
    if (mask.empty()) throw EMaskError();

    const size_t length = mask.size();
    size_t i = 0; // zero-based here
    while (i < length) {
        const size_t start = i;
        while (!IsSpecial(mask[i]) && i + 1 < length) ++i;
        if (!IsSpecial(mask[i])) { // the last character ends a literal run
            Add(TokenKind::Literal, std::string_view(mask).substr(start));
            ++i;
            continue;
        }
        if (i > start) Add(TokenKind::Literal, std::string_view(mask).substr(start, i - start));
        switch (mask[i]) {
        case '*':
            Add(TokenKind::AnyRun, "*");
            ++i;
            break;
        case '?':
            Add(TokenKind::AnyOne, "?");
            ++i;
            break;
        case '!':
        case '#':
            if (i + 1 >= length) throw EMaskError();
            Add(mask[i] == '!' ? TokenKind::NotChar : TokenKind::ExactChar,
                std::string_view(mask).substr(i + 1, 1));
            i += 2;
            break;
        case '(': {
            const size_t close = mask.find(')', i + 1);
            if (close == std::string::npos) throw EMaskError();
            if (mask[i + 1] == '!')
                Add(TokenKind::ExcludedSet, std::string_view(mask).substr(i + 2, close - i - 2));
            else
                Add(TokenKind::CharSet, std::string_view(mask).substr(i + 1, close - i - 1));
            i = close + 1;
            break;
        }
        default: { // '['
            const size_t close = mask.find(']', i + 1);
            if (close == std::string::npos) throw EMaskError();
            const bool excluded = mask[i + 1] == '!';
            const size_t lo = i + (excluded ? 2 : 1);
            // lo, the minus sign and hi all lie inside the group; anything after hi is ignored.
            if (lo + 2 >= close || mask[lo + 1] != '-') throw EMaskError();
            const char loHi[2] = {mask[lo], mask[lo + 2]};
            Add(excluded ? TokenKind::ExcludedRange : TokenKind::CharRange,
                std::string_view(loHi, 2));
            i = close + 1;
            break;
        }
        }
    }
    Add(TokenKind::End, {});
}

TMask TMask::Containing(std::string_view word, bool caseSensitive) {
    if (word.empty()) throw EMaskError();
    std::string literal(word);
    if (!caseSensitive)
        for (char& c : literal) c = static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
    TMask mask;
    mask.Add(TokenKind::AnyRun, "*");
    mask.Add(TokenKind::Literal, literal);
    mask.Add(TokenKind::End, {});
    return mask;
}

// The tokens run in order over the rest of the text. An any-run tries the tokens after it on
// the rest as it is, then one character shorter, and so on while a character is left (once,
// on the empty rest, when nothing is left).
//
// Only the most recent any-run is ever retried. When the tokens after a later any-run fail on
// every rest it offers, moving an earlier any-run on only hands the later one a shorter rest
// and fewer tries, so it fails as well: dropping those retries changes no result and keeps a
// match linear in the text instead of exponential in the number of stars.
template <bool Fold> bool TMask::Run(std::string_view text) const {
    const size_t n = text.size();
    size_t p = 0;
    int t = 0;
    int retryToken = -1; // the token after the last any-run
    size_t retryFrom = 0; // where that any-run last handed the rest on
    for (;;) {
        const Token& token = tokens_[static_cast<size_t>(t)];
        bool ok = true;
        switch (token.kind) {
        case TokenKind::End:
            return true;
        case TokenKind::AnyRun:
            retryToken = t + 1;
            retryFrom = p;
            ++t;
            if (!SkipToLiteral<Fold>(text, tokens_[size_t(t)], retryFrom)) return false;
            p = retryFrom;
            continue;
        case TokenKind::Literal: {
            const std::string& literal = token.argument;
            const size_t size = literal.size();
            if (n - p < size) {
                ok = false;
                break;
            }
            for (size_t k = 0; k < size; ++k)
                if (At<Fold>(text, p + k) != static_cast<unsigned char>(literal[k])) {
                    ok = false;
                    break;
                }
            if (ok) p += size;
            break;
        }
        case TokenKind::AnyOne:
            if (p < n) ++p;
            break;
        case TokenKind::NotChar:
            ok = p < n && At<Fold>(text, p) != static_cast<unsigned char>(token.argument[0]);
            if (ok) ++p;
            break;
        case TokenKind::ExactChar:
            ok = p < n && At<Fold>(text, p) == static_cast<unsigned char>(token.argument[0]);
            if (ok) ++p;
            break;
        case TokenKind::CharSet:
            ok = p < n && InSet(At<Fold>(text, p), token.argument);
            if (ok) ++p;
            break;
        case TokenKind::ExcludedSet:
            ok = p < n && !InSet(At<Fold>(text, p), token.argument);
            if (ok) ++p;
            break;
        case TokenKind::CharRange:
            ok = p < n && InRange(At<Fold>(text, p), token.argument);
            if (ok) ++p;
            break;
        case TokenKind::ExcludedRange:
            ok = p < n && !InRange(At<Fold>(text, p), token.argument);
            if (ok) ++p;
            break;
        }
        if (ok) {
            ++t;
            continue;
        }
        // A failed token: the last any-run offers a rest one character shorter, if one is left.
        if (retryToken < 0 || retryFrom + 1 >= n) return false;
        ++retryFrom;
        if (!SkipToLiteral<Fold>(text, tokens_[size_t(retryToken)], retryFrom)) return false;
        p = retryFrom;
        t = retryToken;
    }
}

template bool TMask::Run<true>(std::string_view) const;
template bool TMask::Run<false>(std::string_view) const;

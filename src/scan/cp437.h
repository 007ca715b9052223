// Names written by MS-DOS and OS/2 tools into ZIP archives are in the DOS code page 437; the
// catalogue keeps its texts in UTF-8, so those names are translated by a table of our own.
#pragma once

#include <string>
#include <string_view>

// Appends the UTF-8 form of a code point; a value that is no character (a surrogate, or beyond
// U+10FFFF) becomes U+FFFD.
void AppendUtf8(std::string& out, char32_t c);

// Translates every byte of 0x80 and above to the UTF-8 form of its code page 437 character;
// bytes below 0x80 are ASCII in both and are copied as they are.
std::string Cp437ToUtf8(std::string_view bytes);

// Lets gtest print Qt values readably in failure messages. Include it before any assertion that
// compares such values; gtest finds PrintTo by argument-dependent lookup, and QString lives in
// the global namespace, so the printer does too.
#pragma once

#include <QString>

#include <ostream>

// A QString as its text in quotes (UTF-8), instead of the bytes of the object.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

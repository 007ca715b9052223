// A small streaming JSON writer. Catalogues hold millions of entries nested hundreds of thousands
// of levels deep, so the output is written piece by piece into a buffer that goes to the file
// whenever it fills, instead of being built as a document first. The caller places the commas;
// the shapes written are fixed, so that costs nothing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace cli {

class JsonOut {
public:
    explicit JsonOut(std::FILE* file);
    ~JsonOut();
    JsonOut(const JsonOut&) = delete;
    JsonOut& operator=(const JsonOut&) = delete;

    // Text copied as it is: brackets, commas, line breaks.
    void Raw(std::string_view text);
    void Raw(char c) {
        buffer_ += c;
        if (buffer_.size() >= kFlushAt) Flush();
    }
    // "name": with a name that needs no escaping.
    void Key(std::string_view name);
    // Catalogue bytes, made valid UTF-8 by the reversible escape and then quoted.
    void String(std::string_view bytes);
    void Int(int64_t value);
    // Shortest text that reads back as the same double; null for NaN and infinities, which
    // JSON cannot express.
    void Double(double value);
    void Bool(bool value) { Raw(value ? std::string_view("true") : std::string_view("false")); }
    void Null() { Raw(std::string_view("null")); }

    // Writes out what is buffered; false once any write to the file failed.
    bool Flush();
    bool Failed() const { return failed_; }

private:
    static constexpr size_t kFlushAt = 1 << 16;
    std::FILE* file_;
    std::string buffer_;
    std::string escaped_; // scratch, reused for every string
    bool failed_ = false;
};

} // namespace cli

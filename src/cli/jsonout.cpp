#include "cli/jsonout.h"

#include "text/textescape.h"

#include <charconv>
#include <cmath>

namespace cli {

JsonOut::JsonOut(std::FILE* file) : file_(file) { buffer_.reserve(kFlushAt + 4096); }

JsonOut::~JsonOut() { Flush(); }

void JsonOut::Raw(std::string_view text) {
    buffer_ += text;
    if (buffer_.size() >= kFlushAt) Flush();
}

void JsonOut::Key(std::string_view name) {
    buffer_ += '"';
    buffer_ += name;
    buffer_ += "\":";
}

void JsonOut::String(std::string_view bytes) {
    escaped_.clear();
    AppendEscaped(escaped_, bytes);
    buffer_ += '"';
    // The escaped text is valid UTF-8; JSON only needs quotes, backslashes and C0 controls
    // escaped. Runs of ordinary bytes are copied in one piece.
    size_t start = 0;
    for (size_t i = 0; i < escaped_.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(escaped_[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        buffer_.append(escaped_, start, i - start);
        start = i + 1;
        switch (c) {
        case '"': buffer_ += "\\\""; break;
        case '\\': buffer_ += "\\\\"; break;
        case '\b': buffer_ += "\\b"; break;
        case '\f': buffer_ += "\\f"; break;
        case '\n': buffer_ += "\\n"; break;
        case '\r': buffer_ += "\\r"; break;
        case '\t': buffer_ += "\\t"; break;
        default: {
            char text[8];
            std::snprintf(text, sizeof text, "\\u%04X", c);
            buffer_ += text;
        }
        }
    }
    buffer_.append(escaped_, start, std::string::npos);
    buffer_ += '"';
    if (buffer_.size() >= kFlushAt) Flush();
}

void JsonOut::Int(int64_t value) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    Raw(std::string_view(text, static_cast<size_t>(result.ptr - text)));
}

void JsonOut::Double(double value) {
    if (!std::isfinite(value)) {
        Null();
        return;
    }
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    Raw(std::string_view(text, static_cast<size_t>(result.ptr - text)));
}

bool JsonOut::Flush() {
    if (!buffer_.empty() && !failed_ &&
        std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
        failed_ = true;
    buffer_.clear();
    if (!failed_ && std::fflush(file_) != 0) failed_ = true;
    return !failed_;
}

} // namespace cli

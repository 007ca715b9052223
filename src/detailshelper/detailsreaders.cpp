#include "detailshelper/detailsreaders.h"

#include <exiv2/exiv2.hpp>
extern "C" {
#include <libavutil/log.h>
}

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>

void InitDetailsReaders() {
    // Their warnings about odd files would only fill the scan's terminal.
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    Exiv2::enableBMFF(true); // HEIF, HEIC and CR3
    av_log_set_level(AV_LOG_QUIET);
}

std::string DetailNumber(double value, int decimals) {
    if (!std::isfinite(value)) return {};
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string s(text);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    if (s == "-0") s = "0";
    return s;
}

std::string DetailNumber(long long value) { return std::to_string(value); }

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0' || text.back() == '\n'))
        text.pop_back();
    size_t start = 0;
    while (start < text.size() && text[start] == ' ') ++start;
    return text.substr(start);
}

std::string TakenText(std::string text) {
    text = Trimmed(std::move(text));
    const auto digits = [&](size_t at, size_t n) {
        for (size_t i = at; i < at + n; ++i)
            if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
        return true;
    };
    if (text.size() >= 19 && digits(0, 4) && text[4] == ':' && digits(5, 2) && text[7] == ':' &&
        digits(8, 2) && text[10] == ' ' && digits(11, 2) && text[13] == ':' && digits(14, 2) &&
        text[16] == ':' && digits(17, 2)) {
        text[4] = '-';
        text[7] = '-';
        text[10] = 'T';
    }
    return text;
}

namespace {
ContentKind SniffKind(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return ContentKind::Unknown;
    char head[256];
    const ssize_t n = ::read(fd, head, sizeof head);
    ::close(fd);
    return n > 0 ? KindByFirstBytes(std::string_view(head, size_t(n))) : ContentKind::Unknown;
}
} // namespace

TDetailPairs ReadFileDetails(ContentKind kind, const std::string& path) {
    try {
        if (kind == ContentKind::Unknown) kind = SniffKind(path);
        switch (kind) {
        case ContentKind::Photo:
            return ReadPhotoDetails(path);
        case ContentKind::Music: {
            TDetailPairs pairs = ReadMusicDetails(path);
            return pairs.empty() ? ReadMediaDetails(path, true) : pairs;
        }
        case ContentKind::Video:
            return ReadMediaDetails(path, false);
        case ContentKind::Unknown:
            break;
        }
    } catch (...) { // the libraries' exceptions end here, with nothing read
    }
    return {};
}

std::string MakePreview(ContentKind kind, const std::string& path) {
    try {
        if (kind == ContentKind::Unknown) kind = SniffKind(path);
        if (kind == ContentKind::Photo) return MakePhotoPreview(path);
        if (kind == ContentKind::Video) return MakeVideoPreview(path);
    } catch (...) { // a library's exception costs the preview only
    }
    return {};
}

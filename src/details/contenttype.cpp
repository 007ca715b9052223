#include "details/contenttype.h"

#include <cstring>
#include <string>

namespace {
struct Extension {
    const char* name;
    ContentKind kind;
};
constexpr Extension kExtensions[] = {
    {"jpg", ContentKind::Photo},  {"jpeg", ContentKind::Photo}, {"jpe", ContentKind::Photo},
    {"png", ContentKind::Photo},  {"webp", ContentKind::Photo}, {"tif", ContentKind::Photo},
    {"tiff", ContentKind::Photo}, {"heif", ContentKind::Photo}, {"heic", ContentKind::Photo},
    {"cr2", ContentKind::Photo},  {"cr3", ContentKind::Photo},  {"crw", ContentKind::Photo},
    {"nef", ContentKind::Photo},  {"arw", ContentKind::Photo},  {"orf", ContentKind::Photo},
    {"rw2", ContentKind::Photo},  {"raf", ContentKind::Photo},  {"pef", ContentKind::Photo},
    {"dng", ContentKind::Photo},
    {"mp3", ContentKind::Music},  {"m4a", ContentKind::Music},  {"aac", ContentKind::Music},
    {"alac", ContentKind::Music}, {"flac", ContentKind::Music}, {"ogg", ContentKind::Music},
    {"oga", ContentKind::Music},  {"opus", ContentKind::Music}, {"wma", ContentKind::Music},
    {"ape", ContentKind::Music},  {"wv", ContentKind::Music},   {"mpc", ContentKind::Music},
    {"aif", ContentKind::Music},  {"aiff", ContentKind::Music}, {"wav", ContentKind::Music},
    {"dsf", ContentKind::Music},
    {"mp4", ContentKind::Video},  {"m4v", ContentKind::Video},  {"mov", ContentKind::Video},
    {"mkv", ContentKind::Video},  {"webm", ContentKind::Video}, {"avi", ContentKind::Video},
    {"ts", ContentKind::Video},   {"m2ts", ContentKind::Video}, {"mts", ContentKind::Video},
    {"wmv", ContentKind::Video},
};

std::string_view ExtensionOf(std::string_view name) {
    const size_t slash = name.rfind('/');
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return {};
    return name.substr(dot + 1);
}

bool Starts(std::string_view head, size_t at, std::string_view magic) {
    return head.size() >= at + magic.size() && head.substr(at, magic.size()) == magic;
}
} // namespace

bool HasExtension(std::string_view name) { return !ExtensionOf(name).empty(); }

ContentKind KindByExtension(std::string_view name) {
    const std::string_view ext = ExtensionOf(name);
    if (ext.empty() || ext.size() > 4) return ContentKind::Unknown;
    char lower[5] = {};
    for (size_t i = 0; i < ext.size(); ++i) {
        const char c = ext[i];
        lower[i] = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    }
    for (const Extension& e : kExtensions)
        if (std::strcmp(e.name, lower) == 0) return e.kind;
    return ContentKind::Unknown;
}

ContentKind KindByFirstBytes(std::string_view head) {
    using namespace std::string_view_literals;
    if (Starts(head, 0, "\xFF\xD8\xFF"sv) || Starts(head, 0, "\x89PNG\r\n\x1A\n"sv) ||
        Starts(head, 0, "II*\0"sv) || Starts(head, 0, "MM\0*"sv) || Starts(head, 0, "IIRO"sv) ||
        Starts(head, 0, "IIU\0"sv) || Starts(head, 0, "FUJIFILMCCD-RAW"sv) ||
        (Starts(head, 0, "RIFF"sv) && Starts(head, 8, "WEBP"sv)))
        return ContentKind::Photo;
    if (Starts(head, 4, "ftyp"sv)) {
        const std::string_view brand = head.size() >= 12 ? head.substr(8, 4) : std::string_view{};
        if (brand == "heic" || brand == "heix" || brand == "mif1" || brand == "msf1" ||
            brand == "avif" || brand == "crx ")
            return ContentKind::Photo;
        if (brand == "M4A " || brand == "M4B ") return ContentKind::Music;
        return ContentKind::Video;
    }
    if (Starts(head, 0, "ID3"sv) || Starts(head, 0, "fLaC"sv) || Starts(head, 0, "OggS"sv) ||
        Starts(head, 0, "MAC "sv) || Starts(head, 0, "wvpk"sv) || Starts(head, 0, "MPCK"sv) ||
        Starts(head, 0, "DSD "sv) || (Starts(head, 0, "FORM"sv) && Starts(head, 8, "AIF"sv)) ||
        (Starts(head, 0, "RIFF"sv) && Starts(head, 8, "WAVE"sv)) ||
        (head.size() >= 2 && uint8_t(head[0]) == 0xFF && (uint8_t(head[1]) & 0xE0) == 0xE0))
        return ContentKind::Music;
    if (Starts(head, 0, "\x1A\x45\xDF\xA3"sv) || (Starts(head, 0, "RIFF"sv) && Starts(head, 8, "AVI "sv)) ||
        (head.size() >= 189 && head[0] == 0x47 && head[188] == 0x47))
        return ContentKind::Video;
    // ASF (WMA and WMV alike): the reader tells which it holds.
    if (Starts(head, 0, "\x30\x26\xB2\x75\x8E\x66\xCF\x11"sv)) return ContentKind::Video;
    return ContentKind::Unknown;
}

#include "scan/archivetypes.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

struct Suffix {
    std::string_view text; // lower case, with its dot
    ArchiveType type;
};

// Longer suffixes need no precedence: none of them ends another of a different type.
constexpr std::array kSuffixes = {
    Suffix{".zip", ArchiveType::Zip},       Suffix{".rar", ArchiveType::Rar},
    Suffix{".7z", ArchiveType::SevenZip},   Suffix{".tar", ArchiveType::Tar},
    Suffix{".tar.gz", ArchiveType::Tar},    Suffix{".tgz", ArchiveType::Tar},
    Suffix{".tar.bz2", ArchiveType::Tar},   Suffix{".tbz", ArchiveType::Tar},
    Suffix{".tbz2", ArchiveType::Tar},      Suffix{".tar.xz", ArchiveType::Tar},
    Suffix{".txz", ArchiveType::Tar},       Suffix{".tar.zst", ArchiveType::Tar},
    Suffix{".tzst", ArchiveType::Tar},      Suffix{".tar.lz4", ArchiveType::Tar},
    Suffix{".tar.lzma", ArchiveType::Tar},  Suffix{".tlz", ArchiveType::Tar},
    Suffix{".tar.lz", ArchiveType::Tar},    Suffix{".tar.z", ArchiveType::Tar},
    Suffix{".taz", ArchiveType::Tar},       Suffix{".iso", ArchiveType::Iso},
    Suffix{".cab", ArchiveType::Cab},       Suffix{".lzh", ArchiveType::Lzh},
    Suffix{".lha", ArchiveType::Lzh},       Suffix{".cpio", ArchiveType::Cpio},
    Suffix{".xar", ArchiveType::Xar},
};
constexpr size_t kLongest = 9; // ".tar.lzma"

} // namespace

ArchiveType ArchiveTypeOf(std::string_view name) {
    // ASCII letters only: a name's other bytes (UTF-8 among them) never match a suffix anyway.
    const size_t length = std::min(name.size(), kLongest);
    std::string tail(name.substr(name.size() - length));
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    for (const Suffix& suffix : kSuffixes)
        if (tail.ends_with(suffix.text)) return suffix.type;
    return ArchiveType::None;
}

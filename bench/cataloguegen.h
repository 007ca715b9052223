// The synthetic catalogue the catalogue benchmarks build in memory: media of random folder
// trees with names, sizes, dates and categories like real discs. Header only; the same seed gives
// the same catalogue on every platform.
#pragma once

#include "catalogue/mediaclasses.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace benchcatalogue {

[[noreturn]] inline void GeneratorFailed(const std::string& what) {
    std::fprintf(stderr, "catalogue generator: %s\n", what.c_str());
    std::exit(1);
}

// The engine's raw output is fixed by the C++ standard, so every platform builds the same data
// (the standard distributions are not, hence these two).
struct Rng : std::mt19937_64 {
    using std::mt19937_64::mt19937_64;
    uint64_t Below(uint64_t n) { return (*this)() % n; }
    double Unit() { return static_cast<double>((*this)() >> 11) / 9007199254740992.0; }
};

inline const char* const kWords[] = {"IMG",     "DSC",   "holiday", "photos", "Track",  "backup",
                                     "report",  "final", "draft",   "Artist", "Live",   "setup",
                                     "invoice", "scan",  "summer",  "Berlin", "family", "notes",
                                     "project", "Vol",   "disc",    "copy",   "new",    "old",
                                     "Mix",     "Remix", "chapter", "season"};
inline const char* const kExtensions[] = {".jpg",  ".jpg", ".jpg", ".txt", ".mp3",  ".mp3",
                                          ".zip",  ".pdf", ".png", ".doc", ".avi",  ".mkv",
                                          ".flac", ".cpp", ".h",   ".rar", ".html", ".iso"};
inline const char* const kSeparators[] = {" ", "_", "-", " - ", "."};

template <typename T, size_t N> const char* Pick(Rng& rng, T (&list)[N]) {
    return list[rng.Below(N)];
}

// 8 to 40 bytes: words, separators and numbers, then an extension for files.
inline std::string MakeName(Rng& rng, bool folder) {
    const size_t length = 8 + rng.Below(33);
    const std::string extension = folder ? "" : Pick(rng, kExtensions);
    std::string name;
    while (name.size() + extension.size() < length) {
        if (!name.empty()) name += Pick(rng, kSeparators);
        name += rng.Below(3) ? std::string(Pick(rng, kWords)) : std::to_string(rng.Below(100000));
    }
    name.resize(length - extension.size());
    return name + extension;
}

inline int64_t MakeSize(Rng& rng) {
    if (rng.Below(4000) == 0)
        return (int64_t(2) << 30) + static_cast<int64_t>(rng.Below(int64_t(6) << 30));
    return static_cast<int64_t>(std::exp(rng.Unit() * std::log(2.0e9)));
}

// One medium's tree: a random walk through folders up to 3..6 levels deep.
inline void BuildMedium(CMedium& m, Rng& rng, int count, int categories) {
    const size_t maxDepth = 3 + rng.Below(4);
    std::vector<CFile*> path;
    for (int made = 0; made < count;) {
        const double r = rng.Unit();
        if (!path.empty() && r < 0.10) {
            path.pop_back();
            continue;
        }
        const bool folder = path.size() < maxDepth && r < 0.20;
        CFile* parent = path.empty() ? nullptr : path.back();
        CFile* e = CFile::Create(&m, parent);
        const int32_t category = rng.Below(5) ? -1 : static_cast<int32_t>(rng.Below(categories));
        // 2000 .. 2024, in whole seconds as a scan takes them from the file system.
        const int64_t second = static_cast<int64_t>(rng.Below(int64_t(9000) * 86400));
        const double date = 36526.0 + double(second / 86400) + double(second % 86400) / 86400.0;
        const std::string name = MakeName(rng, folder);
        if (!e->SetFrom(name, folder ? faDirectory : 0, category, folder ? 0 : MakeSize(rng), date))
            GeneratorFailed("SetFrom refused " + name);
        parent ? parent->AddChild(e) : m.AddEntry(e);
        ++made;
        if (folder) path.push_back(e);
    }
}

inline void BuildCatalogue(CMedienListe& list, int media, int64_t entries) {
    list.Categories = {"Photos", "Music", "Documents", "Backup", "Software", "Video", "Archive"};
    Rng rng{20240601};
    for (int i = 0; i < media; ++i) {
        auto m = std::make_unique<CMedium>(&list);
        const int count = static_cast<int>(entries / media + (i < entries % media ? 1 : 0));
        BuildMedium(*m, rng, count, static_cast<int>(list.Categories.size()));
        char serial[9];
        std::snprintf(serial, sizeof serial, "%08X", static_cast<unsigned>(rng()));
        m->Name = "Disc " + std::to_string(i + 1);
        m->VolumeLabel = "VOL_" + std::to_string(i + 1);
        m->Serial = serial;
        m->DriveType = 5;
        m->Notice = i % 3 == 0 ? "shelf " + std::to_string(i / 10) : "";
        m->Category = i % 4 == 0 ? static_cast<int32_t>(i % 7) : -1;
        m->ContentLoaded = true;
        list.AddMedium(std::move(m));
    }
}

} // namespace benchcatalogue

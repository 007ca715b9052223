// A small catalogue holding every kind of entry, a size that needs the large-size trailer, odd
// name bytes and categories: the valid starting point that the fuzz seeds and the mutation test
// are grown from. Everything here is written by the core itself.
#pragma once

#include "catalogue/IO_BZIP.h"
#include "catalogue/mediaclasses.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace sample {

inline CFile* Add(CMedium& m, CFile* parent, std::string_view name, int32_t kind, int64_t size,
                  int32_t category = -1, double date = 45000.25) {
    CFile* e = CFile::Create(&m, parent);
    e->SetName(name);
    e->Kind = kind;
    e->Size = size;
    e->Category = category;
    e->Date = date;
    if (parent)
        parent->AddChild(e);
    else
        m.AddEntry(e);
    return e;
}

// Folders, an archive with members, an empty folder, a 5 GB file, names with bytes that are
// not UTF-8, an empty name and a size field that holds its largest value without a trailer.
inline void FillMedium(CMedium& m) {
    CFile* music = Add(m, nullptr, "Music", kindFolder, 0, 0);
    Add(m, music, "a.mp3", kindFile, 1234, 0, 44000.5);
    CFile* zip = Add(m, music, "b.zip", kindArchive, 99999, 1);
    Add(m, zip, "inner.txt", kindFile, 10);
    CFile* deep = Add(m, zip, "sub", kindFolder, 0);
    Add(m, deep, "x", kindFile, 1);
    Add(m, music, "empty", kindFolder, 0);
    Add(m, nullptr, "big.iso", kindFile, 5000000000LL, -1, 45123.75);
    Add(m, nullptr, std::string_view("\xff\xfe:\\name", 8), kindFile, 0);
    Add(m, nullptr, " ", kindFile, 7); // an empty name would mark the block damaged
    Add(m, nullptr, "exactly-max", kindFile, INT32_MAX);
    Add(m, nullptr, "huge.img", kindFile, 3000000000LL);
    m.FolderCount = 4;
    m.FileCount = 9;
    m.TotalSize = 8000000000LL + 1234 + 99999 + 10 + 1 + 7 + INT32_MAX;
    m.ContentLoaded = true;
}

// The catalogue: two categories, a medium with the tree above, an empty medium and a removed one.
inline void FillCatalogue(CMedienListe& list) {
    list.Categories = {"Music", "Archives", ""};
    auto first = std::make_unique<CMedium>(&list);
    first->Name = "Disc one";
    first->VolumeLabel = "DISC1";
    first->Serial = "0A1B2C3D";
    first->Notice = "notes";
    first->Category = 1;
    first->DriveType = 5;
    // What Add keeps beyond the header, so that the index seeds carry those fields too.
    first->Additions.Capacity = 700 << 20;
    first->Additions.FreeSpace = 12 << 20;
    first->Additions.ReadTime = 45720.5;
    first->Additions.Folder = "/music";
    FillMedium(*first);
    list.AddMedium(std::move(first));
    auto empty = std::make_unique<CMedium>(&list);
    empty->Name = "Empty";
    empty->Serial = "00000000";
    empty->ContentLoaded = true;
    list.AddMedium(std::move(empty));
    auto removed = std::make_unique<CMedium>(&list);
    removed->Name = "Gone";
    removed->Present = false;
    removed->ContentLoaded = true;
    Add(*removed, nullptr, "left.txt", kindFile, 3);
    list.AddMedium(std::move(removed));
}

// The decompressed content block of a medium as the catalogue writes it.
inline std::string ContentBlock(const CMedium& m) {
    TMemoryStream s;
    if (!m.WriteContentRecords(s)) return {};
    return s.ToString();
}

inline std::string Compressed(std::string_view bytes) {
    TMemoryStream in, out;
    in.Write(bytes.data(), bytes.size());
    if (!CompressToFile(in, out)) return {};
    return out.ToString();
}

// The decompressed content of a whole compressed file; empty when it cannot be read.
inline std::string DecompressedFile(const std::string& fileName) {
    auto memory = LoadCompressedFile(fileName);
    return memory ? memory->ToString() : std::string();
}

} // namespace sample

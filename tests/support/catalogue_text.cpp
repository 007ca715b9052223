#include "support/catalogue_text.h"

#include "catalogue/entrywalk.h"
#include "support/testfiles.h"

#include <sstream>

std::string DescribeMedium(const CMedium& m) {
    std::ostringstream out;
    out.precision(17);
    out << "medium " << m.Name << " label=" << m.VolumeLabel << " serial=" << m.Serial
        << " notice=" << m.Notice << " cat=" << m.Category << " folders=" << m.FolderCount
        << " files=" << m.FileCount << " total=" << m.TotalSize << " drive=" << m.DriveType
        << " version=" << m.Version << " present=" << m.Present << " loaded=" << m.ContentLoaded
        << "\n";
    WalkEntries(m.Entries(), [&out](const CFile* e) {
        int depth = 0;
        for (const CFile* p = e->Parent; p; p = p->Parent) ++depth;
        out << std::string(static_cast<size_t>(depth) * 2, ' ') << "[" << e->Name() << "] kind="
            << e->Kind << " size=" << e->Size << " date=" << e->Date << " cat=" << e->Category
            << " version=" << e->Version << "\n";
        return false;
    });
    return out.str();
}

std::string DescribeCatalogue(const CMedienListe& cat, bool withFileFields) {
    std::ostringstream out;
    out << "version " << cat.Version << "\n";
    for (const auto& name : cat.Categories) out << "category [" << name << "]\n";
    for (int i = 0; i < cat.Count(); ++i) {
        const CMedium& m = *cat.GetMedium(i);
        out << DescribeMedium(m);
        if (withFileFields)
            out << "  offset=" << m.DataOffset << " length=" << m.ContentLength
                << " stored=" << m.Stored << "\n";
    }
    return out.str();
}

CFile* AddTestEntry(CMedium& m, CFile* parent, std::string_view name, int32_t kind, int64_t size,
                    double date, int32_t category) {
    CFile* e = CFile::Create(&m, parent);
    e->SetName(name);
    e->Kind = kind;
    e->Size = size;
    e->Date = date;
    e->Category = category;
    if (parent) parent->AddChild(e);
    else m.AddEntry(e);
    return e;
}

void FillSampleCatalogue(CMedienListe& cat) {
    cat.Categories = {"Music", "Films", std::string("B\xFC" "cher", 6)};
    for (int i = 0; i < 3; ++i) {
        CMedium& m = *cat.AddMedium(std::make_unique<CMedium>(&cat));
        m.Name = "Disc " + std::to_string(i);
        m.VolumeLabel = "LABEL" + std::to_string(i);
        m.Serial = "0000ABC" + std::to_string(i);
        m.Notice = i == 1 ? "notice with\nnew line" : "";
        m.Category = i - 1;
        m.DriveType = 5;
        m.Present = i != 2;
        m.ContentLoaded = true;
        CFile* music = AddTestEntry(m, nullptr, "Music", kindFolder, 0, 44000.25, 0);
        CFile* album = AddTestEntry(m, music, "Album: one\\two", kindFolder, 0, 44000.75);
        for (int k = 0; k < 5 + i; ++k)
            AddTestEntry(m, album, "track" + std::to_string(k) + ".mp3", kindFile,
                         3000000 + k, 44100.0 + k / 7.0, k % 2 ? 1 : -1);
        CFile* zip = AddTestEntry(m, nullptr, "pack.zip", kindArchive, 123456, 45001.5);
        AddTestEntry(m, zip, "inner", kindFolder);
        AddTestEntry(m, zip->GetEntry(0), std::string("\xFF\xFE odd", 6), kindFile, 7);
        AddTestEntry(m, nullptr, "disc.iso", kindFile, (5LL << 30) + i, 45002.0);
        AddTestEntry(m, nullptr, "edge.bin", kindFile, INT32_MAX, 45002.0);
        AddTestEntry(m, nullptr, "empty", kindFolder);
        m.FolderCount = 4;
        m.FileCount = 8 + i;
        m.TotalSize = (5LL << 30) + 1000;
    }
}

std::string LoadedCatalogueText(const std::string& index) {
    CMedienListe back;
    if (!back.Load(index)) return "no catalogue";
    for (int i = 0; i < back.Count(); ++i)
        if (!back.GetMedium(i)->LoadContent(back.DataFileName)) return "no content";
    return DescribeCatalogue(back);
}


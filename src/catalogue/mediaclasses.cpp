#include "mediaclasses.h"

#include "IO_BZIP.h"
#include "entrywalk.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/stat.h>

namespace {

VolumeInfoReader& volumeInfoReader() {
    static VolumeInfoReader reader;
    return reader;
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool LessIgnoringAsciiCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return static_cast<unsigned char>(AsciiUpper(x)) <
                   static_cast<unsigned char>(AsciiUpper(y));
        });
}

// The category index of `name` in the target, appending the name when it is missing.
int32_t TargetCategory(CMedienListe& target, const std::string& name) {
    const int found = target.IndexOfCategory(name);
    if (found >= 0) return found;
    target.Categories.push_back(name);
    return static_cast<int32_t>(target.Categories.size() - 1);
}

std::string NameOf(const CMedienListe* owner, int32_t index) {
    if (!owner || index < 0 || static_cast<size_t>(index) >= owner->Categories.size()) return {};
    return owner->Categories[static_cast<size_t>(index)];
}

} // namespace

bool AcceptableEntryName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

// ---- CFile ----

static_assert(sizeof(CFile) <= 72, "a medium holds millions of entries: keep them small");

CFile* CFile::Create(CMedium* medium, CFile* parent) {
    void* room = medium->Arena().Allocate(sizeof(CFile), alignof(CFile));
    return new (room) CFile(medium, parent);
}

void CFile::SetName(std::string_view name) {
    name_ = Medium->Arena().CopyText(name);
    nameLength_ = static_cast<uint32_t>(name.size());
}

void CFile::AddChild(CFile* child) { children_.Add(Medium->Arena(), child); }
void CFile::ReserveChildren(uint32_t count) { children_.Reserve(Medium->Arena(), count); }

std::string CFile::CategoryName() const { return NameOf(Medium ? Medium->Owner : nullptr, Category); }

bool CFile::UsesCategory(int32_t index) const {
    if (Category == index) return true;
    if (!HasChildrenKind()) return false;
    return WalkEntries(
        children_, [index](const CFile* e) { return e->Category == index; },
        [](const CFile* e) { return e->HasChildrenKind(); });
}

void CFile::SetCategoryDeep(int32_t index) {
    Category = index;
    if (!HasChildrenKind()) return;
    WalkEntries(
        children_,
        [index](CFile* e) {
            e->Category = index;
            return false;
        },
        [](const CFile* e) { return e->HasChildrenKind(); });
}

int CFile::FolderChildCount() const {
    return static_cast<int>(std::count_if(children_.begin(), children_.end(),
                                          [](const CFile* e) { return e->Kind == kindFolder; }));
}

bool CFile::SetFrom(std::string_view path, uint32_t attributes, int32_t category, int64_t size,
                    double date) {
    const size_t cut = path.find_last_of("\\:");
    const std::string_view name = cut == std::string_view::npos ? path : path.substr(cut + 1);
    if (!AcceptableEntryName(name)) return false;
    SetName(name);
    Date = date;
    Size = size;
    Category = category;
    if (attributes & faDirectory) {
        Kind = kindFolder;
        ++Medium->FolderCount;
    } else {
        Kind = kindFile;
        ++Medium->FileCount;
        Medium->TotalSize += Size;
        const size_t dot = name.rfind('.');
        if (dot != std::string_view::npos) {
            std::string extension;
            for (char c : name.substr(dot))
                if (c != '.') extension += AsciiUpper(c);
            if (extension == "RAR" || extension == "ZIP") Kind = kindArchive;
        }
    }
    Medium->ContentLoaded = true;
    return true;
}

std::string CFile::FolderPath() const {
    std::string path = HasChildrenKind() ? std::string(Name()) : std::string();
    for (const CFile* up = Parent; up; up = up->Parent)
        path = path.empty() ? std::string(up->Name()) : std::string(up->Name()) + '/' + path;
    return path;
}

// ---- CMedium ----

std::string FolderOwnName(const std::string& path) {
    std::string_view folder = path;
    while (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
    const std::string_view name = folder.substr(folder.rfind('/') + 1);
    if (name != "." && name != "..") return name.empty() && !folder.empty() ? "/" : std::string(name);
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return std::string(name);
    const std::string resolved = real;
    std::free(real);
    return FolderOwnName(resolved);
}

void SetVolumeInfoReader(VolumeInfoReader reader) { volumeInfoReader() = std::move(reader); }

CMedium::CMedium(CMedienListe* owner) : Owner(owner) {}

void CMedium::AddEntry(CFile* entry) { entries_.Add(arena_, entry); }

void CMedium::ClearEntries() {
    entries_.Clear();
    arena_.Reset();
    Details.Clear();
    Previews.TreeDropped();
}

void CMedium::AdoptContent(CMedium& loaded) {
    ClearEntries();
    std::swap(entries_, loaded.entries_);
    arena_.Swap(loaded.arena_);
    Details.Swap(loaded.Details);
    Previews.TreeDropped();
    ContentLoaded = loaded.ContentLoaded;
    loaded.ContentLoaded = false;
}

std::string CMedium::CategoryName() const { return NameOf(Owner, Category); }

bool CMedium::UsesCategory(int32_t index) const {
    if (Category == index) return true;
    return std::any_of(entries_.begin(), entries_.end(),
                       [index](const CFile* e) { return e->UsesCategory(index); });
}

int CMedium::FolderChildCount() const {
    return static_cast<int>(std::count_if(entries_.begin(), entries_.end(),
                                          [](const CFile* e) { return e->Kind == kindFolder; }));
}

void CMedium::RemapCategories(CMedienListe& target) {
    if (Category >= 0) Category = TargetCategory(target, CategoryName());
    WalkEntries(entries_, [&target](CFile* e) {
        if (e->Category >= 0) e->Category = TargetCategory(target, e->CategoryName());
        return false;
    });
}

std::string SerialText(uint32_t serial) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", serial);
    return text;
}

bool CMedium::ReadVolumeInfo(const std::string& path) {
    ContentLoaded = false;
    TotalSize = 0;
    FolderCount = 0;
    FileCount = 0;
    VolumeInfo info;
    const auto& reader = volumeInfoReader();
    const bool ok = reader && reader(path, info);
    if (reader) DriveType = info.driveType;
    if (!ok) return false;
    VolumeLabel = info.label;
    Name = info.label.empty() ? FolderOwnName(path) : info.label;
    Serial = SerialText(info.serial);
    Additions.Capacity = info.capacity;
    Additions.FreeSpace = info.freeSpace;
    Additions.ReadTime = UnixTimeToLocalDate(std::time(nullptr));
    Additions.Folder = info.folder;
    ContentLoaded = true;
    return true;
}

// ---- CMedienListe ----

CMedienListe::~CMedienListe() = default;

CMedium* CMedienListe::GetMedium(int index) const {
    return index >= 0 && index < Count() ? media_[static_cast<size_t>(index)].get() : nullptr;
}

CMedium* CMedienListe::AddMedium(std::unique_ptr<CMedium> medium) {
    media_.push_back(std::move(medium));
    return media_.back().get();
}

std::unique_ptr<CMedium> CMedienListe::ExtractMedium(int index) {
    if (!GetMedium(index)) return nullptr;
    auto medium = std::move(media_[static_cast<size_t>(index)]);
    media_.erase(media_.begin() + index);
    return medium;
}

void CMedienListe::DeleteMedium(int index) { ExtractMedium(index); }

bool CMedienListe::IsModified() const {
    return Modified || std::any_of(media_.begin(), media_.end(),
                                   [](const auto& m) { return !m->Stored; });
}

int CMedienListe::IndexOfCategory(std::string_view name) const {
    for (size_t i = 0; i < Categories.size(); ++i)
        if (Categories[i] == name) return static_cast<int>(i);
    return -1;
}

bool CMedienListe::CategoryInUse(int32_t index) const {
    return std::any_of(media_.begin(), media_.end(),
                       [index](const auto& m) { return m->UsesCategory(index); });
}

int CMedienListe::PresentCount() const {
    return static_cast<int>(
        std::count_if(media_.begin(), media_.end(), [](const auto& m) { return m->Present; }));
}

bool CMedienListe::FilesChangedOnDisk() const {
    const FileStamp index = FileStamp::Of(FileName);
    if (index.exists && index != FileAge) return true;
    const FileStamp data = FileStamp::Of(DataFileName);
    return data.exists && data != DataFileAge;
}

CMedium* CMedienListe::AddMediumFromPath(const std::string& path) {
    auto medium = std::make_unique<CMedium>(this);
    if (!medium->ReadVolumeInfo(path)) return nullptr;
    return AddMedium(std::move(medium));
}

std::vector<std::string> CMedienListe::CategoryPickList() const {
    std::vector<std::string> names = Categories;
    std::stable_sort(names.begin(), names.end(), LessIgnoringAsciiCase);
    names.erase(std::unique(names.begin(), names.end(),
                            [](const std::string& a, const std::string& b) {
                                return !LessIgnoringAsciiCase(a, b) && !LessIgnoringAsciiCase(b, a);
                            }),
                names.end());
    return names;
}

int ProgressPercent(int64_t done, int64_t total) {
    const long double exact = static_cast<long double>(done) / total * 100.0L;
    const long double below = std::floor(exact);
    const long double rest = exact - below;
    long long result = static_cast<long long>(below);
    if (rest > 0.5L || (rest == 0.5L && (result % 2) != 0)) ++result;
    return static_cast<int>(result);
}

void CMedienListe::ReportProgress(int64_t done, int64_t total) const {
    if (OnProgress && total > 0) OnProgress(ProgressPercent(done, total));
}

namespace {
std::string WithExtension(const std::string& indexFileName, const char* extension) {
    std::string result;
    result.reserve(indexFileName.size());
    size_t i = 0;
    while (i < indexFileName.size()) {
        if (i + 4 <= indexFileName.size() && indexFileName[i] == '.' &&
            AsciiUpper(indexFileName[i + 1]) == 'S' && AsciiUpper(indexFileName[i + 2]) == 'X' &&
            AsciiUpper(indexFileName[i + 3]) == 'F') {
            result += extension;
            i += 4;
        } else {
            result += indexFileName[i++];
        }
    }
    return result;
}
} // namespace

std::string DataFileNameOf(const std::string& indexFileName) { return WithExtension(indexFileName, ".SXD"); }

std::string PreviewsFileNameOf(const std::string& indexFileName) {
    return WithExtension(indexFileName, ".SXP");
}

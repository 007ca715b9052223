#include "previewsfile.h"
#include "littleendian.h"

#include "entrywalk.h"
#include "mediaclasses.h"
#include "streams.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr char kMagic[4] = {'S', 'X', 'P', 'V'};
constexpr uint32_t kVersion = 1;
constexpr size_t kRecordBytes = 16;
// No preview of ours comes near this; a larger length is damage.
constexpr uint32_t kPictureLimit = 1u << 20;

void Put(std::string& out, uint64_t value, int bytes) { PutLittleEndian(out, value, bytes); }
uint64_t Get(std::string_view in, size_t at, int bytes) { return GetLittleEndian(in, at, bytes); }

} // namespace

uint64_t PreviewsHeaderSum(std::string_view header, std::string_view index) {
    if (header.size() < 48) return 0;
    XXH3_state_t state;
    XXH3_64bits_reset(&state);
    XXH3_64bits_update(&state, header.data(), 48);
    XXH3_64bits_update(&state, index.data(), index.size());
    return XXH3_64bits_digest(&state);
}

namespace {

bool ReadAt(int fd, std::string& bytes, int64_t offset) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + done, bytes.size() - done, off_t(offset + int64_t(done)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
} // namespace

bool ParsePreviewsHeader(std::string_view header, TPreviewsIndex& read) {
    if (header.size() < kPreviewsHeaderBytes || header.substr(0, 4) != std::string_view(kMagic, 4) ||
        Get(header, 4, 4) != kVersion)
        return false;
    read.data.known = true;
    read.data.size = int64_t(Get(header, 8, 8));
    read.data.sum = Get(header, 16, 8);
    read.indexSum = Get(header, 24, 8);
    read.indexOffset = int64_t(Get(header, 32, 8));
    read.indexLength = uint32_t(Get(header, 40, 4));
    return read.data.size >= 0 && read.indexOffset >= int64_t(kPreviewsHeaderBytes) &&
           read.indexLength <= kPreviewsIndexLimit;
}

bool ParsePreviewsIndex(std::string_view header, std::string_view index, TPreviewsIndex& read) {
    read.media.clear();
    if (!ParsePreviewsHeader(header, read) || index.size() != read.indexLength ||
        PreviewsHeaderSum(header, index) != Get(header, 48, 8))
        return false;
    const uint64_t mediaCount = Get(header, 44, 4);
    // Every medium takes at least its count: a hostile number costs nothing.
    if (mediaCount > index.size() / 4) return false;
    size_t at = 0;
    int64_t offset = int64_t(kPreviewsHeaderBytes);
    read.media.resize(size_t(mediaCount));
    for (auto& medium : read.media) {
        if (index.size() - at < 4) return false;
        const uint64_t count = Get(index, at, 4);
        at += 4;
        if (count > (index.size() - at) / kRecordBytes) return false;
        medium.reserve(size_t(count));
        for (uint64_t r = 0; r < count; ++r, at += kRecordBytes) {
            TStoredPreview p;
            p.number = int32_t(Get(index, at, 4));
            p.length = uint32_t(Get(index, at + 4, 4));
            p.sum = Get(index, at + 8, 8);
            p.offset = offset;
            if (p.number < 0 || (!medium.empty() && p.number <= medium.back().number) || p.length == 0 ||
                p.length > kPictureLimit)
                return false;
            offset += p.length;
            medium.push_back(p);
        }
    }
    return at == index.size() && offset == read.indexOffset;
}

bool ParsePreviewsBytes(std::string_view file, TPreviewsIndex& read) {
    if (!ParsePreviewsHeader(file, read)) return false;
    if (uint64_t(read.indexOffset) + read.indexLength != file.size()) return false;
    return ParsePreviewsIndex(file.substr(0, kPreviewsHeaderBytes),
                              file.substr(size_t(read.indexOffset), read.indexLength), read);
}

TPreviewsWriter::TPreviewsWriter(TStream& file) : file_(file) {
    const std::string placeholder(kPreviewsHeaderBytes, '\0');
    ok_ = file_.Seek(0) && file_.Write(placeholder.data(), placeholder.size()) == placeholder.size();
}

void TPreviewsWriter::BeginMedium() { media_.emplace_back(); }

bool TPreviewsWriter::Add(int32_t number, std::string_view jpeg) {
    if (!ok_ || media_.empty() || jpeg.empty() || jpeg.size() > kPictureLimit) return ok_;
    auto& medium = media_.back();
    if (number < 0 || (!medium.empty() && number <= medium.back().number)) return ok_;
    ok_ = file_.Write(jpeg.data(), jpeg.size()) == jpeg.size();
    medium.push_back({number, uint32_t(jpeg.size()), XXH3_64bits(jpeg.data(), jpeg.size()), at_});
    at_ += int64_t(jpeg.size());
    return ok_;
}

bool TPreviewsWriter::Finish(const TDataIdentity& data, uint64_t indexSum) {
    if (!ok_) return false;
    std::string index;
    for (const auto& medium : media_) {
        Put(index, medium.size(), 4);
        for (const TStoredPreview& p : medium) {
            Put(index, uint32_t(p.number), 4);
            Put(index, p.length, 4);
            Put(index, p.sum, 8);
        }
    }
    if (index.size() > kPreviewsIndexLimit) return ok_ = false;
    std::string header(kMagic, 4);
    Put(header, kVersion, 4);
    Put(header, uint64_t(data.size), 8);
    Put(header, data.sum, 8);
    Put(header, indexSum, 8);
    Put(header, uint64_t(at_), 8);
    Put(header, index.size(), 4);
    Put(header, media_.size(), 4);
    Put(header, PreviewsHeaderSum(header, index), 8);
    ok_ = file_.Write(index.data(), index.size()) == index.size() && file_.Seek(0) &&
          file_.Write(header.data(), header.size()) == header.size();
    return ok_;
}

void WriteMediumPreviews(const CMedienListe& catalogue, int position, TPreviewsWriter& writer) {
    const CMedium& medium = *catalogue.GetMedium(position);
    const TEntryPreviews& previews = medium.Previews;
    const auto& stored = previews.Stored();
    const auto& source = previews.Source();
    writer.BeginMedium();
    // A picture whose bytes no longer match their sum is left out rather than carried on.
    const auto copy = [&](const TStoredPreview& p) {
        if (const std::string bytes = source ? source->Read(p) : std::string(); !bytes.empty())
            writer.Add(p.number, bytes);
    };
    if (!previews.Changed()) {
        for (const TStoredPreview& p : stored) copy(p);
        return;
    }
    // Set since they were stored: the tree is in memory, and is numbered as it is written.
    size_t next = 0;
    int32_t number = 0;
    WalkEntries(medium.Entries(), [&](const CFile* entry) {
        while (next < stored.size() && stored[next].number < number) ++next;
        if (const std::string* fresh = previews.Fresh(entry)) writer.Add(number, *fresh);
        else if (next < stored.size() && stored[next].number == number) copy(stored[next]);
        ++number;
        return false;
    });
}

bool CatalogueHasPreviews(const CMedienListe& catalogue) {
    for (int i = 0; i < catalogue.Count(); ++i)
        if (!catalogue.GetMedium(i)->Previews.Empty()) return true;
    return false;
}

namespace {
// The header and index of an open previews file.
bool ReadPreviewsIndex(int fd, TPreviewsIndex& read) {
    struct stat st {};
    std::string header(kPreviewsHeaderBytes, '\0'), index;
    if (::fstat(fd, &st) != 0 || !ReadAt(fd, header, 0) || !ParsePreviewsHeader(header, read) ||
        uint64_t(read.indexOffset) + read.indexLength != uint64_t(st.st_size))
        return false;
    index.resize(read.indexLength);
    return ReadAt(fd, index, read.indexOffset) && ParsePreviewsIndex(header, index, read);
}
} // namespace

bool PreviewsFileWhole(const std::string& fileName) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    TPreviewsIndex read;
    const bool whole = ReadPreviewsIndex(fd, read);
    ::close(fd);
    return whole;
}

bool CopyWholeFile(const std::string& fileName, TStream& copy) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    std::string buffer(size_t(1) << 20, '\0');
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (copy.Write(buffer.data(), size_t(n)) != size_t(n)) {
            ok = false;
            break;
        }
    }
    ::close(fd);
    return ok;
}

std::string AttachPreviewsFile(CMedienListe& catalogue, const std::string& fileName, const TDataIdentity& data,
                               uint64_t indexSum) {
    bool expected = false;
    for (int i = 0; i < catalogue.Count(); ++i) {
        catalogue.GetMedium(i)->Previews.Clear();
        expected |= catalogue.GetMedium(i)->Additions.PreviewCount > 0;
    }
    if (!expected) return {};
    const std::string lost = " The catalogue opens without the pictures of its photos and videos; "
                             "the next save writes the file afresh.";
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return "The previews file " + BaseName(fileName) + " is missing." + lost;
    auto source = std::make_shared<TPreviewsSource>(fd, fileName);
    TPreviewsIndex read;
    if (!ReadPreviewsIndex(fd, read) || read.media.size() != size_t(catalogue.Count())) return "The previews file " + BaseName(fileName) + " is damaged." + lost;
    bool matches = data.known && read.data.size == data.size && read.data.sum == data.sum && read.indexSum == indexSum;
    for (int i = 0; matches && i < catalogue.Count(); ++i)
        matches = read.media[size_t(i)].size() == size_t(catalogue.GetMedium(i)->Additions.PreviewCount);
    if (!matches)
        return "The previews file " + BaseName(fileName) + " belongs to another save of the catalogue." + lost;
    for (int i = 0; i < catalogue.Count(); ++i)
        catalogue.GetMedium(i)->Previews.SetStored(source, std::move(read.media[size_t(i)]));
    return {};
}

void ReattachPreviews(CMedienListe& catalogue, const std::string& fileName,
                      const std::vector<std::vector<TStoredPreview>>& media) {
    if (media.size() != size_t(catalogue.Count())) return;
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return; // the pictures stay where they were read from this session
    auto source = std::make_shared<TPreviewsSource>(fd, fileName);
    for (int i = 0; i < catalogue.Count(); ++i) catalogue.GetMedium(i)->Previews.SetStored(source, media[size_t(i)]);
}

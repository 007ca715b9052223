#include "foreigncatalogue.h"

#include "IO_BZIP.h"
#include "mediaclasses.h"
#include "scan/archivenesting.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <vector>

namespace foreigncatalogue {
namespace {

// The fields are read a few bytes at a time; straight from the file that would be a system call
// for each. Read-only and forward-only, which is all the reader needs.
class TReadBuffer final : public TStream {
public:
    explicit TReadBuffer(std::unique_ptr<TStream> file) : file_(std::move(file)) {}
    size_t Read(void* buffer, size_t count) override {
        auto* out = static_cast<char*>(buffer);
        size_t done = 0;
        while (done < count) {
            if (at_ == filled_ && !Refill()) break;
            const size_t step = std::min(count - done, filled_ - at_);
            std::memcpy(out + done, data_.data() + at_, step);
            at_ += step;
            done += step;
        }
        return done;
    }
    size_t Write(const void*, size_t) override { return 0; }
    bool Seek(int64_t) override { return false; }
    int64_t Position() const override {
        return file_->Position() - static_cast<int64_t>(filled_ - at_);
    }
    int64_t Size() const override { return file_->Size(); }

private:
    bool Refill() {
        filled_ = file_->Read(data_.data(), data_.size());
        at_ = 0;
        return filled_ > 0;
    }
    std::unique_ptr<TStream> file_;
    std::vector<char> data_ = std::vector<char>(size_t(1) << 16);
    size_t at_ = 0, filled_ = 0;
};

// The member records of one archive entry, read as they are taken. A read error ends them; it
// is raised again once the members read before it are placed.
class TMemberRecords final : public IMemberSource {
public:
    TMemberRecords(TStream& stream, int32_t count, int32_t category)
        : s_(stream), left_(count), category_(category) {}
    bool Next(MemberView& member) override {
        if (left_ <= 0 || failed_) return false;
        --left_;
        try {
            ReadStringTo(s_, name_);
            member.Size = ReadInt(s_);
            member.Date = FileTimeToDate(ReadInt64(s_));
        } catch (const std::exception&) {
            failed_ = std::current_exception();
            return false;
        }
        member.Path = name_;
        member.Category = category_;
        return true;
    }
    // Reads what is left unplaced, then raises the read error that ended the records, if any.
    void Finish() {
        MemberView skipped;
        while (Next(skipped)) {}
        if (failed_) std::rethrow_exception(failed_);
    }

private:
    TStream& s_;
    int32_t left_;
    int32_t category_;
    std::string name_;
    std::exception_ptr failed_;
};

// Category numbers count from 1; 0 (and anything below) is no category.
int32_t CategoryIndex(int32_t number) { return number > 0 ? number - 1 : -1; }

class TReader {
public:
    TReader(TStream& stream, Outcome& outcome) : s_(stream), outcome_(outcome) {}

    // One folder level into `parent` (the medium's root when null). With `keep` false the level
    // is read and dropped: it belongs to an entry whose name could not be taken.
    void ImportLevel(CMedium& medium, CFile* parent, bool keep, int depth) {
        try {
            const int32_t files = ReadInt(s_);
            for (int32_t i = 0; i < files; ++i) ReadFile(&medium, parent, keep);
            const int32_t folders = ReadInt(s_);
            for (int32_t i = 0; i < folders; ++i) {
                ReadStringTo(s_, name_);
                const int32_t category = CategoryIndex(ReadInt(s_));
                ReadStringTo(s_, skipped_);
                if (depth == kMaxLevelDepth) { // its subtree lies deeper than the reader goes
                    outcome_.droppedEntries += 1 + SkipLevels();
                    continue;
                }
                CFile* folder = keep ? Add(medium, parent, faDirectory, category, 0, 0) : nullptr;
                ImportLevel(medium, folder, folder != nullptr, depth + 1);
            }
        } catch (const std::exception&) {
            ++outcome_.truncatedLevels;
        }
    }

private:
    // One file record with its archive members; added under `parent` of `medium` when `keep`
    // is set.
    void ReadFile(CMedium* medium, CFile* parent, bool keep) {
        ReadStringTo(s_, name_);
        const int32_t category = CategoryIndex(ReadInt(s_));
        ReadStringTo(s_, skipped_);
        const int32_t size = ReadInt(s_);
        const double date = FileTimeToDate(ReadInt64(s_));
        const int32_t members = ReadInt(s_);
        CFile* file = keep ? Add(*medium, parent, 0, category, size, date) : nullptr;
        // A file with members is an archive whatever its name, so that it opens like one; its
        // members go under their folder paths as a scan places them.
        TMemberRecords records(s_, members, category);
        if (file && members > 0) {
            file->Kind = kindArchive;
            NestMembers(records, true, file, {});
        }
        records.Finish();
        if (!keep) outcome_.droppedEntries += 1 + std::max(members, 0);
    }

    // Reads one folder level and everything beneath it without keeping any of it, so that the
    // next record is read in step. A loop over a stack of the folders still to read, not a
    // recursion: the nesting may be as deep as the file is long. Answers the folders read past;
    // the files are counted by ReadFile.
    int64_t SkipLevels() {
        std::vector<int32_t> folders; // per open level, the folder records still to come
        int64_t skipped = 0;
        const auto level = [&] {
            const int32_t files = ReadInt(s_);
            for (int32_t i = 0; i < files; ++i) ReadFile(nullptr, nullptr, false);
            folders.push_back(ReadInt(s_));
        };
        level();
        while (!folders.empty()) {
            if (folders.back() <= 0) {
                folders.pop_back();
                continue;
            }
            --folders.back();
            ReadStringTo(s_, name_);
            ReadInt(s_);
            ReadStringTo(s_, skipped_);
            ++skipped;
            level();
        }
        return skipped;
    }

    // An entry named by name_; none when the name leaves nothing to show (empty, "." or "..").
    CFile* Add(CMedium& medium, CFile* parent, uint32_t attributes, int32_t category,
               int64_t size, double date) {
        CFile* entry = CFile::Create(&medium, parent);
        if (!entry->SetFrom(name_, attributes, category, size, date)) return nullptr;
        if (parent) parent->AddChild(entry);
        else medium.AddEntry(entry);
        return entry;
    }

    TStream& s_;
    Outcome& outcome_;
    std::string name_, skipped_;
};

} // namespace

OpenedFile Open(const std::string& fileName) {
    OpenedFile opened;
    auto file = OpenFile(fileName, false);
    if (!file) return opened;
    opened.stream = std::make_unique<TReadBuffer>(std::move(file));
    opened.status = ReadSignature(*opened.stream) ? OpenStatus::Opened : OpenStatus::NotSupported;
    if (opened.status != OpenStatus::Opened) opened.stream.reset();
    return opened;
}

bool ReadSignature(TStream& stream) {
    const size_t length = std::strlen(kSignature);
    char bytes[16];
    try {
        // Any other length is another format; its bytes are not read at all.
        if (ReadInt(stream) != static_cast<int32_t>(length)) return false;
    } catch (const std::exception&) {
        return false;
    }
    return stream.Read(bytes, length) == length && std::memcmp(bytes, kSignature, length) == 0;
}

Outcome ReadBody(TStream& stream, CMedienListe& catalogue) {
    Outcome outcome;
    TReader reader(stream, outcome);
    std::string skipped;
    try {
        ReadInt(stream);
        ReadInt64(stream);
        const int32_t categories = ReadInt(stream);
        ReadInt(stream);
        for (int32_t i = 0; i < categories; ++i) {
            ReadInt(stream);
            catalogue.Categories.push_back(ReadString(stream));
        }
        const int32_t media = ReadInt(stream);
        for (int32_t i = 0; i < media; ++i) {
            ReadStringTo(stream, skipped);
            std::string serial = ReadString(stream);
            CMedium& medium = *catalogue.AddMedium(std::make_unique<CMedium>(&catalogue));
            // Its content is what this reading gives it, entries or none: a medium without
            // entries is an empty medium, and saves as one.
            medium.ContentLoaded = true;
            medium.Serial = std::move(serial);
            medium.VolumeLabel = ReadString(stream);
            medium.Name = medium.VolumeLabel;
            medium.DriveType = static_cast<uint32_t>(ReadInt(stream));
            ReadInt(stream);
            ReadInt(stream);
            ReadInt64(stream);
            for (int k = 0; k < 4; ++k) ReadInt(stream);
            medium.FolderCount = medium.FileCount = 0;
            medium.TotalSize = 0;
            medium.Category = CategoryIndex(ReadInt(stream));
            medium.Notice = ReadString(stream);
            reader.ImportLevel(medium, nullptr, true, 0);
        }
    } catch (const std::exception& error) {
        outcome.error = error.what();
    }
    return outcome;
}

} // namespace foreigncatalogue

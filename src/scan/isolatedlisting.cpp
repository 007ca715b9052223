#include "scan/isolatedlisting.h"

#include "platform/memorylimit.h"
#include "catalogue/mediaclasses.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The child's address space, beyond which its allocations fail (libarchive then reports an
// error): generous for a 1.5 GiB xz dictionary and the inner archives held in memory. Not under
// the sanitizers, whose shadow memory is reserved far beyond it.
constexpr bool kLimitMemory = kMayLimitMemory;
constexpr rlim_t kChildMemory = rlim_t(8) << 30;
// The child tells it is still reading at least this often; a child silent for kSilence is
// caught in a loop of its reader and ended, with what it sent kept.
constexpr auto kHeartbeat = std::chrono::seconds(1);
constexpr auto kSilence = std::chrono::seconds(30);

// Records from the child: 'A' an archive whose reading begins (its path), 'N' an entry (its
// parent by number: the roots first, then every entry in the order sent), 'U' the count of
// members left out for want of a name, 'H' a heartbeat while it reads.
class TWriter {
public:
    explicit TWriter(int fd) : fd_(fd) {}
    ~TWriter() { Flush(); }
    void Byte(char c) { bytes_ += c; }
    template <class T> void Value(T value) { bytes_.append(reinterpret_cast<const char*>(&value), sizeof value); }
    void Text(std::string_view text) {
        Value(uint32_t(text.size()));
        bytes_ += text;
    }
    void Flush() {
        for (size_t done = 0; done < bytes_.size();) {
            const ssize_t n = ::write(fd_, bytes_.data() + done, bytes_.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += size_t(n);
        }
        bytes_.clear();
    }
    void FlushSometimes() {
        if (bytes_.size() >= 64 * 1024) Flush();
    }

private:
    int fd_;
    std::string bytes_;
};

void SendTree(TWriter& out, const CFile& root, uint32_t rootNumber, uint32_t& next) {
    struct Frame {
        const CFile* entry;
        uint32_t number;
    };
    std::vector<Frame> stack{{&root, rootNumber}};
    while (!stack.empty()) {
        const Frame frame = stack.back();
        stack.pop_back();
        // Parents before children, siblings in order: the children are numbered as they are sent.
        std::vector<Frame> children;
        for (const CFile* child : frame.entry->Children()) {
            out.Byte('N');
            out.Value(frame.number);
            out.Value(child->Kind);
            out.Value(child->Size);
            out.Value(child->Date);
            out.Value(child->Category);
            out.Text(child->Name());
            out.FlushSometimes();
            children.push_back({child, next++});
        }
        for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(*it);
    }
}

[[noreturn]] void RunChild(int fd, const std::vector<CFile*>& roots, const ArchiveListing& listing,
                           const std::function<void(ArchiveListing&)>& list) {
    if (kLimitMemory) {
        const rlimit limit{kChildMemory, kChildMemory};
        ::setrlimit(RLIMIT_AS, &limit);
    }
    TWriter out(fd);
    // Stop is the parent's: it ends this process. Between blocks the child only says it lives.
    ScanControl heartbeat;
    auto beaten = std::chrono::steady_clock::now();
    heartbeat.poll = [&out, &beaten] {
        const auto now = std::chrono::steady_clock::now();
        if (now - beaten < kHeartbeat) return;
        beaten = now;
        out.Byte('H');
        out.Flush();
    };
    ArchiveListing own;
    own.control = &heartbeat;
    own.rar = listing.rar;
    own.memoryLeft = listing.memoryLeft;
    own.onArchive = [&out](const std::string& path) {
        out.Byte('A');
        out.Text(path);
        out.Flush();
    };
    // The roots are this process's copies: what is listed under them goes to the parent.
    std::vector<int> before;
    for (CFile* root : roots) before.push_back(root->ChildCount());
    list(own);
    uint32_t next = uint32_t(roots.size());
    for (uint32_t i = 0; i < roots.size(); ++i) {
        if (before[i] == 0) SendTree(out, *roots[i], i, next);
    }
    out.Byte('U');
    out.Value(int32_t(own.unnamed));
    out.Flush();
    ::_exit(0);
}

// Rebuilds the child's records under the real roots, counting each entry on the medium as the
// entry fill does.
class TReceiver {
public:
    TReceiver(const std::vector<CFile*>& roots, ArchiveListing& listing) : nodes_(roots), listing_(listing) {}

    void Feed(const char* data, size_t size) {
        buffer_.append(data, size);
        size_t at = 0;
        while (Take(at)) {}
        buffer_.erase(0, at);
    }

private:
    template <class T> bool Get(size_t& at, T& value) {
        if (buffer_.size() - at < sizeof value) return false;
        std::memcpy(&value, buffer_.data() + at, sizeof value);
        at += sizeof value;
        return true;
    }
    bool GetText(size_t& at, std::string_view& text) {
        uint32_t length;
        if (!Get(at, length) || buffer_.size() - at < length) return false;
        text = std::string_view(buffer_).substr(at, length);
        at += length;
        return true;
    }
    // One whole record from `at`; false (and `at` unchanged) when it has not all arrived.
    bool Take(size_t& at) {
        size_t p = at;
        char type;
        if (!Get(p, type)) return false;
        if (type == 'A') {
            std::string_view path;
            if (!GetText(p, path)) return false;
            if (listing_.onArchive) listing_.onArchive(std::string(path));
        } else if (type == 'H') {
        } else if (type == 'U') {
            int32_t unnamed;
            if (!Get(p, unnamed)) return false;
            listing_.unnamed += unnamed;
        } else if (type == 'N') {
            uint32_t parent;
            int32_t kind, category;
            int64_t size;
            double date;
            std::string_view name;
            if (!Get(p, parent) || !Get(p, kind) || !Get(p, size) || !Get(p, date) ||
                !Get(p, category) || !GetText(p, name))
                return false;
            // The child is trusted no further than the bytes it parsed: a name that would lead
            // out of its folder, or a kind no walk makes, ends what it sent.
            if (!AcceptableEntryName(name) || kind < kindFile || kind > kindArchive) return false;
            if (parent < nodes_.size()) nodes_.push_back(Add(nodes_[parent], kind, size, date, category, name));
        }
        at = p;
        return true;
    }
    static CFile* Add(CFile* parent, int32_t kind, int64_t size, double date, int32_t category,
                      std::string_view name) {
        CFile* entry = CFile::Create(parent->Medium, parent);
        entry->SetName(name);
        entry->Kind = kind;
        entry->Size = size;
        entry->Date = date;
        entry->Category = category;
        CMedium& medium = *parent->Medium;
        if (kind == kindFolder) {
            ++medium.FolderCount;
        } else {
            ++medium.FileCount;
            medium.TotalSize += size;
        }
        medium.ContentLoaded = true;
        parent->AddChild(entry);
        return entry;
    }

    std::vector<CFile*> nodes_;
    ArchiveListing& listing_;
    std::string buffer_;
};

} // namespace

void ListIsolated(const std::vector<CFile*>& roots, ArchiveListing& listing,
                  const std::function<void(ArchiveListing&)>& list) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        RunChild(pipeFds[1], roots, listing, list);
    }
    ::close(pipeFds[1]);
    if (child < 0) {
        ::close(pipeFds[0]);
        return;
    }
    TReceiver receiver(roots, listing);
    std::vector<char> block(64 * 1024);
    auto heard = std::chrono::steady_clock::now();
    for (;;) {
        // Stop is looked at every 50 ms while the child reads; it ends the child at once.
        pollfd ready{pipeFds[0], POLLIN, 0};
        const int polled = ::poll(&ready, 1, 50);
        if (!listing.control->Continue()) {
            ::kill(child, SIGKILL);
            break;
        }
        if (polled < 0 && errno != EINTR) break;
        if (polled <= 0) {
            if (std::chrono::steady_clock::now() - heard < kSilence) continue;
            ::kill(child, SIGKILL);
            break;
        }
        heard = std::chrono::steady_clock::now();
        const ssize_t got = ::read(pipeFds[0], block.data(), block.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break; // the child is done, or died (a crash in a reader: what came stays)
        receiver.Feed(block.data(), size_t(got));
    }
    ::close(pipeFds[0]);
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {}
}

#include "beneath.h"

#include "volumeinfo.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <deque>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>
#include <vector>

#ifndef SYS_openat2
#define SYS_openat2 437 // the same number on every architecture
#endif

namespace {

bool walkOnly = false;
constexpr int kMaxLinks = 40; // as the kernel allows on one path

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

TBeneathPath Result(TBeneath result, int error = 0) { return {result, {}, error}; }

TBeneathPath FromError(int error) {
    if (error == ENOENT || error == ENOTDIR) return Result(TBeneath::Missing, error);
    if (error == EXDEV || error == ELOOP) return Result(TBeneath::Outside, error);
    return Result(TBeneath::Failed, error);
}

// The path the kernel knows for an open descriptor; `fallback` where /proc is not there.
std::string PathOf(int fd, const std::string& fallback) {
    char target[PATH_MAX];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
    if (length <= 0 || length >= static_cast<ssize_t>(sizeof target) || target[0] != '/')
        return fallback;
    return std::string(target, static_cast<size_t>(length));
}

void PushComponents(std::deque<std::string>& to, const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    to.insert(to.begin(), parts.begin(), parts.end());
}

// One component at a time, none followed by the kernel: each link is read and its target
// walked the same way, "..", absolute targets and link chains held to the kernel's rules.
TBeneathPath WalkBeneath(const Fd& root, const std::string& folder, const std::string& relative) {
    if (!relative.empty() && relative.front() == '/') return Result(TBeneath::Outside, EXDEV);
    std::vector<Fd> parents;
    std::vector<std::string> names;
    Fd current(::fcntl(root.get(), F_DUPFD_CLOEXEC, 0));
    if (current.get() < 0) return Result(TBeneath::Failed, errno);
    std::deque<std::string> rest;
    PushComponents(rest, relative);
    int links = 0;
    while (!rest.empty()) {
        const std::string name = rest.front();
        rest.pop_front();
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            if (parents.empty()) return Result(TBeneath::Outside, EXDEV);
            current = std::move(parents.back());
            parents.pop_back();
            names.pop_back();
            continue;
        }
        Fd next(::openat(current.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (next.get() < 0) return FromError(errno);
        struct stat st {};
        if (::fstat(next.get(), &st) != 0) return Result(TBeneath::Failed, errno);
        if (S_ISLNK(st.st_mode)) {
            if (++links > kMaxLinks) return Result(TBeneath::Outside, ELOOP);
            char target[PATH_MAX];
            const ssize_t length = ::readlinkat(next.get(), "", target, sizeof target);
            if (length <= 0 || length >= static_cast<ssize_t>(sizeof target))
                return Result(TBeneath::Failed, length < 0 ? errno : ENAMETOOLONG);
            const std::string to(target, static_cast<size_t>(length));
            if (to.front() == '/') return Result(TBeneath::Outside, EXDEV);
            PushComponents(rest, to); // resolved from the folder holding the link
            continue;
        }
        // Only a folder has components beneath it.
        if (!rest.empty() && !S_ISDIR(st.st_mode)) return Result(TBeneath::Missing, ENOTDIR);
        parents.push_back(std::move(current));
        current = std::move(next);
        names.push_back(name);
    }
    std::string joined;
    for (const std::string& name : names) joined += (joined.empty() ? "" : "/") + name;
    return {TBeneath::Inside, PathOf(current.get(), JoinPath(folder, joined)), 0};
}

} // namespace

void SetBeneathWalkOnly(bool only) { walkOnly = only; }

TBeneathPath ResolveBeneath(const std::string& folder, const std::string& relative) {
    const Fd root(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (root.get() < 0) return Result(TBeneath::Failed, errno);
    if (!walkOnly) {
        open_how how{};
        how.flags = O_PATH | O_CLOEXEC;
        how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
        const char* path = relative.empty() ? "." : relative.c_str();
        const Fd found(static_cast<int>(::syscall(SYS_openat2, root.get(), path, &how, sizeof how)));
        if (found.get() >= 0) return {TBeneath::Inside, PathOf(found.get(), JoinPath(folder, relative)), 0};
        // Kernels before 5.6, and sandboxes that filter the call, fall back on the walk.
        if (errno != ENOSYS && errno != EPERM && errno != EINVAL) return FromError(errno);
    }
    return WalkBeneath(root, folder, relative);
}

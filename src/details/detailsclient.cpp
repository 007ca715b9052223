#include "details/detailsclient.h"

#include "platform/memorylimit.h"
#include "details/detailsprotocol.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>

namespace {
using Clock = std::chrono::steady_clock;

constexpr bool kLimitMemory = kMayLimitMemory;

bool SendAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += size_t(n);
    }
    return true;
}
} // namespace

struct TDetailsReader::Helper {
    pid_t pid = -1;
    int fd = -1;
    std::string answer;
    bool busy = false;
    size_t job = 0;
    Clock::time_point deadline;
};

std::string DefaultDetailsHelper() {
    if (const char* set = std::getenv("SHELVIX_DETAILS_HELPER"); set && *set) return set;
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "shelvix-details";
    std::string path(self, size_t(n));
    return path.substr(0, path.rfind('/') + 1) + "shelvix-details";
}

TDetailsReader::TDetailsReader(std::string helper, int workers, TDetailsLimits limits)
    : program_(std::move(helper)), limits_(limits) {
    for (int i = 0; i < std::max(workers, 1); ++i) helpers_.push_back(std::make_unique<Helper>());
}

TDetailsReader::~TDetailsReader() {
    for (auto& h : helpers_) Stop(*h, false);
}

pid_t StartHelperProcess(const std::string& program, const char* mode, const TDetailsLimits& limits,
                         int& socket) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return -1;
    // Everything the child needs is made before the fork: after it, only calls that are safe
    // in a copy of a threaded process.
    const std::string cpu = std::to_string(limits.cpuSecondsPerFile);
    const char* argv[] = {program.c_str(), "--cpu-seconds", cpu.c_str(), nullptr};
    const char* modeArgv[] = {program.c_str(), mode, nullptr};
    const rlimit memory{rlim_t(limits.memoryBytes), rlim_t(limits.memoryBytes)};
    const rlimit cpuLimit{rlim_t(limits.cpuSecondsPerFile), RLIM_INFINITY};
    const rlimit noCore{0, 0};
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pair[0]);
        ::close(pair[1]);
        return -1;
    }
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlives the scan
        ::dup2(pair[1], 0);
        ::dup2(pair[1], 1);
        ::syscall(SYS_close_range, 3u, ~0u, 0u); // no catalogue file or lock stays open in it
        if (kLimitMemory) ::setrlimit(RLIMIT_AS, &memory);
        ::setrlimit(RLIMIT_CPU, &cpuLimit);
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::execv(program.c_str(), const_cast<char* const*>(mode ? modeArgv : argv));
        ::_exit(127);
    }
    ::close(pair[1]);
    socket = pair[0];
    return pid;
}

bool TDetailsReader::Start(Helper& h) {
    int fd = -1;
    const pid_t pid = StartHelperProcess(program_, nullptr, limits_, fd);
    if (pid < 0) return false;
    h.pid = pid;
    h.fd = fd;
    h.answer.clear();
    h.busy = false;
    return true;
}

void TDetailsReader::Stop(Helper& h, bool kill) {
    if (h.pid < 0) return;
    ::close(h.fd);
    h.fd = -1;
    if (!kill) {
        // An idle helper ends on its own once its socket closes; one that does not is killed.
        for (int i = 0; i < 100; ++i) {
            if (::waitpid(h.pid, nullptr, WNOHANG) == h.pid) {
                h.pid = -1;
                return;
            }
            ::usleep(10000);
        }
    }
    ::kill(h.pid, SIGKILL);
    while (::waitpid(h.pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    h.pid = -1;
    h.busy = false;
}

TDetailsOutcome TDetailsReader::Run(const std::vector<TDetailsJob>& jobs,
                                    const std::function<void(size_t, TDetailPairs&)>& found,
                                    const std::function<bool()>& poll,
                                    const std::function<void(size_t, std::string&)>& preview) {
    TDetailsOutcome outcome;
    if (jobs.empty()) return outcome;
    if (::access(program_.c_str(), X_OK) != 0) {
        outcome.helperMissing = true;
        return outcome;
    }
    size_t next = 0;
    std::vector<pollfd> fds;
    std::vector<Helper*> waiting;
    TDetailPairs pairs;
    std::string picture;
    bool stopped = false;
    int answers = 0;
    // A helper that fails on every file from the start (a library missing on this system) is
    // not started once per file: after this many failures without one answer it counts as
    // missing.
    constexpr int kFailuresBeforeMissing = 8;
    const auto failed = [&](Helper& h) {
        Stop(h, true);
        ++outcome.skipped;
        if (answers == 0 && outcome.skipped >= kFailuresBeforeMissing) {
            outcome.helperMissing = true;
            next = jobs.size();
        }
    };
    try {
        while (!stopped) {
            for (auto& owned : helpers_) {
                Helper& h = *owned;
                while (!h.busy && next < jobs.size()) {
                    if (h.pid < 0 && !Start(h)) {
                        outcome.helperMissing = outcome.read == 0 && outcome.skipped == 0;
                        next = jobs.size(); // no process can be started: nothing more is read
                        break;
                    }
                    const TDetailsJob& job = jobs[next];
                    ++next;
                    if (!SendAll(h.fd, EncodeDetailsRequest(job.kind, job.path, job.preview))) {
                        failed(h);
                        continue;
                    }
                    h.busy = true;
                    h.job = next - 1;
                    h.deadline = Clock::now() + std::chrono::milliseconds(limits_.millisecondsPerFile);
                }
            }
            fds.clear();
            waiting.clear();
            Clock::time_point soonest = Clock::time_point::max();
            for (auto& owned : helpers_)
                if (owned->busy) {
                    fds.push_back({owned->fd, POLLIN, 0});
                    waiting.push_back(owned.get());
                    soonest = std::min(soonest, owned->deadline);
                }
            if (waiting.empty()) break;
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(soonest - Clock::now());
            const int r = ::poll(fds.data(), fds.size(), int(std::clamp<int64_t>(wait.count() + 1, 0, 1000)));
            if (r < 0 && errno != EINTR) break;
            const auto now = Clock::now();
            for (size_t i = 0; i < waiting.size(); ++i) {
                Helper& h = *waiting[i];
                if (r > 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                    char buffer[65536];
                    const ssize_t n = ::read(h.fd, buffer, sizeof buffer);
                    if (n < 0 && errno == EINTR) continue;
                    if (n <= 0) { // it crashed or hit a limit
                        failed(h);
                        continue;
                    }
                    h.answer.append(buffer, size_t(n));
                    const int decoded = DecodeDetailsAnswer(h.answer, pairs, &picture);
                    if (decoded == 0) continue;
                    if (decoded < 0 || !h.answer.empty()) { // it talks nonsense: not trusted again
                        failed(h);
                        continue;
                    }
                    h.busy = false;
                    ++answers;
                    if (!pairs.empty()) {
                        ++outcome.read;
                        if (found) found(h.job, pairs);
                    }
                    if (!picture.empty() && preview) preview(h.job, picture);
                    if (poll && !poll()) stopped = true;
                } else if (now >= h.deadline) { // it hangs
                    failed(h);
                }
            }
            if (!stopped && r == 0 && poll && !poll()) stopped = true;
        }
    } catch (const std::exception&) { // memory running out in the caller's callbacks
    }
    for (auto& owned : helpers_)
        if (owned->busy) Stop(*owned, true);
    return outcome;
}

#include "details/previewpng.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {
// A PNG of a 256-pixel preview is far smaller; more is a helper gone wrong.
constexpr size_t kPngLimit = size_t(4) << 20;
}

std::string PreviewPng(const std::string& jpeg, const std::string& helper, TDetailsLimits limits) {
    if (jpeg.empty() || ::access(helper.c_str(), X_OK) != 0) return {};
    int fd = -1;
    const pid_t pid = StartHelperProcess(helper, "--png", limits, fd);
    if (pid < 0) return {};
    // The picture is small enough for the socket's buffer in most cases; the answer is read as
    // it comes, so a large one cannot block the two against each other.
    size_t sent = 0;
    std::string png;
    bool failed = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limits.millisecondsPerFile);
    while (!failed) {
        pollfd p{fd, short(POLLIN | (sent < jpeg.size() ? POLLOUT : 0)), 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        const int r = ::poll(&p, 1, int(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        if ((p.revents & POLLOUT) && sent < jpeg.size()) {
            const ssize_t n = ::send(fd, jpeg.data() + sent, jpeg.size() - sent, MSG_NOSIGNAL);
            if (n > 0) sent += size_t(n);
            else if (errno != EINTR && errno != EAGAIN) failed = true;
            if (sent == jpeg.size()) ::shutdown(fd, SHUT_WR);
        }
        if (p.revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[65536];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            png.append(buffer, size_t(n));
            failed = png.size() > kPngLimit;
        }
    }
    ::close(fd);
    int status = 0;
    bool reaped = false;
    for (int i = 0; i < 100 && !reaped; ++i) { // its answer is out: it ends at once
        reaped = ::waitpid(pid, &status, WNOHANG) == pid;
        if (!reaped) ::usleep(10000);
    }
    if (!reaped) {
        ::kill(pid, SIGKILL); // given up
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    // Killed before it ended on its own: whatever it wrote is not known to be whole.
    const bool ended = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return ended && !failed && png.size() > 8 ? png : std::string();
}

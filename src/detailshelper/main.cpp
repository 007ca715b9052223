// shelvix-details: the helper the scan starts to read what files are (detailsclient.h). It
// reads requests on its standard input and answers each on its standard output, until the
// input ends. The scan set its memory limit; the CPU limit is renewed here for each file, so
// that a file that makes a reader spin ends the helper rather than the scan waiting on it.
#include "detailshelper/detailsreaders.h"
#include "detailshelper/previewpicture.h"
#include "details/detailsprotocol.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {
bool WriteAll(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(1, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

void RenewCpuLimit(rlim_t seconds) {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    rlimit limit{};
    if (::getrlimit(RLIMIT_CPU, &limit) != 0) return;
    const rlim_t used = rlim_t(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + 1;
    limit.rlim_cur = used + seconds;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max) limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_CPU, &limit);
}

// For the tests of the scan's side only, and only with SHELVIX_DETAILS_TEST_HOOKS=1 in the
// environment: a file beginning with one of these lines makes the helper misbehave.
void MisbehaveFor(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return;
    char head[40] = {};
    const size_t n = std::fread(head, 1, sizeof head - 1, file);
    std::fclose(file);
    const std::string text(head, n);
    if (text.rfind("SHELVIX-TEST:crash", 0) == 0) std::abort();
    if (text.rfind("SHELVIX-TEST:hang", 0) == 0) std::this_thread::sleep_for(std::chrono::hours(1));
    if (text.rfind("SHELVIX-TEST:spin", 0) == 0)
        for (volatile unsigned long i = 0;; i = i + 1) {
        }
    if (text.rfind("SHELVIX-TEST:memory", 0) == 0) {
        std::vector<std::vector<char>> hog;
        for (;;) hog.emplace_back(size_t(64) << 20, 'x');
    }
    if (text.rfind("SHELVIX-TEST:garbage", 0) == 0) {
        WriteAll(std::string(16, '\xff'));
        std::this_thread::sleep_for(std::chrono::hours(1));
    }
}

// With --png: a preview's JPEG on standard input, its PNG on standard output (the command line
// writes previews out so, without decoding a catalogue's bytes itself).
int PreviewAsPng() {
    std::string jpeg;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        jpeg.append(buffer, size_t(n));
        if (jpeg.size() > (size_t(4) << 20)) return 1; // no preview of ours
    }
    const std::string png = EncodePng(DecodeJpegScaled(jpeg, 1 << 20));
    return !png.empty() && WriteAll(png) ? 0 : 1;
}
} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--png") == 0) return PreviewAsPng();
    rlim_t cpuSeconds = 10;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--cpu-seconds") == 0) cpuSeconds = rlim_t(std::max(1, std::atoi(argv[i + 1])));
    const char* hooks = std::getenv("SHELVIX_DETAILS_TEST_HOOKS");
    const bool testHooks = hooks && std::strcmp(hooks, "1") == 0;
    InitDetailsReaders();
    std::string input, path;
    ContentKind kind;
    bool wantsPreview = false;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0; // the scan is over
        input.append(buffer, size_t(n));
        for (;;) {
            const int r = DecodeDetailsRequest(input, kind, path, &wantsPreview);
            if (r < 0) return 2;
            if (r == 0) break;
            RenewCpuLimit(cpuSeconds);
            if (testHooks) MisbehaveFor(path);
            const TDetailPairs pairs = ReadFileDetails(kind, path);
            // A file that gave no details is no picture a preview could be made of.
            const std::string preview = wantsPreview && !pairs.empty() ? MakePreview(kind, path) : std::string();
            if (!WriteAll(EncodeDetailsAnswer(pairs, preview))) return 0;
        }
    }
}

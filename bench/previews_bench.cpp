// Previews of 16 photos of 12 MP (4000x3000 JPEG, no embedded thumbnail, some turned by their
// EXIF orientation) through the details helper, against `vipsthumbnail -s 256` over the same
// files in one run (libvips also decodes JPEG at a reduced scale). Both write JPEG; the bytes
// per photo are reported for both. Files are made once by ffmpeg and exiftool (not timed) and
// read once before timing (warm). Target: <= 1.0x, at most 12 KB per photo. Median of --runs R.
#include "benchutil.h"
#include "details/detailsclient.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

double FolderBytes(const std::string& folder) {
    double bytes = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) bytes += double(e.file_size());
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 5, photos = 16;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        int* v = a == "--runs" ? &runs : a == "--photos" ? &photos : nullptr;
        if (!v) {
            std::printf("usage: previews_bench [--runs R] [--photos N]\n");
            return 2;
        }
        *v = std::atoi(argv[i + 1]);
    }
    if (!Shell("command -v vipsthumbnail >/dev/null && command -v ffmpeg >/dev/null")) {
        std::printf("previews_bench needs vipsthumbnail (libvips-tools) and ffmpeg\n");
        return 2;
    }
    const std::string dir = (std::filesystem::temp_directory_path() / ("previews-bench-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(dir + "/photos");
    std::filesystem::create_directories(dir + "/vips");
    const std::string q = " -loglevel error -y ";
    // Photo-like content (detail everywhere, as a camera's picture has), distinct per file.
    std::vector<TDetailsJob> jobs;
    for (int i = 0; i < photos; ++i) {
        const std::string f = dir + "/photos/IMG_" + std::to_string(1000 + i) + ".jpg";
        Shell("ffmpeg" + q + "-f lavfi -i \"testsrc2=size=4000x3000,noise=alls=12:allf=t,hue=h=" + std::to_string(i * 20) +
              "\" -frames:v 1 -q:v 3 " + f);
        if (i % 4 == 1) Shell("exiftool -q -overwrite_original -n -Orientation=6 " + f);
        jobs.push_back({f, ContentKind::Photo, true});
    }
    Shell("cat " + dir + "/photos/* > /dev/null"); // warm
    const std::string vips = "vipsthumbnail -s 256 -o " + dir + "/vips/%s.jpg " + dir + "/photos/*.jpg";

    double ourBytes = 0;
    int made = 0;
    const auto ours = [&] {
        ourBytes = 0;
        made = 0;
        TDetailsReader reader(SHELVIX_DETAILS_HELPER_PATH, 2);
        reader.Run(jobs, {}, {}, [&](size_t, std::string& jpeg) {
            ourBytes += double(jpeg.size());
            ++made;
        });
    };
    ours(); // warm the helper's libraries
    Shell(vips);
    std::vector<double> ourTimes, vipsTimes;
    for (int r = 0; r < runs; ++r) {
        double start = benchutil::Now();
        ours();
        ourTimes.push_back(benchutil::Now() - start);
        start = benchutil::Now();
        if (!Shell(vips)) std::fprintf(stderr, "failed: %s\n", vips.c_str());
        vipsTimes.push_back(benchutil::Now() - start);
    }
    const double o = benchutil::Median(ourTimes), b = benchutil::Median(vipsTimes);
    std::printf("%-34s %6s %10s %10s %7s %7s %10s %10s\n", "row", "photos", "ours ms", "vips ms", "ratio", "target",
                "ours B/ph", "vips B/ph");
    std::printf("%-34s %6d %10.1f %10.1f %7.3f %7.2f %10.0f %10.0f%s\n", "12 MP JPEG -> 256 px preview", photos, o, b,
                o / b, 1.0, made ? ourBytes / made : 0.0, FolderBytes(dir + "/vips") / photos,
                made == photos ? "" : "  (not every photo got a preview!)");
    std::filesystem::remove_all(dir);
    return 0;
}

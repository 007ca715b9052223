// Reading file details through the helper against the programs people would run instead:
//   (a) 400 photos (JPEG with EXIF, 1600x1200)   ours: TDetailsReader, 2 helpers
//                                                  baseline: `exiftool -fast -j` once over all
//   (b) 40 songs (MP3, FLAC, Ogg, M4A)            baseline: `ffprobe` run once per file
//   (c) 40 videos (MP4, MKV)                      baseline: `ffprobe` run once per file
// Files are made once by ffmpeg and exiftool (not timed) and read once before timing (warm).
// Targets: (a) <= 0.2x, (b) and (c) <= 0.5x. Median of --runs R (3).
#include "benchutil.h"
#include "details/detailsclient.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

double TimeShell(const std::string& command) {
    const double start = benchutil::Now();
    if (!Shell(command)) std::fprintf(stderr, "failed: %s\n", command.c_str());
    return benchutil::Now() - start;
}

double TimeOurs(const std::vector<TDetailsJob>& jobs, int& read) {
    const double start = benchutil::Now();
    TDetailsReader reader(SHELVIX_DETAILS_HELPER_PATH, 2);
    read = reader.Run(jobs, {}).read;
    return benchutil::Now() - start;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 3, photos = 400, songs = 40, videos = 40;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        int* v = a == "--runs" ? &runs : a == "--photos" ? &photos : a == "--songs" ? &songs : a == "--videos" ? &videos : nullptr;
        if (!v) {
            std::printf("usage: details_bench [--runs R] [--photos N] [--songs N] [--videos N]\n");
            return 2;
        }
        *v = std::atoi(argv[i + 1]);
    }
    const std::string dir = (std::filesystem::temp_directory_path() / ("details-bench-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(dir + "/photos");
    std::filesystem::create_directories(dir + "/songs");
    std::filesystem::create_directories(dir + "/videos");
    const std::string q = " -loglevel error -y ";
    // Photos: a few distinct pictures, copied under distinct names.
    for (int k = 0; k < 4; ++k) {
        const std::string f = dir + "/p" + std::to_string(k) + ".jpg";
        Shell("ffmpeg" + q + "-f lavfi -i testsrc=size=1600x1200 -frames:v 1 -q:v 3 " + f +
              " && exiftool -q -overwrite_original -Make=Canon -Model='EOS " + std::to_string(k) +
              "' -DateTimeOriginal='2019:06:05 14:03:0" + std::to_string(k) +
              "' -GPSLatitude=48.85 -GPSLatitudeRef=N -GPSLongitude=2.29 -GPSLongitudeRef=E -Orientation#=6 " + f);
    }
    std::vector<TDetailsJob> photoJobs, songJobs, videoJobs;
    for (int i = 0; i < photos; ++i) {
        const std::string f = dir + "/photos/IMG_" + std::to_string(1000 + i) + ".jpg";
        std::filesystem::copy_file(dir + "/p" + std::to_string(i % 4) + ".jpg", f);
        photoJobs.push_back({f, ContentKind::Photo});
    }
    const char* songKinds[] = {"mp3", "flac", "ogg", "m4a"};
    for (int i = 0; i < songs; ++i) {
        const std::string f = dir + "/songs/s" + std::to_string(i) + "." + songKinds[i % 4];
        Shell("ffmpeg" + q + "-f lavfi -i sine=f=" + std::to_string(200 + i) + ":d=30 -metadata artist=ABBA -metadata title=T" +
              std::to_string(i) + " " + f);
        songJobs.push_back({f, ContentKind::Music});
    }
    const char* videoKinds[] = {"mp4", "mkv"};
    for (int i = 0; i < videos; ++i) {
        const std::string f = dir + "/videos/v" + std::to_string(i) + "." + videoKinds[i % 2];
        Shell("ffmpeg" + q + "-f lavfi -i testsrc=size=640x360:rate=25 -t 4 -c:v libx264 -preset ultrafast -pix_fmt yuv420p " + f);
        videoJobs.push_back({f, ContentKind::Video});
    }
    Shell("cat " + dir + "/photos/* " + dir + "/songs/* " + dir + "/videos/* > /dev/null"); // warm

    const auto perFile = [&](const std::string& folder) {
        return "for f in " + dir + "/" + folder + "/*; do ffprobe -v quiet -show_format -show_streams \"$f\" > /dev/null; done";
    };
    struct Row {
        const char* name;
        const std::vector<TDetailsJob>* jobs;
        std::string baseline;
        double target;
    } rows[] = {
        {"(a) photos vs exiftool -fast, one process", &photoJobs, "exiftool -q -fast -j " + dir + "/photos > /dev/null", 0.2},
        {"(b) music vs ffprobe per file", &songJobs, perFile("songs"), 0.5},
        {"(c) video vs ffprobe per file", &videoJobs, perFile("videos"), 0.5},
    };
    std::printf("%-45s %6s %10s %10s %7s %7s\n", "row", "files", "ours ms", "base ms", "ratio", "target");
    for (const Row& row : rows) {
        std::vector<double> ours, base;
        int read = 0;
        TimeOurs(*row.jobs, read); // warm the helper's libraries too
        for (int r = 0; r < runs; ++r) {
            ours.push_back(TimeOurs(*row.jobs, read));
            base.push_back(TimeShell(row.baseline));
        }
        const double o = benchutil::Median(ours), b = benchutil::Median(base);
        std::printf("%-45s %6zu %10.1f %10.1f %7.3f %7.2f%s\n", row.name, row.jobs->size(), o, b, o / b,
                    row.target, read == int(row.jobs->size()) ? "" : "  (not every file read!)");
    }
    std::filesystem::remove_all(dir);
    return 0;
}

// The details helper over photos, music and video that ffmpeg and exiftool make, compared with
// what exiftool and ffprobe read from the same files.
#include "details/detailsclient.h"
#include "details/details_support.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

using Values = std::map<std::string, std::string>;

struct Sample {
    const char* what;
    const char* file;
    std::string make; // shell command; $F is the file
    ContentKind kind;
};

const std::string kPicture = "ffmpeg -loglevel error -y -f lavfi -i color=c=red:s=64x48 -frames:v 1 ";
const std::string kTag = " && exiftool -q -overwrite_original ";
const std::string kTone = "ffmpeg -loglevel error -y -f lavfi -i sine=f=440:d=3 -metadata title='Dancing Queen' "
                          "-metadata artist=ABBA -metadata album=Arrival -metadata track=3 "
                          "-metadata date=1976 -metadata genre=Pop ";
const std::string kClip = "ffmpeg -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=25 -t 2 ";

const Sample kSamples[] = {
    {"JPEG with date, camera, GPS and a quarter turn", "camera.jpg",
     kPicture + "$F" + kTag + "-DateTimeOriginal='2019:06:05 14:03:02' -Make=Canon -Model='Canon EOS 5D' "
                               "-GPSLatitude=48.858370 -GPSLatitudeRef=N -GPSLongitude=2.294481 "
                               "-GPSLongitudeRef=E -Orientation#=6 $F",
     ContentKind::Photo},
    {"JPEG south and west, upright", "sydney.jpg",
     kPicture + "$F" + kTag + "-Make=NIKON -Model=D750 -GPSLatitude=33.8688 -GPSLatitudeRef=S "
                               "-GPSLongitude=151.2093 -GPSLongitudeRef=W -Orientation#=1 $F",
     ContentKind::Photo},
    {"JPEG without an extension, known by its first bytes", "IMG_4711",
     kPicture + "-f mjpeg $F" + kTag + "-DateTimeOriginal='2020:01:02 03:04:05' -Model=Pixel $F",
     ContentKind::Unknown},
    {"TIFF with a camera", "scan.tif", kPicture + "$F" + kTag + "-Make=Epson -Model='V600' $F", ContentKind::Photo},
    {"PNG, size only", "still.png", kPicture + "$F", ContentKind::Photo},
    {"WebP", "web.webp", kPicture + "-c:v libwebp $F", ContentKind::Photo},
    {"MP3 with ID3 tags", "queen.mp3", kTone + "-c:a libmp3lame -b:a 128k $F", ContentKind::Music},
    {"FLAC with Vorbis comments", "queen.flac", kTone + "$F", ContentKind::Music},
    {"Ogg Vorbis", "queen.ogg", kTone + "-c:a libvorbis $F", ContentKind::Music},
    {"Opus", "queen.opus", kTone + "-c:a libopus $F", ContentKind::Music},
    {"M4A (AAC)", "queen.m4a", kTone + "-c:a aac $F", ContentKind::Music},
    {"WAV without tags", "tone.wav", "ffmpeg -loglevel error -y -f lavfi -i sine=d=2 $F", ContentKind::Music},
    {"MP4 with H.264", "clip.mp4", kClip + "-c:v libx264 -pix_fmt yuv420p $F", ContentKind::Video},
    {"Matroska with MPEG-4", "clip.mkv", kClip + "-c:v mpeg4 $F", ContentKind::Video},
    {"WebM with VP8", "clip.webm", kClip + "-c:v libvpx -b:v 200k $F", ContentKind::Video},
    {"AVI", "clip.avi", kClip + "-c:v mpeg4 $F", ContentKind::Video},
    {"MPEG-TS", "clip.ts", kClip + "-c:v mpeg4 $F", ContentKind::Video},
};

std::string Replace(std::string text, const std::string& path) {
    for (size_t at; (at = text.find("$F")) != std::string::npos;) text.replace(at, 2, Quoted(path));
    return text;
}

std::string Text(const nlohmann::json& j) {
    if (j.is_string()) return j.get<std::string>();
    if (j.is_number_integer()) return std::to_string(j.get<long long>());
    if (j.is_number()) return std::to_string(j.get<double>());
    return {};
}

// What exiftool reads, under our keys.
Values ExiftoolPhoto(const std::string& path) {
    const auto all = JsonOf("exiftool -j -n -ImageWidth -ImageHeight -Orientation -DateTimeOriginal "
                            "-Make -Model -Composite:GPSLatitude -Composite:GPSLongitude " + Quoted(path));
    Values v;
    if (!all.is_array() || all.empty()) return v;
    const auto& j = all[0];
    const int orientation = j.contains("Orientation") ? j["Orientation"].get<int>() : 0;
    const bool turned = orientation >= 5;
    v["width"] = Text(j[turned ? "ImageHeight" : "ImageWidth"]);
    v["height"] = Text(j[turned ? "ImageWidth" : "ImageHeight"]);
    if (orientation) v["orientation"] = std::to_string(orientation);
    if (j.contains("DateTimeOriginal")) {
        std::string t = Text(j["DateTimeOriginal"]);
        t[4] = t[7] = '-';
        t[10] = 'T';
        v["taken"] = t;
    }
    for (const char* key : {"Make", "Model"})
        if (j.contains(key)) v[std::string(1, char(std::tolower(key[0]))) + (key + 1)] = Text(j[key]);
    if (j.contains("GPSLatitude")) v["latitude"] = Text(j["GPSLatitude"]);
    if (j.contains("GPSLongitude")) v["longitude"] = Text(j["GPSLongitude"]);
    return v;
}

// What ffprobe reads, under our keys.
Values FfprobeMedia(const std::string& path, bool music) {
    const auto j = JsonOf("ffprobe -v quiet -of json -show_format -show_streams " + Quoted(path));
    Values v;
    if (!j.is_object()) return v;
    std::map<std::string, std::string> tags;
    auto take = [&](const nlohmann::json& from) {
        if (!from.contains("tags")) return;
        for (auto& [k, value] : from["tags"].items()) {
            std::string key = k;
            for (char& c : key) c = char(std::tolower(c));
            tags.emplace(key, value.get<std::string>());
        }
    };
    take(j["format"]);
    for (const auto& s : j["streams"]) take(s);
    if (j["format"].contains("duration")) v["duration"] = j["format"]["duration"].get<std::string>();
    if (music) {
        for (const char* key : {"title", "artist", "album", "genre"})
            if (tags.count(key)) v[key] = tags[key];
        if (tags.count("track")) v["track"] = std::to_string(std::stoi(tags["track"]));
        if (tags.count("date")) v["year"] = tags["date"].substr(0, 4);
        if (j["format"].contains("bit_rate"))
            v["bitrate"] = std::to_string(std::stoll(j["format"]["bit_rate"].get<std::string>()) / 1000);
        return v;
    }
    for (const auto& s : j["streams"])
        if (s["codec_type"] == "video") {
            v["width"] = Text(s["width"]);
            v["height"] = Text(s["height"]);
            v["codec"] = Text(s["codec_name"]);
            const std::string rate = Text(s["avg_frame_rate"]);
            const size_t slash = rate.find('/');
            v["framerate"] = std::to_string(std::stod(rate.substr(0, slash)) / std::stod(rate.substr(slash + 1)));
            break;
        }
    return v;
}

// How close two readers must agree: durations are rounded by each container differently, and a
// bitrate is a nominal figure in one reader and a measured one in the other.
double Tolerance(const std::string& key, double expected) {
    if (key == "duration") return 0.1;
    if (key == "bitrate") return std::max(8.0, expected * 0.4);
    if (key == "latitude" || key == "longitude") return 1e-5;
    if (key == "framerate") return 0.01;
    return 0;
}

TEST(DetailsReaders, ReadAsExiftoolAndFfprobeReadThem) {
    if (!Shell("command -v ffmpeg && command -v exiftool && command -v ffprobe"))
        GTEST_SKIP() << "ffmpeg, ffprobe or exiftool missing";
    TempDir dir;
    std::vector<TDetailsJob> jobs;
    std::vector<Values> expected;
    for (const Sample& s : kSamples) {
        const std::string path = dir.File(s.file);
        ASSERT_TRUE(Shell(Replace(s.make, path))) << s.what << ": " << s.make;
        jobs.push_back({path, s.kind});
        const ContentKind kind = s.kind == ContentKind::Unknown ? ContentKind::Photo : s.kind;
        expected.push_back(kind == ContentKind::Photo ? ExiftoolPhoto(path)
                                                      : FfprobeMedia(path, kind == ContentKind::Music));
    }
    std::vector<Values> read(jobs.size());
    TDetailsReader reader(SHELVIX_DETAILS_HELPER_PATH);
    const TDetailsOutcome outcome = reader.Run(jobs, [&](size_t i, TDetailPairs& pairs) {
        for (auto& [k, v] : pairs) read[i][k] = v;
    });
    EXPECT_EQ(outcome.skipped, 0);
    for (size_t i = 0; i < jobs.size(); ++i) {
        const char* what = kSamples[i].what;
        EXPECT_FALSE(expected[i].empty()) << what << ": the other reader found nothing";
        for (const auto& [key, want] : expected[i]) {
            ASSERT_TRUE(read[i].count(key)) << what << ": no " << key << " (expected " << want << ")";
            const std::string& got = read[i][key];
            if (IsNumberDetail(key)) {
                const double w = std::stod(want);
                EXPECT_NEAR(std::stod(got), w, Tolerance(key, w)) << what << ": " << key;
            } else {
                EXPECT_EQ(got, want) << what << ": " << key;
            }
        }
        for (const auto& [key, got] : read[i])
            EXPECT_TRUE(expected[i].count(key)) << what << ": " << key << "=" << got << " read, other reader has none";
    }
}

} // namespace

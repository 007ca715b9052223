// Previews made by the helper from pictures and videos ffmpeg and exiftool made: their size, the
// way up, the format's own path, and a video's black start passed over. The previews are read
// back by ffmpeg, not by our own decoder.
#include "details/detailsclient.h"
#include "details/details_support.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

namespace {

struct Rgb {
    int r = 0, g = 0, b = 0;
};
enum class Colour { Red, Blue, Green, Other };
Colour Named(Rgb c) {
    if (c.r > 170 && c.g < 90 && c.b < 90) return Colour::Red;
    if (c.b > 170 && c.r < 90 && c.g < 90) return Colour::Blue;
    if (c.g > 100 && c.r < 90 && c.b < 90) return Colour::Green;
    return Colour::Other;
}

// A preview as ffmpeg decodes it: its size and the colours at the middle of its four edges.
struct Seen {
    int width = 0, height = 0;
    Colour top = Colour::Other, bottom = Colour::Other, left = Colour::Other, right = Colour::Other;
};
Seen Look(const std::string& jpeg, const std::string& scratch) {
    Seen seen;
    WriteWholeFile(scratch, jpeg);
    const nlohmann::json probe = JsonOf("ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of json " + Quoted(scratch));
    if (!probe.is_object() || probe["streams"].empty()) return seen;
    seen.width = probe["streams"][0]["width"];
    seen.height = probe["streams"][0]["height"];
    const std::string raw = CommandOutput("ffmpeg -v error -i " + Quoted(scratch) + " -f rawvideo -pix_fmt rgb24 -");
    if (raw.size() != size_t(seen.width) * size_t(seen.height) * 3) return seen;
    const auto at = [&](int x, int y) {
        const size_t i = (size_t(y) * size_t(seen.width) + size_t(x)) * 3;
        return Named({uint8_t(raw[i]), uint8_t(raw[i + 1]), uint8_t(raw[i + 2])});
    };
    const int w = seen.width, h = seen.height;
    seen.top = at(w / 2, h / 8), seen.bottom = at(w / 2, h - 1 - h / 8);
    seen.left = at(w / 8, h / 2), seen.right = at(w - 1 - w / 8, h / 2);
    return seen;
}

// Halves side by side (red left, blue right) or one above the other (red on top).
std::string Halves(int w, int h, bool across, const std::string& out, const std::string& extra = "") {
    const std::string half = across ? std::to_string(w / 2) + "x" + std::to_string(h) : std::to_string(w) + "x" + std::to_string(h / 2);
    return "ffmpeg -loglevel error -y -f lavfi -i color=red:s=" + half + " -f lavfi -i color=blue:s=" + half +
           " -filter_complex " + (across ? "hstack" : "vstack") + " -frames:v 1 " + extra + " " + Quoted(out);
}

TEST(PreviewPipeline, SizesOrientationsAndFormats) {
    if (!Shell("command -v ffmpeg && command -v ffprobe && command -v exiftool"))
        GTEST_SKIP() << "ffmpeg, ffprobe or exiftool missing";
    TempDir dir;
    const auto f = [&](const char* name) { return dir.File(name); };
    const std::string oriented = "exiftool -q -overwrite_original -n -Orientation=";
    const struct Case {
        const char* what;
        const char* file;
        std::string make;
        ContentKind kind;
        Seen want;
    } cases[] = {
        {"a large landscape JPEG comes down to 256 across", "wide.jpg", Halves(1600, 800, true, f("wide.jpg")),
         ContentKind::Photo, {256, 128, Colour::Other, Colour::Other, Colour::Red, Colour::Blue}},
        {"a portrait JPEG comes down to 256 high", "tall.jpg", Halves(600, 1200, false, f("tall.jpg")),
         ContentKind::Photo, {128, 256, Colour::Red, Colour::Blue, Colour::Other, Colour::Other}},
        {"a small picture keeps its size", "small.jpg", Halves(120, 90, true, f("small.jpg")),
         ContentKind::Photo, {120, 90, Colour::Other, Colour::Other, Colour::Red, Colour::Blue}},
        {"orientation 6 turns it a quarter clockwise", "six.jpg",
         Halves(800, 400, true, f("six.jpg")) + " && " + oriented + "6 " + Quoted(f("six.jpg")),
         ContentKind::Photo, {128, 256, Colour::Red, Colour::Blue, Colour::Other, Colour::Other}},
        {"orientation 3 turns it upside down", "three.jpg",
         Halves(800, 400, true, f("three.jpg")) + " && " + oriented + "3 " + Quoted(f("three.jpg")),
         ContentKind::Photo, {256, 128, Colour::Other, Colour::Other, Colour::Blue, Colour::Red}},
        {"orientation 8 turns it a quarter back", "eight.jpg",
         Halves(800, 400, true, f("eight.jpg")) + " && " + oriented + "8 " + Quoted(f("eight.jpg")),
         ContentKind::Photo, {128, 256, Colour::Blue, Colour::Red, Colour::Other, Colour::Other}},
        {"orientation 2 mirrors it", "two.jpg",
         Halves(800, 400, true, f("two.jpg")) + " && " + oriented + "2 " + Quoted(f("two.jpg")),
         ContentKind::Photo, {256, 128, Colour::Other, Colour::Other, Colour::Blue, Colour::Red}},
        {"orientation 4 flips it", "four.jpg",
         Halves(800, 400, false, f("four.jpg")) + " && " + oriented + "4 " + Quoted(f("four.jpg")),
         ContentKind::Photo, {256, 128, Colour::Blue, Colour::Red, Colour::Other, Colour::Other}},
        {"orientation 5 transposes it", "five.jpg",
         Halves(800, 400, true, f("five.jpg")) + " && " + oriented + "5 " + Quoted(f("five.jpg")),
         ContentKind::Photo, {128, 256, Colour::Red, Colour::Blue, Colour::Other, Colour::Other}},
        {"orientation 7 transposes it the other way", "seven.jpg",
         Halves(800, 400, true, f("seven.jpg")) + " && " + oriented + "7 " + Quoted(f("seven.jpg")),
         ContentKind::Photo, {128, 256, Colour::Blue, Colour::Red, Colour::Other, Colour::Other}},
        {"a PNG through the whole decode", "wide.png", Halves(1000, 500, true, f("wide.png")),
         ContentKind::Photo, {256, 128, Colour::Other, Colour::Other, Colour::Red, Colour::Blue}},
        {"a WebP through the whole decode", "tall.webp", Halves(500, 1000, false, f("tall.webp")),
         ContentKind::Photo, {128, 256, Colour::Red, Colour::Blue, Colour::Other, Colour::Other}},
        {"an embedded thumbnail serves when it is large enough", "thumbed.jpg",
         "ffmpeg -loglevel error -y -f lavfi -i color=green:s=1600x1200 -frames:v 1 " + Quoted(f("thumbed.jpg")) +
             " && " + Halves(200, 150, true, f("thumb.jpg")) + " && exiftool -q -overwrite_original '-ThumbnailImage<=" +
             f("thumb.jpg") + "' " + Quoted(f("thumbed.jpg")),
         ContentKind::Photo, {200, 150, Colour::Other, Colour::Other, Colour::Red, Colour::Blue}},
        {"a thumbnail below 160 is passed over for the photo", "tiny-thumb.jpg",
         "ffmpeg -loglevel error -y -f lavfi -i color=green:s=1600x1200 -frames:v 1 " + Quoted(f("tiny-thumb.jpg")) +
             " && " + Halves(120, 90, true, f("tiny.jpg")) + " && exiftool -q -overwrite_original '-ThumbnailImage<=" +
             f("tiny.jpg") + "' " + Quoted(f("tiny-thumb.jpg")),
         ContentKind::Photo, {256, 192, Colour::Green, Colour::Green, Colour::Green, Colour::Green}},
        {"a video's black start is passed over", "fade.mp4",
         "ffmpeg -loglevel error -y -f lavfi -i color=black:s=320x240:d=3:r=25 -f lavfi -i color=red:s=320x240:d=7:r=25 "
         "-filter_complex '[0][1]concat=n=2:v=1' -c:v mpeg4 -g 400 " + Quoted(f("fade.mp4")),
         ContentKind::Video, {256, 192, Colour::Red, Colour::Red, Colour::Red, Colour::Red}},
        {"a phone's video turned by its display matrix", "turned.mp4",
         "ffmpeg -loglevel error -y -f lavfi -i color=red:s=160x240:d=2 -f lavfi -i color=blue:s=160x240:d=2 "
         "-filter_complex hstack -c:v mpeg4 " + Quoted(f("turned.mp4")) +
             " && exiftool -q -overwrite_original -Rotation=90 " + Quoted(f("turned.mp4")),
         ContentKind::Video, {192, 256, Colour::Red, Colour::Blue, Colour::Other, Colour::Other}},
    };
    std::vector<TDetailsJob> jobs;
    std::vector<const Case*> used;
    for (const Case& c : cases) {
        ASSERT_TRUE(Shell(c.make)) << c.what << ": " << c.make;
        jobs.push_back({dir.File(c.file), c.kind, true});
        used.push_back(&c);
    }
    std::vector<std::string> previews(jobs.size());
    TDetailsReader reader(SHELVIX_DETAILS_HELPER_PATH);
    const TDetailsOutcome outcome = reader.Run(jobs, {}, {}, [&](size_t i, std::string& jpeg) { previews[i] = jpeg; });
    EXPECT_EQ(outcome.skipped, 0);
    for (size_t i = 0; i < jobs.size(); ++i) {
        const Case& c = *used[i];
        ASSERT_FALSE(previews[i].empty()) << c.what << ": no preview";
        EXPECT_LE(previews[i].size(), size_t(12 * 1024)) << c.what;
        const Seen seen = Look(previews[i], dir.File("seen.jpg"));
        EXPECT_EQ(seen.width, c.want.width) << c.what;
        EXPECT_EQ(seen.height, c.want.height) << c.what;
        const std::pair<Colour, Colour> edges[] = {{c.want.top, seen.top}, {c.want.bottom, seen.bottom},
                                                   {c.want.left, seen.left}, {c.want.right, seen.right}};
        for (const auto& [want, got] : edges)
            if (want != Colour::Other) EXPECT_EQ(int(got), int(want)) << c.what;
    }
}

TEST(PreviewPipeline, TwelveMegapixelsStayWithinTheBudgetAndMusicHasNone) {
    if (!Shell("command -v ffmpeg")) GTEST_SKIP() << "ffmpeg missing";
    TempDir dir;
    const std::string photo = dir.File("big.jpg"), music = dir.File("tone.mp3");
    ASSERT_TRUE(Shell("ffmpeg -loglevel error -y -f lavfi -i testsrc2=s=4000x3000 -frames:v 1 -q:v 2 " + Quoted(photo)));
    ASSERT_TRUE(Shell("ffmpeg -loglevel error -y -f lavfi -i sine=d=1 " + Quoted(music)));
    std::vector<std::string> previews(2);
    TDetailsReader reader(SHELVIX_DETAILS_HELPER_PATH);
    reader.Run({{photo, ContentKind::Photo, true}, {music, ContentKind::Music, true}}, {}, {},
               [&](size_t i, std::string& jpeg) { previews[i] = jpeg; });
    ASSERT_FALSE(previews[0].empty());
    EXPECT_LE(previews[0].size(), size_t(12 * 1024));
    const Seen seen = Look(previews[0], dir.File("seen.jpg"));
    EXPECT_EQ(seen.width, 256);
    EXPECT_EQ(seen.height, 192);
    EXPECT_TRUE(previews[1].empty()) << "music has no picture here";
}

} // namespace

// shelvix-cli preview: the picture add kept for a photo, written out as PNG, through convert
// too; exit 1 for an entry without one, 2 for arguments that name nothing.
#include "details/details_support.h"
#include "support/clirun.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

TEST(CliPreview, WritesTheKeptPictureAsPng) {
    if (!Shell("command -v ffmpeg && command -v ffprobe")) GTEST_SKIP() << "ffmpeg or ffprobe missing";
    TempDir out, tree;
    ::mkdir(tree.File("trip").c_str(), 0755);
    ASSERT_TRUE(Shell("ffmpeg -loglevel error -y -f lavfi -i testsrc=s=800x400 -frames:v 1 " + Quoted(tree.File("trip/IMG 1.JPG"))));
    ASSERT_TRUE(Shell("ffmpeg -loglevel error -y -f lavfi -i sine=d=1 " + Quoted(tree.File("song.mp3"))));
    const std::string index = out.File("home.SXF"), copy = out.File("copy.SXF");
    CliResult run = RunCli(out, {"add", index, tree.Path(), "--name", "Trip"});
    ASSERT_EQ(run.status, 0) << run.err;
    run = RunCli(out, {"convert", index, copy});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto pngSize = [](const std::string& file) {
        const nlohmann::json j = JsonOf("ffprobe -v error -show_entries stream=width,height,codec_name -of json " + Quoted(file) + " 2>/dev/null");
        if (!j.is_object() || j["streams"].empty()) return std::string("none");
        const auto& s = j["streams"][0];
        return s["codec_name"].get<std::string>() + " " + std::to_string(s["width"].get<int>()) + "x" +
               std::to_string(s["height"].get<int>());
    };
    const struct {
        const char* what;
        std::vector<std::string> args;
        int status;
        const char* png; // what OUT.png then is
    } cases[] = {
        {"a photo", {"preview", index, "Trip", "trip/IMG 1.JPG", out.File("a.png")}, 0, "png 256x128"},
        {"the same from the converted copy", {"preview", copy, "Trip", "trip/IMG 1.JPG", out.File("b.png")}, 0, "png 256x128"},
        {"a song has none", {"preview", index, "Trip", "song.mp3", out.File("c.png")}, 1, "none"},
        {"a folder has none", {"preview", index, "Trip", "trip", out.File("d.png")}, 1, "none"},
        {"no such medium", {"preview", index, "Elsewhere", "trip/IMG 1.JPG", out.File("e.png")}, 2, "none"},
        {"no such path", {"preview", index, "Trip", "trip/IMG 2.JPG", out.File("f.png")}, 2, "none"},
        {"too few arguments", {"preview", index, "Trip", "trip/IMG 1.JPG"}, 2, "none"},
    };
    for (const auto& c : cases) {
        run = RunCli(out, c.args);
        EXPECT_EQ(run.status, c.status) << c.what << ": " << run.err;
        if (c.args.size() == 5) EXPECT_EQ(pngSize(c.args[4]), c.png) << c.what;
    }
    std::filesystem::remove(out.File("home.SXP"));
    run = RunCli(out, {"preview", index, "Trip", "trip/IMG 1.JPG", out.File("g.png")});
    EXPECT_EQ(run.status, 1) << "the pictures are lost with their file";
    EXPECT_NE(run.err.find("previews file home.SXP is missing"), std::string::npos) << run.err;
}

// shelvix-cli add reads details, dump shows them, find finds by them.
#include "details/details_support.h"
#include "support/clirun.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(CliDetails, AddedFolderIsDumpedAndFoundByItsDetails) {
    if (!Shell("command -v ffmpeg && command -v exiftool")) GTEST_SKIP() << "ffmpeg or exiftool missing";
    TempDir out, tree;
    ::mkdir(tree.File("trip").c_str(), 0755);
    const std::string photo = tree.File("trip/IMG_4711.JPG"), song = tree.File("track03.mp3");
    ASSERT_TRUE(Shell("ffmpeg -loglevel error -y -f lavfi -i color=s=64x48 -frames:v 1 " + Quoted(photo) +
                    " && exiftool -q -overwrite_original -DateTimeOriginal='2019:06:05 14:03:02' -Make=Canon " + Quoted(photo)));
    ASSERT_TRUE(Shell("ffmpeg -loglevel error -y -f lavfi -i sine=d=2 -metadata artist=ABBA -metadata track=3 " + Quoted(song)));
    const std::string index = out.File("home.SXF");
    CliResult run = RunCli(out, {"add", index, tree.Path()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find("skipped"), std::string::npos) << run.err;

    run = RunCli(out, {"dump", index});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto dump = nlohmann::json::parse(run.out);
    const auto& entries = dump["Media"][0]["entries"];
    ASSERT_EQ(entries.size(), 2u);
    const auto& songDetails = entries[0]["Details"];
    EXPECT_EQ(songDetails["artist"], "ABBA");
    EXPECT_EQ(songDetails["track"], 3) << "numbers as numbers";
    EXPECT_TRUE(songDetails["duration"].is_number());
    const auto& photoDetails = entries[1]["children"][0]["Details"];
    EXPECT_EQ(photoDetails, nlohmann::json::parse(R"({"width": 64, "height": 48, "taken": "2019-06-05T14:03:02", "make": "Canon"})"));
    EXPECT_FALSE(entries[1].contains("Details")) << "a folder has none";

    run = RunCli(out, {"find", index, "artist:abba"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("track03.mp3"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("IMG_4711"), std::string::npos) << run.out;
    run = RunCli(out, {"find", index, "taken:2019-06", "width:>50"});
    EXPECT_NE(run.out.find("IMG_4711.JPG"), std::string::npos) << run.out;

    run = RunCli(out, {"search", index, "*", "--details", "*abba*"}); // "Details contain"
    EXPECT_EQ(run.out.find("IMG_4711"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("track03.mp3"), std::string::npos) << run.out;

    run = RunCli(out, {"add", index, tree.Path(), "--no-details"});
    ASSERT_EQ(run.status, 0) << run.err;
    run = RunCli(out, {"dump", index});
    EXPECT_FALSE(nlohmann::json::parse(run.out)["Media"][1]["entries"][0].contains("Details"));
}

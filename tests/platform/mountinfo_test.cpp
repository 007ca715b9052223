#include "platform/blockdevices.h"
#include "platform/mountinfo.h"

#include "support/casename.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct ParseCase {
    const char* what;
    std::string line;
    bool accepted;
    unsigned major, minor;
    std::string root, mountPoint, fsType, source;
};

ParseCase Rejected(const char* what, std::string line) {
    return ParseCase{what, std::move(line), false, 0, 0, "", "", "", ""};
}

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.what;
}

class MountInfoVolumeParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(MountInfoVolumeParse, Line) {
    const ParseCase& c = GetParam();
    const auto mounts = ParseMountInfo(c.line);
    ASSERT_EQ(mounts.size(), c.accepted ? 1u : 0u);
    if (!c.accepted) return;
    const MountEntry& m = mounts[0];
    EXPECT_EQ(m.major, c.major);
    EXPECT_EQ(m.minor, c.minor);
    EXPECT_EQ(m.root, c.root);
    EXPECT_EQ(m.mountPoint, c.mountPoint);
    EXPECT_EQ(m.fsType, c.fsType);
    EXPECT_EQ(m.source, c.source);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MountInfoVolumeParse,
    ::testing::Values(
        ParseCase{"plain", "26 1 254:0 / / rw,relatime - ext4 /dev/vda rw", true, 254, 0, "/", "/",
                  "ext4", "/dev/vda"},
        ParseCase{"two optional fields",
                  "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 shared:2 - ext3 /dev/root rw", true,
                  98, 0, "/mnt1", "/mnt2", "ext3", "/dev/root"},
        ParseCase{"escaped mount point",
                  "40 26 8:17 / /media/a\\040b\\011c\\012d\\134e rw - vfat /dev/sdb1 rw", true, 8,
                  17, "/", "/media/a b\tc\nd\\e", "vfat", "/dev/sdb1"},
        ParseCase{"escaped source", "41 26 0:50 / /mnt/s rw - cifs //srv/my\\040share rw", true, 0,
                  50, "/", "/mnt/s", "cifs", "//srv/my share"},
        ParseCase{"short escapes kept", "42 26 0:51 / /x\\04 rw - tmpfs a\\9 rw", true, 0, 51, "/",
                  "/x\\04", "tmpfs", "a\\9"},
        ParseCase{"non-octal escape kept", "43 26 0:52 / /x\\089 rw - tmpfs t rw", true, 0, 52, "/",
                  "/x\\089", "tmpfs", "t"},
        ParseCase{"source missing", "44 26 0:53 / /y rw - tmpfs", true, 0, 53, "/", "/y", "tmpfs",
                  ""},
        Rejected("no separator", "45 26 0:54 / /z rw shared:1 tmpfs tmpfs rw"),
        Rejected("separator last", "45 26 0:54 / /z rw shared:1 -"),
        Rejected("device without colon", "46 26 254 / /z rw - ext4 /dev/vda rw"),
        Rejected("device not numeric", "47 26 a:b / /z rw - ext4 /dev/vda rw"),
        Rejected("minor missing", "48 26 8: / /z rw - ext4 /dev/vda rw"),
        Rejected("device overflow", "48 26 99999999999:1 / /z rw - ext4 /dev/vda rw"),
        Rejected("relative mount point", "49 26 8:1 / z rw - ext4 /dev/vda rw"),
        Rejected("too few fields", "50 26 8:1 / /z"), Rejected("empty", "")),
    [](const auto& info) {
        std::string name;
        for (const char* p = info.param.what; *p; ++p)
            if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
        return name;
    });

TEST(MountInfoVolumeTable, KeepsGoodLinesAroundBadOnes) {
    const std::string text = "garbage\n\n"
                             "26 1 254:0 / / rw - ext4 /dev/vda rw\n"
                             "27 26 x / /bad rw - ext4 /dev/vdb rw\n"
                             "28 26 0:24 / /run rw - tmpfs tmpfs rw"; // no final newline
    const auto mounts = ParseMountInfo(text);
    ASSERT_EQ(mounts.size(), 2u);
    EXPECT_EQ(mounts[0].mountPoint, "/");
    EXPECT_EQ(mounts[1].mountPoint, "/run");
}

TEST(MountInfoVolumeTable, RandomBytesNeverCrash) {
    std::mt19937 random(7);
    const std::string alphabet = "0123456789:/- \\\n\tabx";
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 200);
        for (int i = 0; i < length; ++i)
            text += random() % 8 == 0 ? static_cast<char>(random() % 256)
                                      : alphabet[random() % alphabet.size()];
        for (const MountEntry& m : ParseMountInfo(text)) {
            ASSERT_FALSE(m.mountPoint.empty());
            ASSERT_EQ(m.mountPoint[0], '/');
        }
        (void)UnescapeUdevName(text);
    }
}

struct FindCase {
    const char* what;
    unsigned major, minor;
    std::string path;
    std::string expectedMountPoint; // empty: no mount
};

const std::vector<MountEntry>& Table() {
    static const std::vector<MountEntry> table =
        ParseMountInfo("1 0 254:0 / / rw - ext4 /dev/vda rw\n"
                       "2 1 8:17 / /media/u/STICK rw - vfat /dev/sdb1 rw\n"
                       "3 1 8:17 /photos /home/u/photos rw - vfat /dev/sdb1 rw\n"
                       "4 1 0:40 / /mnt/cover rw - tmpfs first rw\n"
                       "5 4 0:41 / /mnt/cover rw - tmpfs second rw\n"
                       "6 1 0:33 / /data rw - btrfs /dev/sda2 rw\n");
    return table;
}

void PrintTo(const FindCase& c, std::ostream* os) {
    *os << c.what;
}

class MountInfoVolumeFind : public ::testing::TestWithParam<FindCase> {};

TEST_P(MountInfoVolumeFind, Mount) {
    const FindCase& c = GetParam();
    const MountEntry* m = FindMount(Table(), c.major, c.minor, c.path);
    if (c.expectedMountPoint.empty()) {
        EXPECT_EQ(m, nullptr);
        return;
    }
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->mountPoint, c.expectedMountPoint);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, MountInfoVolumeFind,
    ::testing::Values(FindCase{"root", 254, 0, "/etc", "/"},
                      FindCase{"stick", 8, 17, "/media/u/STICK/docs", "/media/u/STICK"},
                      FindCase{"bind mount of the stick", 8, 17, "/home/u/photos/2024",
                               "/home/u/photos"},
                      FindCase{"stick outside its mounts", 8, 17, "/elsewhere", "/home/u/photos"},
                      FindCase{"prefix is not a component", 254, 0, "/media/u/STICKER", "/"},
                      FindCase{"covered mount", 0, 41, "/mnt/cover/x", "/mnt/cover"},
                      FindCase{"btrfs subvolume device", 0, 99, "/data/subvol/x", "/data"},
                      FindCase{"unknown device, relative path", 0, 99, "relative", ""}),
    [](const auto& info) {
        std::string name;
        for (const char* p = info.param.what; *p; ++p)
            if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
        return name;
    });

TEST(MountInfoVolumeFind, LaterMountCoversEarlierAtSamePlace) {
    // Two tmpfs at one place; a path whose device is not listed lands on the one mounted last.
    const MountEntry* m = FindMount(Table(), 0, 77, "/mnt/cover/file");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->source, "second");
}

TEST(MountInfoVolumeFind, EmptyTable) {
    EXPECT_EQ(FindMount({}, 8, 1, "/"), nullptr);
}

struct UdevCase {
    std::string escaped, plain;
};

void PrintTo(const UdevCase& c, std::ostream* out) { *out << "'" << c.escaped << "'"; }

class MountInfoVolumeUdevName : public ::testing::TestWithParam<UdevCase> {};

TEST_P(MountInfoVolumeUdevName, Unescape) {
    EXPECT_EQ(UnescapeUdevName(GetParam().escaped), GetParam().plain);
}

INSTANTIATE_TEST_SUITE_P(
    Names, MountInfoVolumeUdevName,
    ::testing::Values(UdevCase{"MY\\x20STICK", "MY STICK"}, UdevCase{"a\\x2fb\\x5cc", "a/b\\c"},
                      UdevCase{"Caf\\xc3\\xA9", "Caf\xc3\xa9"}, UdevCase{"bad\\xZZ", "bad\\xZZ"},
                      UdevCase{"cut\\x2", "cut\\x2"}, UdevCase{"\\", "\\"}, UdevCase{"", ""}),
    [](const auto& info) { return CaseName(info.index, {info.param.escaped}); });

} // namespace

#include "platform/volumeinfo.h"
#include "support/testfiles.h"

#include "support/casename.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

struct SerialCase {
    const char* fsType;
    const char* uuid;
    uint32_t serial;
};

void PrintTo(const SerialCase& c, std::ostream* out) { *out << c.fsType << " " << c.uuid; }

class VolumeInfoSerialRules : public ::testing::TestWithParam<SerialCase> {};

TEST_P(VolumeInfoSerialRules, FromUuid) {
    const SerialCase& c = GetParam();
    EXPECT_EQ(VolumeSerial(c.fsType, c.uuid, "/dev/x", "/m"), c.serial)
        << c.fsType << " " << c.uuid;
}

INSTANTIATE_TEST_SUITE_P(
    Uuids, VolumeInfoSerialRules,
    ::testing::Values(SerialCase{"vfat", "ABCD-EF01", 0xABCDEF01},
                      SerialCase{"vfat", "abcd-ef01", 0xABCDEF01},
                      SerialCase{"exfat", "0000-0001", 0x00000001},
                      SerialCase{"ntfs3", "0123456789ABCDEF", 0x89ABCDEF},
                      SerialCase{"ntfs", "FFFFFFFF00000000", 0x00000000},
                      SerialCase{"fuseblk", "0123456789abcdef", 0x89ABCDEF},
                      SerialCase{"hfsplus", "0123456789ABCDEF", 0x01234567},
                      SerialCase{"ext4", "3f2a9c1e-7b44-4d0e-9a5c-0c1d2e3f4a5b", 0x3F2A9C1E},
                      SerialCase{"xfs", "00000000-0000-0000-0000-000000000001", 0},
                      SerialCase{"btrfs", "12-34-56-78-9a", 0x12345678},
                      // CRC-32 check value of "123456789"
                      SerialCase{"iso9660", "123456789", 0xCBF43926},
                      SerialCase{"udf", "123456789", 0xCBF43926}),
    [](const auto& info) { return CaseName(info.index, {info.param.fsType, info.param.uuid}); });

TEST(VolumeInfoSerialRules, OddUuidsAreNotReadAsDigits) {
    // Too few digits, or letters beyond F: the text is checksummed rather than half-parsed.
    EXPECT_NE(VolumeSerial("ext4", "1234", "s", "/m"), 0x1234u);
    EXPECT_NE(VolumeSerial("ext4", "1234567g-1234", "s", "/m"), 0x1234567u);
    EXPECT_EQ(VolumeSerial("ext4", "1234", "s", "/m"), VolumeSerial("ext4", "1234", "t", "/n"));
}

// A floppy-sized FAT12 file system: boot sector with volume ID and label, both FATs' media
// bytes, and the label entry in the root folder, which is where libblkid takes LABEL from.
std::string FatImage(uint32_t volumeId, const std::string& label11) {
    std::string image(2880 * 512, '\0');
    const unsigned char boot[] = {0xEB, 0x3C, 0x90, 'M', 'S', 'D', 'O', 'S',  '5',  '.',
                                  '0',  0x00, 0x02, 1,   1,   0,   2,   0xE0, 0x00, 0x40,
                                  0x0B, 0xF0, 9,    0,   18,  0,   2,   0};
    image.replace(0, sizeof boot, reinterpret_cast<const char*>(boot), sizeof boot);
    image[38] = 0x29;
    for (int i = 0; i < 4; ++i)
        image[39 + i] = static_cast<char>(volumeId >> (8 * i));
    image.replace(43, 11, label11);
    image.replace(54, 8, "FAT12   ");
    image[510] = 0x55;
    image[511] = static_cast<char>(0xAA);
    for (size_t fat : {512u, 10u * 512u})
        image.replace(fat, 3, "\xF0\xFF\xFF");
    image.replace(19 * 512, 11, label11);
    image[19 * 512 + 11] = 0x08; // volume label attribute
    return image;
}

TEST(VolumeInfoBlkid, ReadsLabelAndVolumeIdFromTheFileSystem) {
    const DeviceProbe probe = BlkidDeviceProbe();
    if (!probe) GTEST_SKIP() << "built without libblkid";
    TempDir dir;
    WriteWholeFile(dir.File("fat.img"), FatImage(0xABCDEF01, "MY STICK   "));
    std::string label, uuid;
    ASSERT_TRUE(probe(dir.File("fat.img"), label, uuid));
    EXPECT_EQ(label, "MY STICK");
    EXPECT_EQ(uuid, "ABCD-EF01");
    EXPECT_EQ(VolumeSerial("vfat", uuid, "", ""), 0xABCDEF01u);
    std::string noLabel, noUuid;
    EXPECT_FALSE(probe(dir.File("missing.img"), noLabel, noUuid));
    EXPECT_EQ(noLabel + noUuid, "");
}

struct FolderCase {
    std::vector<std::string> folders;
    std::string user;
    std::string expected; // below the root; "" is the root itself
};

void PrintTo(const FolderCase& c, std::ostream* out) {
    for (const std::string& f : c.folders) *out << f << " ";
    *out << "user '" << c.user << "'";
}

class VolumeInfoMediaFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(VolumeInfoMediaFolder, FirstExisting) {
    TempDir root;
    for (const std::string& f : GetParam().folders)
        fs::create_directories(root.File(f));
    WriteWholeFile(root.File("notafolder"), "");
    const std::string expected =
        GetParam().expected.empty() ? root.Path() : root.File(GetParam().expected);
    EXPECT_EQ(RemovableMediaFolder(root.Path(), GetParam().user), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, VolumeInfoMediaFolder,
    ::testing::Values(FolderCase{{"media/alice", "run/media/alice", "mnt"}, "alice", "media/alice"},
                      FolderCase{{"media/bob", "run/media/alice"}, "alice", "run/media/alice"},
                      FolderCase{{"media/bob", "mnt"}, "alice", "media"},
                      FolderCase{{"mnt"}, "alice", "mnt"}, FolderCase{{"media/alice"}, "", "media"},
                      FolderCase{{"media/x", "x"}, "../x", "media"}, FolderCase{{}, "alice", ""}),
    [](const auto& info) {
        std::string folders;
        for (const std::string& f : info.param.folders) folders += f + " ";
        return CaseName(info.index, {folders, "user", info.param.user});
    });

TEST(VolumeInfoMediaFolder, RealMachineAnswersAFolder) {
    const std::string folder = RemovableMediaFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(fs::is_directory(folder)) << folder;
}

} // namespace

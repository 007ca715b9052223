// One stream compressed in pieces on several threads must be the very stream a single libbz2
// pass writes: the files stay the same whatever the thread count, and every bzip2 reads them.
#include "catalogue/IO_BZIP.h"
#include "catalogue/parallelbzip.h"
#include "catalogue/streams.h"
#include "catalogue/workers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

namespace {

constexpr size_t kBlock = 100000 - 19; // bytes without runs that fill one block

std::string Random(size_t size, unsigned seed) {
    std::mt19937 r(seed);
    std::string s(size, '\0');
    for (char& c : s) c = static_cast<char>(r());
    return s;
}

// Runs of every length from 1 to 300, so the blocks end inside runs, at the 255 cut and
// between them.
std::string Runs(size_t size) {
    std::string s;
    for (unsigned n = 1; s.size() < size; n = n % 300 + 1) s.append(n, static_cast<char>('a' + n % 7));
    s.resize(size);
    return s;
}

// Text like a catalogue's records: names, numbers, zero bytes.
std::string Records(size_t size) {
    std::mt19937 r(7);
    std::string s;
    while (s.size() < size) {
        s += "IMG_" + std::to_string(r() % 100000) + ".JPG";
        s.append(4 + r() % 12, '\0');
    }
    s.resize(size);
    return s;
}

std::string Serial(const std::string& text) {
    TMemoryStream in, out;
    in.Write(text.data(), text.size());
    EXPECT_TRUE(CompressToFile(in, out));
    return out.ToString();
}

std::string Joined(const std::string& text, int threads) {
    auto in = std::make_shared<TMemoryStream>();
    in->Write(text.data(), text.size());
    TMemoryStream out;
    bool written = false, ok = false;
    TOrderedWork work(threads, 3); // a small window: pieces wait for the file in turn
    QueueCompressedStream(work, in, out, [&](bool good) {
        written = true;
        ok = good;
    });
    work.Finish();
    EXPECT_TRUE(written && ok);
    return out.ToString();
}

struct Case {
    const char* name;
    std::string text;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class ParallelStream : public ::testing::TestWithParam<Case> {};

TEST_P(ParallelStream, IsTheSingleThreadedStream) {
    const std::string& text = GetParam().text;
    const std::string serial = Serial(text);
    EXPECT_EQ(Joined(text, 3), serial);
    EXPECT_EQ(Joined(text, 1), serial);
    TMemoryStream compressed, back;
    compressed.Write(serial.data(), serial.size());
    ASSERT_TRUE(DecompressAll(compressed, back, true));
    EXPECT_EQ(back.ToString(), text);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, ParallelStream,
    ::testing::Values(Case{"Empty", ""}, Case{"OneByte", "x"},
                      Case{"ExactlyOneBlock", Random(kBlock, 1)},
                      Case{"OneByteOverOneBlock", Random(kBlock + 1, 2)},
                      Case{"FiveBlocksRandom", Random(5 * kBlock + 12345, 3)},
                      Case{"RunsAcrossBlocks", Runs(2'000'000)},
                      Case{"OneLongRun", std::string(12'000'000, 'z')},
                      Case{"RecordLike", Records(1'500'000)}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(ParallelStream, TheBzip2ProgramReadsIt) {
    const std::string text = Records(700'000) + Runs(300'000);
    const std::string stream = Joined(text, 4);
    char name[] = "/tmp/shelvix-pbz-XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, stream.data(), stream.size()), ssize_t(stream.size()));
    close(fd);
    FILE* pipe = popen(("bzip2 -dc " + std::string(name)).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string back;
    char buffer[65536];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) back.append(buffer, got);
    EXPECT_EQ(pclose(pipe), 0);
    std::remove(name);
    EXPECT_EQ(back, text);
}

} // namespace

#include "catalogue/IO_BZIP.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

std::string Hex(const std::string& bytes) {
    std::string out;
    char buf[4];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", c);
        out += buf;
    }
    if (!out.empty()) out.pop_back();
    return out;
}

std::string Written(const std::function<void(TStream&)>& write) {
    TMemoryStream s;
    write(s);
    return s.ToString();
}

// A stream that accepts or yields only a fixed number of bytes, as a full disk or short file would.
class ShortStream : public TStream {
public:
    ShortStream(size_t limit, std::string data = {}) : limit_(limit), data_(std::move(data)) {}
    size_t Read(void* buffer, size_t count) override {
        const size_t n = std::min(count, std::min(limit_, data_.size()) - std::min(pos_, std::min(limit_, data_.size())));
        std::memcpy(buffer, data_.data() + pos_, n);
        pos_ += n;
        return n;
    }
    size_t Write(const void*, size_t count) override {
        const size_t n = std::min(count, limit_ - std::min(pos_, limit_));
        pos_ += n;
        return n;
    }
    bool Seek(int64_t p) override { pos_ = static_cast<size_t>(p); return true; }
    int64_t Position() const override { return static_cast<int64_t>(pos_); }
    int64_t Size() const override { return static_cast<int64_t>(std::min(limit_, data_.size())); }

private:
    size_t limit_;
    std::string data_;
    size_t pos_ = 0;
};

} // namespace

TEST(FieldStream, EncodesLittleEndian) {
    struct Case {
        const char* what;
        std::function<void(TStream&)> write;
        const char* hex;
    } cases[] = {
        {"empty text", [](TStream& s) { WriteString(s, ""); }, "00 00 00 00"},
        {"Int -1", [](TStream& s) { WriteInt(s, -1); }, "FF FF FF FF"},
        {"Int64 5e9", [](TStream& s) { WriteInt64(s, 5000000000LL); }, "00 F2 05 2A 01 00 00 00"},
        {"Bool true", [](TStream& s) { WriteBool(s, true); }, "01 00 00 00"},
        {"Double 1.5", [](TStream& s) { WriteDouble(s, 1.5); }, "00 00 00 00 00 00 F8 3F"},
        {"text", [](TStream& s) { WriteString(s, "ab\xFF"); }, "03 00 00 00 61 62 FF"},
    };
    for (const auto& c : cases) EXPECT_EQ(Hex(Written(c.write)), c.hex) << c.what;
}

TEST(FieldStream, ReadsBackWhatWasWritten) {
    TMemoryStream s;
    WriteInt(s, INT32_MIN);
    WriteInt64(s, -7);
    WriteDouble(s, 45000.25);
    WriteString(s, std::string("a\0b", 3));
    WriteInt(s, 2);
    s.Seek(0);
    EXPECT_EQ(ReadInt(s), INT32_MIN);
    EXPECT_EQ(ReadInt64(s), -7);
    EXPECT_EQ(ReadDouble(s), 45000.25);
    EXPECT_EQ(ReadString(s), std::string("a\0b", 3));
    EXPECT_TRUE(ReadBool(s)); // any value but 0 is true
}

TEST(FieldStream, ShortReadsAndWritesCarryTheirMessages) {
    struct Case {
        const char* what;
        std::string bytes;
        std::function<void(TStream&)> read;
        const char* message;
    } reads[] = {
        {"3 bytes for an Int", std::string(3, '\0'), [](TStream& s) { ReadInt(s); }, "File Read Error: Int"},
        {"Bool", "", [](TStream& s) { ReadBool(s); }, "File Read Error: Int"},
        {"Int64", std::string(7, '\0'), [](TStream& s) { ReadInt64(s); }, "File Read Error: Int64"},
        {"Double", std::string(4, '\0'), [](TStream& s) { ReadDouble(s); }, "File Read Error: Double"},
        {"length 10, 4 bytes", std::string("\x0A\0\0\0abcd", 8), [](TStream& s) { ReadString(s); }, "File Read Error: String"},
        {"negative length", std::string("\xFF\xFF\xFF\xFF", 4), [](TStream& s) { ReadString(s); }, "File Read Error: String"},
        {"huge length", std::string("\xFF\xFF\xFF\x7F", 4), [](TStream& s) { ReadString(s); }, "File Read Error: String"},
        {"length cut", std::string("\x01\0", 2), [](TStream& s) { ReadString(s); }, "File Read Error: Int"},
    };
    for (const auto& c : reads) {
        TMemoryStream s;
        s.Write(c.bytes.data(), c.bytes.size());
        s.Seek(0);
        try {
            c.read(s);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const EShelvixError& e) {
            EXPECT_STREQ(e.what(), c.message) << c.what;
        }
    }
    struct WriteCase {
        size_t room;
        std::function<void(TStream&)> write;
        const char* message;
    } writes[] = {
        {2, [](TStream& s) { WriteInt(s, 1); }, "File Write Error: Int"},
        {2, [](TStream& s) { WriteBool(s, true); }, "File Write Error: Int"},
        {4, [](TStream& s) { WriteInt64(s, 1); }, "File Write Error: Int64"},
        {0, [](TStream& s) { WriteDouble(s, 1); }, "File Write Error: Double"},
        {3, [](TStream& s) { WriteString(s, "abc"); }, "File Write Error: Int"},
        {5, [](TStream& s) { WriteString(s, "abc"); }, "File Write Error: String"},
    };
    for (const auto& c : writes) {
        ShortStream s(c.room);
        try {
            c.write(s);
            ADD_FAILURE() << c.message << ": no error";
        } catch (const EShelvixError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(FormatSize, ThresholdsAndRounding) {
    SetDecimalSeparator('.');
    const std::pair<int64_t, const char*> cases[] = {
        {0, "0 KB"},          {1024, "0 KB"},          {1025, "1.00 KB"},
        {1536, "1.50 KB"},    {1048576, "1024.00 KB"}, {1048577, "1.00 MB"},
        {1073741824, "1024.00 MB"}, {1073741825, "1.00 GB"}, {5368709120LL, "5.00 GB"},
        {-1, "0 KB"},         {1152, "1.13 KB"}, // 1.125: halves go away from zero
        {INT64_MAX, "8589934592.00 GB"},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(FormatSize(bytes), text) << bytes;
    SetDecimalSeparator(',');
    EXPECT_EQ(FormatSize(1536), "1,50 KB");
    SetDecimalSeparator('.');
}

TEST(Dates, ZoneBiasShiftsStoredDates) {
    SetZoneBias(1.0 / 24); // local time one hour behind UTC
    const double local = 45000.5;
    EXPECT_DOUBLE_EQ(LocalToStored(local), local + 1.0 / 24);
    EXPECT_EQ(StoredToLocal(LocalToStored(local)), local);
    SetZoneBias(0);
    // 1 January 1601 is day -109205; 1 January 1970 is day 25569.
    EXPECT_DOUBLE_EQ(FileTimeToDate(0), -109205.0);
    EXPECT_DOUBLE_EQ(FileTimeToDate(116444736000000000LL), 25569.0);
    EXPECT_DOUBLE_EQ(FileTimeToDate(116444736000000000LL + 864000000000LL / 2), 25569.5);
}

TEST(Compression, RoundTripsAndUsesBlockSizeOne) {
    TempDir dir;
    TMemoryStream payload;
    for (int i = 0; i < 300000; ++i) WriteInt(payload, i * 7);
    ASSERT_TRUE(SaveCompressedFile(payload, dir.File("a.bz2")));
    const std::string raw = ReadWholeFile(dir.File("a.bz2"));
    EXPECT_EQ(raw.substr(0, 4), "BZh1");
    auto back = LoadCompressedFile(dir.File("a.bz2"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->ToString(), payload.ToString());
    EXPECT_EQ(back->Position(), 0);
}

TEST(Compression, DecompressCountNeedsEveryByte) {
    TempDir dir;
    TMemoryStream payload;
    WriteString(payload, std::string(1000, 'x'));
    ASSERT_TRUE(SaveCompressedFile(payload, dir.File("b")));
    const std::string compressed = ReadWholeFile(dir.File("b"));
    const struct {
        const char* what;
        std::string file;
        int64_t count;
        bool ok;
    } cases[] = {
        {"exact", compressed, 1004, true},
        {"fewer than the stream holds", compressed, 10, false},
        {"more than the stream holds", compressed, 1005, false},
        {"far more", compressed, INT32_MAX, false},
        {"truncated", compressed.substr(0, compressed.size() / 2), 1004, false},
        {"not bzip2", std::string(200, 'z'), 10, false},
        {"empty", "", 1, false},
        {"nothing asked", "", 0, true},
    };
    for (const auto& c : cases) {
        WriteWholeFile(dir.File("c"), c.file);
        auto file = OpenFile(dir.File("c"), false);
        ASSERT_TRUE(file);
        TMemoryStream out;
        EXPECT_EQ(DecompressCount(*file, out, c.count), c.ok) << c.what;
        if (c.ok) {
            EXPECT_EQ(out.ToString(), payload.ToString().substr(0, c.count)) << c.what;
        }
    }
}

TEST(Compression, DecompressAllRejectsDamage) {
    TempDir dir;
    TMemoryStream payload;
    WriteString(payload, "hello");
    ASSERT_TRUE(SaveCompressedFile(payload, dir.File("ok")));
    std::string damaged = ReadWholeFile(dir.File("ok"));
    damaged[damaged.size() / 2] ^= 0x55;
    WriteWholeFile(dir.File("bad"), damaged);
    WriteWholeFile(dir.File("cut"), ReadWholeFile(dir.File("ok")).substr(0, 20));
    WriteWholeFile(dir.File("empty"), "");
    for (const char* name : {"bad", "cut", "empty", "missing"})
        EXPECT_FALSE(LoadCompressedFile(dir.File(name))) << name;
}

TEST(Compression, CompressToFileFailsOnShortWrite) {
    TMemoryStream payload;
    WriteString(payload, std::string(5000, 'q'));
    ShortStream full(10);
    EXPECT_FALSE(CompressToFile(payload, full));
}

TEST(Files, LocksStandInForSharingModes) {
    TempDir dir;
    WriteWholeFile(dir.File("f"), "data");
    auto reader = OpenFile(dir.File("f"), true);
    ASSERT_TRUE(reader);
    EXPECT_TRUE(OpenFile(dir.File("f"), false)) << "readers share";
    EXPECT_FALSE(TFileStream::Open(dir.File("f"), TFileStream::Mode::CreateOrTruncate))
        << "no writer while a reader holds the file";
    EXPECT_EQ(ReadWholeFile(dir.File("f")), "data") << "a refused writer must not truncate";
    auto created = CreateNewFile(dir.File("g"));
    ASSERT_TRUE(created);
    EXPECT_FALSE(OpenFile(dir.File("g"), false)) << "a new file is held exclusively";
    created.reset();
    EXPECT_TRUE(OpenFile(dir.File("g"), false));
    EXPECT_FALSE(OpenFile(dir.File("missing"), false));
    EXPECT_FALSE(OpenFile(dir.Path(), false)) << "a folder is not a file";
}

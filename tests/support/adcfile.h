// "Advanced disc catalog" files written field by field for the import tests: little-endian ints
// and int64s, strings as a length and their bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class AdcBytes {
public:
    AdcBytes& Int(int32_t v) { return Raw(static_cast<uint64_t>(static_cast<uint32_t>(v)), 4); }
    AdcBytes& Int64(int64_t v) { return Raw(static_cast<uint64_t>(v), 8); }
    AdcBytes& Str(std::string_view text) {
        Int(static_cast<int32_t>(text.size()));
        bytes_.append(text);
        return *this;
    }
    // The header up to the category records: signature, skipped int, int64, C, skipped int.
    AdcBytes& Header(int32_t categories, std::string_view signature = "ADC.Catalog") {
        return Str(signature).Int(7).Int64(-1).Int(categories).Int(0);
    }
    AdcBytes& Category(std::string_view name) { return Int(0).Str(name); }
    // A medium record up to its root level: fields 1 to 10.
    AdcBytes& Medium(std::string_view serial, std::string_view label, int32_t driveType,
                     int32_t category, std::string_view notice) {
        Str("skipped").Str(serial).Str(label).Int(driveType).Int(0).Int(0).Int64(0);
        for (int i = 0; i < 4; ++i) Int(-1);
        return Int(category).Str(notice);
    }
    // A file record with its member count; the members follow with Member.
    AdcBytes& File(std::string_view name, int32_t category, int32_t size, int64_t ticks,
                   int32_t members = 0) {
        return Str(name).Int(category).Str("x").Int(size).Int64(ticks).Int(members);
    }
    AdcBytes& Member(std::string_view name, int32_t size, int64_t ticks) {
        return Str(name).Int(size).Int64(ticks);
    }
    // A folder record; its own level (counts and records) follows at once.
    AdcBytes& Folder(std::string_view name, int32_t category) {
        return Str(name).Int(category).Str("y");
    }
    const std::string& Text() const { return bytes_; }
    size_t Size() const { return bytes_.size(); }
    // The first `count` bytes: a file that ends early.
    std::string Cut(size_t count) const { return bytes_.substr(0, count); }

private:
    AdcBytes& Raw(uint64_t bits, int count) {
        for (int i = 0; i < count; ++i) bytes_ += static_cast<char>((bits >> (8 * i)) & 0xFF);
        return *this;
    }
    std::string bytes_;
};

// 2020-01-01 00:00 as 100-ns ticks since 1601-01-01, and its day count since 1899-12-30.
constexpr int64_t kTicks2020 = 132223104000000000LL;
constexpr double kDay2020 = 43831.0;

// The toolkit every Shelvix file is built from: typed little-endian fields on byte streams,
// whole bzip2 streams between memory and files, entry dates between local and stored time,
// and the size text of the views.
#pragma once

#include "streams.h"

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

// The general error of the field and compression routines: only a message.
class EShelvixError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Little-endian fields on any stream type; the stream type is a template parameter so that
// the in-memory stream's calls inline.
namespace fieldstream {
template <typename T, typename S> void WriteLE(S& stream, T value, const char* message) {
    unsigned char bytes[sizeof(T)];
    using U = std::make_unsigned_t<T>;
    const U bits = static_cast<U>(value);
    for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
    if (stream.Write(bytes, sizeof(T)) != sizeof(T)) throw EShelvixError(message);
}

template <typename T, typename S> T ReadLE(S& stream, const char* message) {
    unsigned char bytes[sizeof(T)];
    if (stream.Read(bytes, sizeof(T)) != sizeof(T)) throw EShelvixError(message);
    using U = std::make_unsigned_t<T>;
    U bits = 0;
    for (size_t i = 0; i < sizeof(T); ++i) bits |= static_cast<U>(bytes[i]) << (8 * i);
    return static_cast<T>(bits);
}

template <typename S> void WriteDoubleTo(S& stream, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    WriteLE<uint64_t>(stream, bits, "File Write Error: Double");
}

template <typename S> double ReadDoubleFrom(S& stream) {
    const uint64_t bits = ReadLE<uint64_t>(stream, "File Read Error: Double");
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

template <typename S> void WriteStringTo(S& stream, std::string_view text) {
    if (text.size() > INT32_MAX) throw EShelvixError("File Write Error: String");
    WriteLE<int32_t>(stream, static_cast<int32_t>(text.size()), "File Write Error: Int");
    if (!text.empty() && stream.Write(text.data(), text.size()) != text.size())
        throw EShelvixError("File Write Error: String");
}
} // namespace fieldstream

void WriteInt(TStream& stream, int32_t value);
void WriteBool(TStream& stream, bool flag);
void WriteInt64(TStream& stream, int64_t value);
void WriteDouble(TStream& stream, double value);
void WriteString(TStream& stream, std::string_view text);

int32_t ReadInt(TStream& stream);
bool ReadBool(TStream& stream);
int64_t ReadInt64(TStream& stream);
double ReadDouble(TStream& stream);
std::string ReadString(TStream& stream);
// As ReadString, reusing the caller's buffer (no allocation once it is large enough).
void ReadStringTo(TStream& stream, std::string& text);

// The same fields on the in-memory stream, inlined.
inline void WriteInt(TMemoryStream& s, int32_t v) { fieldstream::WriteLE<int32_t>(s, v, "File Write Error: Int"); }
inline void WriteBool(TMemoryStream& s, bool f) { WriteInt(s, f ? 1 : 0); }
inline void WriteInt64(TMemoryStream& s, int64_t v) { fieldstream::WriteLE<int64_t>(s, v, "File Write Error: Int64"); }
inline void WriteDouble(TMemoryStream& s, double v) { fieldstream::WriteDoubleTo(s, v); }
inline void WriteString(TMemoryStream& s, std::string_view t) { fieldstream::WriteStringTo(s, t); }
namespace fieldstream {
[[noreturn, gnu::cold, gnu::noinline]] void ThrowFieldError(const char* message);
// Straight from the buffer: a content block is millions of these small reads.
template <typename T> inline T ReadInPlace(TMemoryStream& stream, const char* message) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(stream.Take(sizeof(T)));
    if (!bytes) ThrowFieldError(message);
    using U = std::make_unsigned_t<T>;
    U bits = 0;
    for (size_t i = 0; i < sizeof(T); ++i) bits |= static_cast<U>(bytes[i]) << (8 * i);
    return static_cast<T>(bits);
}
} // namespace fieldstream
inline int32_t ReadInt(TMemoryStream& s) { return fieldstream::ReadInPlace<int32_t>(s, "File Read Error: Int"); }
inline bool ReadBool(TMemoryStream& s) { return ReadInt(s) != 0; }
inline int64_t ReadInt64(TMemoryStream& s) { return fieldstream::ReadInPlace<int64_t>(s, "File Read Error: Int64"); }
inline double ReadDouble(TMemoryStream& s) {
    const uint64_t bits = fieldstream::ReadInPlace<uint64_t>(s, "File Read Error: Double");
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
// A String field's bytes in place, valid while the stream is unchanged.
inline std::string_view ReadStringView(TMemoryStream& s) {
    const int32_t length = ReadInt(s);
    const char* bytes = length < 0 ? nullptr : s.Take(static_cast<size_t>(length));
    if (!bytes) throw EShelvixError("File Read Error: String");
    return {bytes, static_cast<size_t>(length)};
}

// Opens an existing file; others may read it but not write it while it is open.
std::unique_ptr<TFileStream> OpenFile(const std::string& fileName, bool writable);
// Deletes the file if it exists and creates it empty with exclusive access.
std::unique_ptr<TFileStream> CreateNewFile(const std::string& fileName);

bool CompressToFile(const TMemoryStream& memory, TStream& file);
bool DecompressAll(TStream& file, TMemoryStream& memory, bool rewind);
bool DecompressCount(TStream& file, TMemoryStream& memory, int64_t count);
// Whole-file helpers. A decompressed file larger than kMaxWholeFileBytes counts as damaged.
constexpr size_t kMaxWholeFileBytes = size_t(1) << 28;
std::unique_ptr<TMemoryStream> LoadCompressedFile(const std::string& fileName);
bool SaveCompressedFile(const TMemoryStream& memory, const std::string& fileName);

// Zone bias: UTC minus local time, in days, taken once at start-up.
double ZoneBias();
void InitZoneBias();
void SetZoneBias(double days); // tests
double LocalToStored(double date);
double StoredToLocal(double date);
double FileTimeToDate(int64_t ticks);
// A file time of 0 means "no time" where the other program wrote it (1 January 1601 00:00, a
// date no file has). Views and reports show no date for it; the value itself is kept, within
// the rounding a save and load through the zone bias may add.
constexpr double kNoFileTimeDate = -109205.0;
inline bool IsNoFileTime(double date) {
    return date > kNoFileTimeDate - 1e-6 && date < kNoFileTimeDate + 1e-6;
}
// The day count of a Unix time in local time (whole seconds), as the scan stores it.
double UnixTimeToLocalDate(int64_t seconds);

// Days from 1970-01-01 to a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day);
void CivilFromDays(int64_t days, int64_t& year, unsigned& month, unsigned& day);
constexpr int64_t kDayCountOf1970 = 25569; // 1970-01-01 as days since 1899-12-30

// "0 KB", "1.50 KB", "1.00 MB", "5.00 GB" with the locale's decimal separator.
std::string FormatSize(int64_t bytes);
// The separator FormatSize uses; taken from the C locale unless set (tests, the GUI).
void SetDecimalSeparator(char separator);
char DecimalSeparator();

// The toolkit every Shelvix file is built from: typed little-endian fields on byte streams,
// whole bzip2 streams between memory and files, entry dates between local and stored time,
// and the size text of the views.
#pragma once

#include "streams.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

// The general error of the field and compression routines: only a message.
class EShelvixError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

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
// The day count of a Unix time in local time (whole seconds), as the scan stores it.
double UnixTimeToLocalDate(int64_t seconds);

// "0 KB", "1.50 KB", "1.00 MB", "5.00 GB" with the locale's decimal separator.
std::string FormatSize(int64_t bytes);
// The separator FormatSize uses; taken from the C locale unless set (tests, the GUI).
void SetDecimalSeparator(char separator);
char DecimalSeparator();

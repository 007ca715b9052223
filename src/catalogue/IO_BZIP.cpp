#include "IO_BZIP.h"

#include <bzlib.h>
#include <atomic>
#include <mutex>
#include <cmath>
#include <clocale>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace {

[[noreturn]] void BzipError(int status) { throw EShelvixError("error " + std::to_string(status)); }

constexpr size_t kOutputBuffer = 65536; // compressed bytes handed to the file at a time
constexpr size_t kPiece = 256;          // decompressed bytes asked for at a time
constexpr size_t kInputBuffer = 65536;

// Feeds a decompressor from a file stream, a buffer at a time.
class Decompressor {
public:
    explicit Decompressor(TStream& file) : file_(file) {
        std::memset(&bz_, 0, sizeof bz_);
        const int status = BZ2_bzDecompressInit(&bz_, 0, 0);
        if (status != BZ_OK) BzipError(status);
    }
    ~Decompressor() { BZ2_bzDecompressEnd(&bz_); }

    // Up to `count` bytes into `out`; returns how many were delivered. `ended` is set at the
    // end of the bzip2 stream or when the file has no more input.
    size_t Next(char* out, size_t count, bool& ended) {
        size_t delivered = 0;
        while (delivered == 0) {
            if (bz_.avail_in == 0 && !fileEnded_) {
                const size_t got = file_.Read(input_, sizeof input_);
                if (got == 0) fileEnded_ = true;
                bz_.next_in = input_;
                bz_.avail_in = static_cast<unsigned>(got);
            }
            bz_.next_out = out;
            bz_.avail_out = static_cast<unsigned>(count);
            const unsigned before = bz_.avail_in;
            const int status = BZ2_bzDecompress(&bz_);
            if (status < 0) BzipError(status);
            delivered = count - bz_.avail_out;
            if (status == BZ_STREAM_END) {
                streamEnded_ = true;
                break;
            }
            if (delivered == 0 && (fileEnded_ || bz_.avail_in == before)) break; // no progress
        }
        ended = streamEnded_ || (delivered == 0);
        return delivered;
    }
    bool StreamEnded() const { return streamEnded_; }

private:
    TStream& file_;
    bz_stream bz_;
    char input_[kInputBuffer];
    bool fileEnded_ = false;
    bool streamEnded_ = false;
};

// Taken on first use, possibly by several loading threads at once: the flag publishes the value.
double zoneBias = 0;
std::atomic<bool> zoneBiasSet{false};
std::mutex zoneBiasMutex;
char decimalSeparator = 0;

} // namespace

void fieldstream::ThrowFieldError(const char* message) { throw EShelvixError(message); }

using fieldstream::ReadLE;
using fieldstream::WriteLE;

void WriteInt(TStream& s, int32_t v) { WriteLE<int32_t>(s, v, "File Write Error: Int"); }
void WriteBool(TStream& s, bool f) { WriteInt(s, f ? 1 : 0); }
void WriteInt64(TStream& s, int64_t v) { WriteLE<int64_t>(s, v, "File Write Error: Int64"); }
void WriteDouble(TStream& s, double v) { fieldstream::WriteDoubleTo(s, v); }
void WriteString(TStream& s, std::string_view text) { fieldstream::WriteStringTo(s, text); }
int32_t ReadInt(TStream& s) { return ReadLE<int32_t>(s, "File Read Error: Int"); }
bool ReadBool(TStream& s) { return ReadInt(s) != 0; }
int64_t ReadInt64(TStream& s) { return ReadLE<int64_t>(s, "File Read Error: Int64"); }
double ReadDouble(TStream& s) { return fieldstream::ReadDoubleFrom(s); }

void ReadStringTo(TStream& s, std::string& text) {
    const int32_t length = ReadInt(s);
    const int64_t remaining = s.Remaining();
    // The length is checked against what the stream holds before any room is made for it.
    if (length < 0 || (remaining >= 0 && length > remaining))
        throw EShelvixError("File Read Error: String");
    text.clear();
    size_t done = 0;
    const size_t total = static_cast<size_t>(length);
    while (done < total) {
        const size_t step = remaining >= 0 ? total - done : std::min<size_t>(total - done, 65536);
        text.resize(done + step);
        const size_t got = s.Read(text.data() + done, step);
        done += got;
        if (got < step) throw EShelvixError("File Read Error: String");
    }
}

std::string ReadString(TStream& s) {
    std::string text;
    ReadStringTo(s, text);
    return text;
}

std::unique_ptr<TFileStream> OpenFile(const std::string& fileName, bool writable) {
    return TFileStream::Open(fileName, writable ? TFileStream::Mode::ReadWrite
                                                : TFileStream::Mode::ReadOnly);
}

std::unique_ptr<TFileStream> CreateNewFile(const std::string& fileName) {
    ::unlink(fileName.c_str());
    return TFileStream::Open(fileName, TFileStream::Mode::CreateExclusive);
}

bool CompressToFile(const TMemoryStream& memory, TStream& file) {
    bz_stream bz;
    std::memset(&bz, 0, sizeof bz);
    if (BZ2_bzCompressInit(&bz, 1, 0, 0) != BZ_OK) return false;
    bool ok = true;
    try {
        static thread_local char output[kOutputBuffer];
        const char* next = memory.Data();
        size_t left = static_cast<size_t>(memory.Size());
        int action = BZ_RUN;
        for (;;) {
            if (bz.avail_in == 0 && left > 0) {
                const size_t step = std::min<size_t>(left, 1u << 30);
                bz.next_in = const_cast<char*>(next);
                bz.avail_in = static_cast<unsigned>(step);
                next += step;
                left -= step;
            }
            if (bz.avail_in == 0 && left == 0) action = BZ_FINISH;
            bz.next_out = output;
            bz.avail_out = kOutputBuffer;
            const int status = BZ2_bzCompress(&bz, action);
            if (status < 0) BzipError(status);
            const size_t produced = kOutputBuffer - bz.avail_out;
            if (produced && file.Write(output, produced) != produced) {
                ok = false;
                break;
            }
            if (status == BZ_STREAM_END) break;
        }
    } catch (const EShelvixError&) {
        ok = false;
    }
    BZ2_bzCompressEnd(&bz);
    return ok;
}

bool DecompressAll(TStream& file, TMemoryStream& memory, bool rewind) {
    try {
        if (rewind && !file.Seek(0)) return false;
        Decompressor source(file);
        for (;;) {
            char* room = memory.AppendSpace(kPiece);
            if (!room) return false;
            bool ended = false;
            const size_t got = source.Next(room, kPiece, ended);
            memory.CommitAppend(got);
            if (ended) return source.StreamEnded();
        }
    } catch (const EShelvixError&) {
        return false;
    }
}

bool DecompressCount(TStream& file, TMemoryStream& memory, int64_t count) {
    try {
        Decompressor source(file);
        const bool asked = count > 0;
        while (count > 0) {
            const size_t piece = static_cast<size_t>(std::min<int64_t>(count, kPiece));
            char* room = memory.AppendSpace(piece);
            if (!room) return false;
            bool ended = false;
            const size_t got = source.Next(room, piece, ended);
            memory.CommitAppend(got);
            count -= static_cast<int64_t>(got);
            if (got == 0) return false; // the data ended before count bytes came out
        }
        // Read on to the end of the stream so that bzip2 checks its block and stream checksums:
        // damaged data must fail here, not load as a different tree.
        // The content is exactly `count` bytes long: a stream with more in it is another block.
        char scratch[kPiece];
        while (asked && !source.StreamEnded()) {
            bool ended = false;
            if (source.Next(scratch, sizeof scratch, ended) != 0) return false;
            if (!source.StreamEnded()) return false;
        }
        return true;
    } catch (const EShelvixError&) {
        return false;
    }
}

std::unique_ptr<TMemoryStream> LoadCompressedFile(const std::string& fileName) {
    auto file = OpenFile(fileName, false);
    if (!file) return nullptr;
    auto memory = std::make_unique<TMemoryStream>();
    memory->SetLimit(kMaxWholeFileBytes);
    if (!DecompressAll(*file, *memory, true)) return nullptr;
    memory->Seek(0);
    return memory;
}

bool SaveCompressedFile(const TMemoryStream& memory, const std::string& fileName) {
    auto file = TFileStream::Open(fileName, TFileStream::Mode::CreateOrTruncate);
    return file && CompressToFile(memory, *file);
}

namespace {
// With zoneBiasMutex held.
void ComputeZoneBias() {
    const time_t now = ::time(nullptr);
    struct tm local {};
    if (::localtime_r(&now, &local)) zoneBias = -static_cast<double>(local.tm_gmtoff) / 86400.0;
    else zoneBias = 0;
    zoneBiasSet.store(true, std::memory_order_release);
}
} // namespace

void InitZoneBias() {
    std::lock_guard<std::mutex> lock(zoneBiasMutex);
    ComputeZoneBias();
}

double ZoneBias() {
    if (!zoneBiasSet.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> lock(zoneBiasMutex);
        if (!zoneBiasSet.load(std::memory_order_relaxed)) ComputeZoneBias();
    }
    return zoneBias;
}

void SetZoneBias(double days) {
    std::lock_guard<std::mutex> lock(zoneBiasMutex);
    zoneBias = days;
    zoneBiasSet.store(true, std::memory_order_release);
}

double LocalToStored(double date) { return date + ZoneBias(); }
double StoredToLocal(double date) { return date - ZoneBias(); }

double FileTimeToDate(int64_t ticks) {
    return static_cast<double>(static_cast<long double>(ticks) / 864000000000.0L - 109205.0L);
}

// H. Hinnant's algorithms for the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
}

double UnixTimeToLocalDate(int64_t seconds) {
    const time_t t = static_cast<time_t>(seconds);
    struct tm local {};
    if (!::localtime_r(&t, &local)) return 0;
    const int64_t days = DaysFromCivil(local.tm_year + 1900LL, local.tm_mon + 1, local.tm_mday);
    const int secondsOfDay = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    return static_cast<double>(days + kDayCountOf1970) + secondsOfDay / 86400.0;
}

void SetDecimalSeparator(char separator) { decimalSeparator = separator; }

char DecimalSeparator() {
    if (decimalSeparator) return decimalSeparator;
    const lconv* conv = std::localeconv();
    return conv && conv->decimal_point && conv->decimal_point[0] ? conv->decimal_point[0] : '.';
}

std::string FormatSize(int64_t bytes) {
    static constexpr struct { int64_t unit; const char* suffix; } kUnits[] = {
        {1073741824LL, " GB"}, {1048576LL, " MB"}, {1024LL, " KB"}};
    for (const auto& u : kUnits) {
        if (bytes > u.unit) {
            // Two decimals, halves away from zero, computed in extended precision.
            const long double hundredths =
                std::floor(static_cast<long double>(bytes) * 100.0L / u.unit + 0.5L);
            const auto whole = static_cast<unsigned long long>(hundredths / 100.0L);
            const auto frac = static_cast<unsigned>(hundredths - static_cast<long double>(whole) * 100.0L);
            char text[64];
            std::snprintf(text, sizeof text, "%llu%c%02u%s", whole, DecimalSeparator(), frac,
                          u.suffix);
            return text;
        }
    }
    return "0 KB";
}

// Texts the views show for entries and media. Catalogue strings are bytes in the system's 8-bit
// code page (UTF-8 here); they become QStrings only at this point, for display.
#include "language/messagetable.h"
#include "widgets/mediaviewmodels.h"
#include "catalogue/IO_BZIP.h"

#include <QDate>
#include <QLocale>
#include <QStringList>
#include <QTime>

#include <cmath>
#include <iterator>

namespace {

QString Bytes(const std::string& text) { return QString::fromLocal8Bit(text); }

QString SizeText(int64_t bytes) { return QString::fromLocal8Bit(FormatSize(bytes)); }

// The day counts of 1 January 1 and 31 December 9999; outside them there is no calendar date.
constexpr double kFirstDay = -693593.0;
constexpr double kLastDay = 2958466.0;
constexpr int64_t kMsPerDay = 86400000;

// Qt's long time formats end in a time-zone field ("HH:mm:ss t"). Entry dates are local times
// without a zone, and a zone name would claim one, so the field is dropped together with the
// blank that separates it. Quoted literal text is left alone.
QString WithoutZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'') quoted = !quoted;
        if (quoted || c != u't') {
            out += c;
            continue;
        }
        while (i + 1 < format.size() && format.at(i + 1) == u't') ++i;
        while (out.endsWith(u' ')) out.chop(1);
    }
    return out.trimmed();
}

} // namespace

QString EntrySizeText(const CFile& entry) { return SizeText(entry.Size); }

QString EntryDateText(double dayCount) {
    if (!std::isfinite(dayCount) || dayCount < kFirstDay || dayCount >= kLastDay) return {};
    // The whole part counts days from 30 December 1899; the fraction is the time of day, also
    // for days before that date, where -1.25 is 29 December 1899, 06:00.
    double whole = std::trunc(dayCount);
    // Rounded to milliseconds first so that a stored 12:00:01 (0.50001157...) whose binary value
    // lies a hair below the second still shows 12:00:01; the milliseconds are then dropped.
    int64_t ms = std::llround(std::fabs(dayCount - whole) * kMsPerDay);
    if (ms >= kMsPerDay) { // 23:59:59.9996 rounds up into the next calendar day's midnight
        ms -= kMsPerDay;
        whole += 1;
    }
    const QDate date = QDate(1899, 12, 30).addDays(static_cast<qint64>(whole));
    if (!date.isValid()) return {};
    const QLocale locale = QLocale::system();
    QString text = locale.toString(date, QLocale::ShortFormat);
    const int seconds = static_cast<int>(ms / 1000);
    if (seconds == 0) return text;
    const QTime time(seconds / 3600, seconds / 60 % 60, seconds % 60);
    text += u' ';
    text += locale.toString(time, WithoutZone(locale.timeFormat(QLocale::LongFormat)));
    return text;
}

QStringList FullDateSamples() {
    QStringList samples;
    for (int month = 1; month <= 12; ++month) {
        const double day = static_cast<double>(QDate(1899, 12, 30).daysTo(QDate(2028, month, 28)));
        for (int hour : {11, 23}) samples << EntryDateText(day + (hour * 3600 + 58 * 60 + 58) / 86400.0);
    }
    return samples;
}

QString MediumHint(const CMedium& medium) {
    namespace M = ShelvixMessages;
    const auto line = [](const std::string& variable, const QString& value) {
        return Bytes(variable) + QStringLiteral(":  ") + value;
    };
    const QStringList lines = {
        line(M::msgName, Bytes(medium.Name)),
        line(M::msgLabel, Bytes(medium.VolumeLabel)),
        line(M::msgSerial, Bytes(medium.Serial)),
        line(M::msgSize, SizeText(medium.TotalSize)),
        line(M::msgDirs, QString::number(medium.FolderCount)),
        line(M::msgFiles, QString::number(medium.FileCount)),
        line(M::msgCategory, Bytes(medium.CategoryName())),
        line(M::msgNotice, Bytes(medium.Notice)),
    };
    return lines.join(u'\r');
}

QString MediumStatusText(const CMedium& medium) {
    namespace M = ShelvixMessages;
    return Bytes(M::msgFiles) + QStringLiteral(": ") + QString::number(medium.FileCount) +
           QStringLiteral(" (") + SizeText(medium.TotalSize) + QStringLiteral("), ") +
           Bytes(M::msgDirs) + QStringLiteral(": ") + QString::number(medium.FolderCount);
}

int DriveImageIndex(uint32_t driveType) {
    static constexpr int kIcons[] = {6, 5, 0, 1, 2, 3, 4};
    return driveType < std::size(kIcons) ? kIcons[driveType] : -1;
}

int EntryImageIndex(const CFile& entry) {
    enum Icon { iconFolder = 0, iconFile = 2, iconArchive = 3 };
    return entry.Kind == kindFolder ? iconFolder : entry.Kind == kindArchive ? iconArchive : iconFile;
}

// Texts the views show for entries and media. Catalogue strings are bytes in the system's 8-bit
// code page (UTF-8 here); they become QStrings only at this point, for display.
#include "language/messagetable.h"
#include "widgets/mediaviewmodels.h"
#include "widgets/mountwatcher.h"
#include "catalogue/IO_BZIP.h"

#include <QDate>
#include <QHash>
#include <QIcon>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QLocale>
#include <QStringList>
#include <QTime>

#include <algorithm>
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
QString SizeCellText(int64_t bytes) { return SizeText(bytes); }

QString ExactSizeText(int64_t bytes) {
    return QLocale::system().toString(qint64(bytes)) + (bytes == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes"));
}

QString EntryStatusText(const CFile& entry) {
    if (entry.Kind == kindFolder) return {};
    const std::string_view name = entry.Name();
    QString text = QStringLiteral("\u00AB") + QString::fromLocal8Bit(name.data(), qsizetype(name.size())) +
                   QStringLiteral("\u00BB");
    text += QStringLiteral("  ") + ExactSizeText(entry.Size) + QStringLiteral(" (") + EntrySizeText(entry) + u')';
    const QString date = EntryDateText(entry.Date);
    if (!date.isEmpty()) text += QStringLiteral("  ") + date;
    return text;
}

QString EntryDateText(double dayCount) {
    if (!std::isfinite(dayCount) || dayCount < kFirstDay || dayCount >= kLastDay ||
        IsNoFileTime(dayCount))
        return {};
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

int EntryImageIndex(const CFile& entry) { return KindImageIndex(entry.Kind); }

int KindImageIndex(int32_t kind) {
    enum Icon { iconFolder = 0, iconFile = 2, iconArchive = 3 };
    return kind == kindFolder ? iconFolder : kind == kindArchive ? iconArchive : iconFile;
}

QString MediumDeskLines(const CMedium& medium) {
    QString lines;
    const QString location = TMountWatcher::Instance().Location(medium);
    if (!location.isEmpty()) lines += QStringLiteral("\nMounted at ") + location;
    const std::string space = FreeSpaceText(medium.Additions);
    if (!space.empty()) lines += u'\n' + QString::fromStdString(space);
    return lines;
}

QIcon DimmedIcon(const QIcon& icon) {
    // Made once per icon: the tree asks on every paint.
    static QHash<qint64, QIcon> dimmed;
    const auto found = dimmed.constFind(icon.cacheKey());
    if (found != dimmed.constEnd()) return *found;
    QIcon made;
    QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty()) sizes << QSize(16, 16);
    for (const QSize& size : sizes) {
        // Greyed, and marked in its lower right corner with a small hollow circle, so that a
        // medium that is not mounted is told apart by its shape too, selected or not.
        QPixmap pixmap = icon.pixmap(size, QIcon::Disabled);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal mark = std::max<qreal>(5, pixmap.width() / pixmap.devicePixelRatio() * 0.45);
        const QRectF corner(pixmap.width() / pixmap.devicePixelRatio() - mark - 0.5,
                            pixmap.height() / pixmap.devicePixelRatio() - mark - 0.5, mark, mark);
        painter.setPen(QPen(Qt::white, 3));
        painter.drawEllipse(corner);
        painter.setPen(QPen(QColor(90, 90, 90), 1.5));
        painter.drawEllipse(corner);
        painter.end();
        made.addPixmap(pixmap, QIcon::Normal);
        made.addPixmap(pixmap, QIcon::Selected);
    }
    dimmed.insert(icon.cacheKey(), made);
    return made;
}

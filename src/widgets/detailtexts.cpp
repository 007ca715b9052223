#include "widgets/detailtexts.h"

#include "catalogue/daycount.h"
#include "catalogue/mediaclasses.h"
#include "language/messagetable.h"
#include "search/detailquery.h"
#include "widgets/fontscale.h"
#include "widgets/mediaviewmodels.h"

#include <QTreeView>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace M = ShelvixMessages;

namespace {

QString Text(std::string_view value) { return QString::fromUtf8(value.data(), qsizetype(value.size())); }
QString Message(const std::string& variable) { return QString::fromStdString(variable); }

// The entry's details looked up by key, from its packed pairs.
class TDetails {
public:
    explicit TDetails(std::string_view packed) : packed_(packed) {}
    std::string_view Get(std::string_view key) const {
        std::string_view found;
        ForEachDetail(packed_, [&](std::string_view k, std::string_view v) {
            if (found.empty() && k == key) found = v;
        });
        return found;
    }
    std::optional<double> Number(std::string_view key) const { return DetailNumberValue(Get(key)); }

private:
    std::string_view packed_;
};

std::string_view PackedOf(const CFile& entry) {
    const std::string* packed = entry.Medium ? entry.Medium->Details.Packed(&entry) : nullptr;
    return packed ? std::string_view(*packed) : std::string_view();
}

// Cameras write their make into the model name as often as not ("Canon" and "Canon EOS 5D"):
// the make is put before the model only when the model does not begin with its first word.
QString CameraText(std::string_view make, std::string_view model) {
    if (model.empty()) return Text(make);
    if (make.empty()) return Text(model);
    const QString maker = Text(make), name = Text(model);
    const QString firstWord = maker.section(u' ', 0, 0);
    if (name.startsWith(firstWord, Qt::CaseInsensitive)) return name;
    return maker + u' ' + name;
}

// The day count of a date as the photo states it ("2019-06-05T14:03:02"); anything after the
// seconds (a fraction, a zone) is not part of the local time.
std::optional<double> TakenDayCount(std::string_view taken) {
    double day = 0;
    for (size_t length : {taken.size(), size_t(19), size_t(10)})
        if (length <= taken.size() && ParseLocalDate(std::string(taken.substr(0, length)), false, day))
            return day;
    return std::nullopt;
}

QString TakenText(std::string_view taken) {
    const auto day = TakenDayCount(taken);
    const QString shown = day ? EntryDateText(*day) : QString();
    return shown.isEmpty() ? Text(taken) : shown;
}

QString DimensionsText(const TDetails& details) {
    const std::string_view width = details.Get("width"), height = details.Get("height");
    if (width.empty() || height.empty()) return {};
    return Text(width) + QStringLiteral(" \u00D7 ") + Text(height);
}

QString DurationOf(const TDetails& details) {
    const std::string_view duration = details.Get("duration");
    if (duration.empty()) return {};
    const auto seconds = DetailNumberValue(duration);
    return seconds ? DurationText(*seconds) : Text(duration);
}

QString WithUnit(std::string_view value, const char* unit) {
    return value.empty() ? QString() : Text(value) + QLatin1Char(' ') + QLatin1String(unit);
}

} // namespace

std::vector<const std::string*> DetailColumnTitles() {
    return {&M::msgColDimensions, &M::msgColDuration, &M::msgColTaken, &M::msgColArtist,
            &M::msgColAlbum,      &M::msgColTitle,    &M::msgColCamera};
}

QString DurationText(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) return {};
    const long long whole = std::llround(seconds);
    const long long hours = whole / 3600, minutes = whole / 60 % 60, rest = whole % 60;
    const auto two = [](long long n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    if (hours > 0) return QString::number(hours) + u':' + two(minutes) + u':' + two(rest);
    return QString::number(minutes) + u':' + two(rest);
}

QString DetailColumnText(const CFile& entry, TDetailColumn column) {
    return DetailColumnText(PackedOf(entry), column);
}

QString DetailColumnText(std::string_view packed, TDetailColumn column) {
    const TDetails details(packed);
    switch (column) {
    case TDetailColumn::Dimensions: return DimensionsText(details);
    case TDetailColumn::Duration: return DurationOf(details);
    case TDetailColumn::Taken: {
        const std::string_view taken = details.Get("taken");
        return taken.empty() ? QString() : TakenText(taken);
    }
    case TDetailColumn::Artist: return Text(details.Get("artist"));
    case TDetailColumn::Album: return Text(details.Get("album"));
    case TDetailColumn::Title: return Text(details.Get("title"));
    case TDetailColumn::Camera: return CameraText(details.Get("make"), details.Get("model"));
    }
    return {};
}

QVariant DetailColumnSortValue(const CFile& entry, TDetailColumn column) {
    return DetailColumnSortValue(PackedOf(entry), column);
}

QVariant DetailColumnSortValue(std::string_view packed, TDetailColumn column) {
    const TDetails details(packed);
    const auto bytes = [](std::string_view text) {
        return text.empty() ? QVariant() : QVariant(QByteArray(text.data(), qsizetype(text.size())));
    };
    switch (column) {
    case TDetailColumn::Dimensions: {
        const auto width = details.Number("width"), height = details.Number("height");
        return width && height ? QVariant(*width * *height) : QVariant();
    }
    case TDetailColumn::Duration: {
        const auto seconds = details.Number("duration");
        return seconds ? QVariant(*seconds) : QVariant();
    }
    case TDetailColumn::Taken: {
        const std::string_view taken = details.Get("taken");
        if (const auto day = TakenDayCount(taken)) return *day;
        return bytes(taken);
    }
    case TDetailColumn::Artist: return bytes(details.Get("artist"));
    case TDetailColumn::Album: return bytes(details.Get("album"));
    case TDetailColumn::Title: return bytes(details.Get("title"));
    case TDetailColumn::Camera: {
        const QString camera = CameraText(details.Get("make"), details.Get("model"));
        return camera.isEmpty() ? QVariant() : QVariant(camera.toUtf8());
    }
    }
    return {};
}

int DetailColumnWidth(const QTreeView* view, TDetailColumn column) {
    // Drawn for an 8-point font, as the other columns are.
    static constexpr std::array<int, kDetailColumnCount> kWidths = {90, 60, 100, 120, 120, 150, 120};
    const int drawn = kWidths[size_t(column)];
    if (column == TDetailColumn::Taken) return TFontScale::ColumnWidth(view, drawn, FullDateSamples());
    return TFontScale(view).X(drawn);
}

QString DetailsToolTip(const CFile& entry) { return DetailsToolTip(PackedOf(entry)); }

QString DetailsToolTip(std::string_view packed) {
    if (packed.empty()) return {};
    const auto titles = DetailColumnTitles();
    QStringList lines;
    for (int i = 0; i < kDetailColumnCount; ++i)
        if (const QString text = DetailColumnText(packed, TDetailColumn(i)); !text.isEmpty())
            lines << Message(*titles[size_t(i)]) + QStringLiteral(": ") + text;
    return lines.join(u'\n');
}

std::vector<TDetailLine> DetailLines(const CFile& entry) {
    std::vector<TDetailLine> lines;
    const std::string* packed = entry.Medium ? entry.Medium->Details.Packed(&entry) : nullptr;
    if (!packed) return lines;
    const TDetails details(PackedOf(entry));
    std::vector<std::string_view> shown; // the keys the lines below have told
    const auto add = [&](const std::string& label, const QString& value,
                         std::initializer_list<std::string_view> keys) {
        if (value.isEmpty()) return;
        lines.push_back({Message(label), value});
        shown.insert(shown.end(), keys);
    };
    add(M::msgColDimensions, DimensionsText(details), {"width", "height"});
    add(M::msgColDuration, DurationOf(details), {"duration"});
    if (const std::string_view taken = details.Get("taken"); !taken.empty())
        add(M::msgColTaken, TakenText(taken), {"taken"});
    add(M::msgColCamera, CameraText(details.Get("make"), details.Get("model")), {"make", "model"});
    // Signed decimal degrees, as map sites take them.
    if (const std::string_view lat = details.Get("latitude"), lon = details.Get("longitude");
        !lat.empty() && !lon.empty())
        add(M::msgDetailPosition, Text(lat) + QStringLiteral(", ") + Text(lon), {"latitude", "longitude"});
    add(M::msgDetailOrientation, Text(details.Get("orientation")), {"orientation"});
    add(M::msgColTitle, Text(details.Get("title")), {"title"});
    add(M::msgColArtist, Text(details.Get("artist")), {"artist"});
    add(M::msgColAlbum, Text(details.Get("album")), {"album"});
    add(M::msgDetailTrack, Text(details.Get("track")), {"track"});
    add(M::msgDetailYear, Text(details.Get("year")), {"year"});
    add(M::msgDetailGenre, Text(details.Get("genre")), {"genre"});
    add(M::msgDetailBitrate, WithUnit(details.Get("bitrate"), "kbit/s"), {"bitrate"});
    add(M::msgDetailCodec, Text(details.Get("codec")), {"codec"});
    add(M::msgDetailFrameRate, WithUnit(details.Get("framerate"), "fps"), {"framerate"});
    // What a later version read, or a lone half of a pair, under the key it was kept by.
    ForEachDetail(*packed, [&](std::string_view key, std::string_view value) {
        if (std::find(shown.begin(), shown.end(), key) == shown.end())
            lines.push_back({Text(key), Text(value)});
    });
    return lines;
}

#include "widgets/previewfacts.h"

#include "language/messagetable.h"
#include "catalogue/entrydetails.h"

#include <charconv>
#include <cmath>

namespace {

QString Bytes(std::string_view text) { return QString::fromLocal8Bit(QByteArrayView(text)); }
QString Message(const std::string& text) { return QString::fromStdString(text); }

using Fact = TPreviewFactsModel::Fact;

// Which details make a row; the kinds of file have each their own few.
struct DetailFact {
    Fact fact;
    std::string_view key;
};
constexpr DetailFact kDetailFacts[] = {
    {Fact::Dimensions, "width"}, {Fact::Duration, "duration"}, {Fact::Taken, "taken"},
    {Fact::Camera, "model"},     {Fact::Title, "title"},       {Fact::Artist, "artist"},
    {Fact::Album, "album"},
};

const QString kLineCut = QStringLiteral(":  ");

} // namespace

QString DurationText(std::string_view seconds) {
    double value = 0;
    const auto [end, error] = std::from_chars(seconds.data(), seconds.data() + seconds.size(), value);
    if (error != std::errc() || end != seconds.data() + seconds.size() || !std::isfinite(value) ||
        value < 0 || value > 1e9)
        return {};
    const auto total = static_cast<long long>(std::llround(value));
    const long long hours = total / 3600, minutes = total / 60 % 60, rest = total % 60;
    const QString tail = QStringLiteral("%1").arg(rest, 2, 10, QLatin1Char('0'));
    if (hours == 0) return QStringLiteral("%1:%2").arg(minutes).arg(tail);
    return QStringLiteral("%1:%2:%3").arg(hours).arg(minutes, 2, 10, QLatin1Char('0')).arg(tail);
}

QString CameraText(std::string_view make, std::string_view model) {
    if (make.empty() || model.starts_with(make)) return Bytes(model);
    if (model.empty()) return Bytes(make);
    return Bytes(make) + u' ' + Bytes(model);
}

void TPreviewFactsModel::Show(NodeObject object) {
    beginResetModel();
    shown_ = object;
    rows_.clear();
    if (const CFile* entry = object.entry) {
        if (entry->Kind != kindFolder) rows_.push_back({Fact::Size}), rows_.push_back({Fact::Date});
        if (entry->HasChildrenKind()) rows_.push_back({Fact::Folders}), rows_.push_back({Fact::Files});
        const TEntryDetails* details = entry->Medium ? &entry->Medium->Details : nullptr;
        std::string_view value;
        for (const DetailFact& detail : kDetailFacts) {
            bool has = details && details->Find(entry, detail.key, value);
            if (detail.fact == Fact::Camera && !has) has = details && details->Find(entry, "make", value);
            if (has) rows_.push_back({detail.fact});
        }
    } else if (object.medium) {
        for (int line = 0, count = int(MediumLines().size()); line < count; ++line)
            rows_.push_back({Fact::MediumLine, line});
    }
    endResetModel();
}

QStringList TPreviewFactsModel::MediumLines() const {
    if (!shown_.medium) return {};
    // The tooltip's lines: the hint, then where it is mounted and its free space.
    QStringList lines = MediumHint(*shown_.medium).replace(QStringLiteral("\r\n"), QStringLiteral(" ")).split(u'\r');
    for (const QString& desk : MediumDeskLines(*shown_.medium).split(u'\n'))
        if (!desk.isEmpty()) lines << desk;
    return lines;
}

std::string_view TPreviewFactsModel::Detail(std::string_view key) const {
    std::string_view value;
    const CFile* entry = shown_.entry;
    if (!entry || !entry->Medium || !entry->Medium->Details.Find(entry, key, value)) return {};
    return value;
}

QString TPreviewFactsModel::DetailText(std::string_view key) const { return Bytes(Detail(key)); }

QString TPreviewFactsModel::Caption(const Row& row) const {
    namespace M = ShelvixMessages;
    switch (row.fact) {
    case Fact::Size: return Message(M::msgSize);
    case Fact::Date: return Message(M::msgDate);
    case Fact::Folders: return Message(M::msgDirs);
    case Fact::Files: return Message(M::msgFiles);
    case Fact::Dimensions: return Message(M::msgDimensions);
    case Fact::Duration: return Message(M::msgDuration);
    case Fact::Taken: return Message(M::msgTaken);
    case Fact::Camera: return Message(M::msgCamera);
    case Fact::Title: return Message(M::msgTitle);
    case Fact::Artist: return Message(M::msgArtist);
    case Fact::Album: return Message(M::msgAlbum);
    case Fact::MediumLine: {
        const QString line = MediumLines().value(row.line);
        const qsizetype cut = line.indexOf(kLineCut);
        return cut < 0 ? QString() : line.left(cut);
    }
    }
    return {};
}

QString TPreviewFactsModel::Value(const Row& row) const {
    const CFile* entry = shown_.entry;
    switch (row.fact) {
    case Fact::Size: return ExactSizeText(entry->Size);
    case Fact::Date: return EntryDateText(entry->Date);
    case Fact::Folders: return QString::number(entry->FolderChildCount());
    case Fact::Files: return QString::number(entry->ChildCount() - entry->FolderChildCount());
    case Fact::Dimensions: {
        const QString height = DetailText("height");
        return height.isEmpty() ? DetailText("width") : DetailText("width") + QStringLiteral(" \u00D7 ") + height;
    }
    case Fact::Duration: return DurationText(Detail("duration"));
    case Fact::Taken: return DetailText("taken");
    case Fact::Camera:
        return CameraText(Detail("make"), Detail("model"));
    case Fact::Title: return DetailText("title");
    case Fact::Artist: return DetailText("artist");
    case Fact::Album: return DetailText("album");
    case Fact::MediumLine: {
        const QString line = MediumLines().value(row.line);
        const qsizetype cut = line.indexOf(kLineCut);
        return cut < 0 ? line : line.mid(cut + kLineCut.size());
    }
    }
    return {};
}

int TPreviewFactsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int TPreviewFactsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant TPreviewFactsModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::DisplayRole) return {};
    const Row& row = rows_[size_t(index.row())];
    return index.column() == colCaption ? Caption(row) : Value(row);
}

QVariant TPreviewFactsModel::headerData(int, Qt::Orientation, int) const { return {}; }

#include "widgets/previewfacts.h"

#include "language/messagetable.h"
#include "catalogue/entrydetails.h"
#include "widgets/detailtexts.h"

namespace {

QString Message(const std::string& text) { return QString::fromStdString(text); }

using Fact = TPreviewFactsModel::Fact;

// The details a file's rows show, in this order.
constexpr Fact kDetailFacts[] = {Fact::Dimensions, Fact::Duration, Fact::Taken, Fact::Camera,
                                 Fact::Title,      Fact::Artist,   Fact::Album};

const QString kLineCut = QStringLiteral(":  ");

// The pane shows a file's main details as the detail columns write them.
TDetailColumn ColumnOf(Fact fact) {
    switch (fact) {
    case Fact::Dimensions: return TDetailColumn::Dimensions;
    case Fact::Duration: return TDetailColumn::Duration;
    case Fact::Taken: return TDetailColumn::Taken;
    case Fact::Camera: return TDetailColumn::Camera;
    case Fact::Title: return TDetailColumn::Title;
    case Fact::Artist: return TDetailColumn::Artist;
    default: return TDetailColumn::Album;
    }
}

} // namespace

void TPreviewFactsModel::Show(NodeObject object) {
    beginResetModel();
    shown_ = object;
    rows_.clear();
    if (const CFile* entry = object.entry) {
        if (entry->Kind != kindFolder) rows_.push_back({Fact::Size}), rows_.push_back({Fact::Date});
        if (entry->HasChildrenKind()) rows_.push_back({Fact::Folders}), rows_.push_back({Fact::Files});
        for (const Fact fact : kDetailFacts)
            if (!DetailColumnText(*entry, ColumnOf(fact)).isEmpty()) rows_.push_back({fact});
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

QString TPreviewFactsModel::Caption(const Row& row) const {
    namespace M = ShelvixMessages;
    switch (row.fact) {
    case Fact::Size: return Message(M::msgSize);
    case Fact::Date: return Message(M::msgDate);
    case Fact::Folders: return Message(M::msgDirs);
    case Fact::Files: return Message(M::msgFiles);
    default: return Message(*DetailColumnTitles()[size_t(ColumnOf(row.fact))]);
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
    default: return DetailColumnText(*entry, ColumnOf(row.fact));
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

QVariant TPreviewFactsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // No titles shown, but a screen reader still names the two columns.
    if (orientation != Qt::Horizontal || section < 0 || section > colValue) return {};
    if (role == Qt::AccessibleTextRole) return section == colCaption ? QStringLiteral("Fact") : QStringLiteral("Value");
    if (role == Qt::AccessibleDescriptionRole)
        return section == colCaption ? QStringLiteral("What the row tells of the selected entry")
                                     : QStringLiteral("Its value");
    return {};
}

// The duplicates model. A group's node has internal id 0; a copy's node carries its group's
// position + 1, so that its parent is found without a lookup.
#include "search/ufrmDuplicates_model.h"

#include "widgets/imagelists.h"
#include "widgets/mediaviewmodels.h"
#include "catalogue/IO_BZIP.h"
#include "catalogue/mediaclasses.h"
#include "reports/entrytext.h"

#include <QFont>

namespace {
constexpr int kRemovedMediumIcon = 7;
QString Bytes(std::string_view text) { return QString::fromLocal8Bit(QByteArrayView(text)); }
} // namespace

TDuplicatesModel::TDuplicatesModel(const TImageList* drives, const TImageList* folders,
                                   QObject* parent)
    : TColumnTitlesModel({QStringLiteral("Media"), QStringLiteral("Location"),
                          QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Date")},
                         parent),
      drives_(drives), folders_(folders) {
    SetRightAlignedColumn(colSize);
}

void TDuplicatesModel::Fill(const TDuplicates* duplicates) {
    beginResetModel();
    duplicates_ = duplicates;
    endResetModel();
}

const TDuplicateGroup* TDuplicatesModel::GroupOf(const QModelIndex& index) const {
    if (!duplicates_ || !index.isValid() || index.model() != this) return nullptr;
    const size_t group = index.internalId() == 0 ? size_t(index.row()) : index.internalId() - 1;
    return group < duplicates_->Groups.size() ? &duplicates_->Groups[group] : nullptr;
}

CFile* TDuplicatesModel::EntryAt(const QModelIndex& index) const {
    const TDuplicateGroup* group = GroupOf(index);
    if (!group || index.internalId() == 0 || size_t(index.row()) >= group->Count) return nullptr;
    return duplicates_->Member(*group, size_t(index.row()));
}

QModelIndex TDuplicatesModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= kColumns || row >= rowCount(parent)) return {};
    return createIndex(row, column, parent.isValid() ? quintptr(parent.row()) + 1 : quintptr(0));
}

QModelIndex TDuplicatesModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == 0) return {};
    return createIndex(int(child.internalId() - 1), 0, quintptr(0));
}

int TDuplicatesModel::rowCount(const QModelIndex& parent) const {
    if (!duplicates_ || parent.column() > 0) return 0;
    if (!parent.isValid()) return int(duplicates_->Groups.size());
    if (parent.internalId() != 0) return 0; // copies have no children
    const TDuplicateGroup* group = GroupOf(parent);
    return group ? int(group->Count) : 0;
}

QVariant TDuplicatesModel::data(const QModelIndex& index, int role) const {
    const TDuplicateGroup* group = GroupOf(index);
    if (!group) return {};
    const CFile* entry = EntryAt(index);
    if (!entry) { // the group's node
        const CFile& first = *duplicates_->Member(*group, 0);
        switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
            case colLocation:
                return QStringLiteral("%1 copies, %2 extra")
                    .arg(group->Count)
                    .arg(QString::fromStdString(FormatSize(group->Waste)));
            case colName: return Bytes(first.Name());
            case colSize: return EntrySizeText(first);
            default: return QString();
            }
        case Qt::FontRole: {
            QFont bold;
            bold.setBold(true);
            return index.column() == colName ? QVariant(bold) : QVariant();
        }
        case Qt::TextAlignmentRole: return CellAlignment(index.column());
        default: return {};
        }
    }
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case colMedium: return Bytes(entry->Medium->Name);
        case colLocation: return Bytes(EntryLocationText(*entry));
        case colName: return Bytes(entry->Name());
        case colSize: return EntrySizeText(*entry);
        case colDate: return EntryDateText(entry->Date);
        default: return QString();
        }
    case Qt::DecorationRole: {
        QIcon icon;
        if (index.column() == colMedium && drives_)
            icon = drives_->At(entry->Medium->Present ? DriveImageIndex(entry->Medium->DriveType)
                                                      : kRemovedMediumIcon);
        else if (index.column() == colName && folders_)
            icon = folders_->At(EntryImageIndex(*entry));
        return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case Qt::TextAlignmentRole: return CellAlignment(index.column());
    default: return {};
    }
}

#include "moc_ufrmDuplicates_model.cpp"

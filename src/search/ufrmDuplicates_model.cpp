// The duplicates model. A group's node has internal id 0; a copy's node carries its group's
// position + 1, so that its parent is found without a lookup.
#include "search/ufrmDuplicates_model.h"

#include "widgets/imagelists.h"
#include "widgets/mediaviewmodels.h"
#include "catalogue/IO_BZIP.h"
#include "catalogue/mediaclasses.h"
#include "reports/entrytext.h"

#include "widgets/sortvalues.h"

#include <QFont>

#include <algorithm>
#include <cstdint>
#include <numeric>

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
    ApplySort();
    endResetModel();
}

// A copy's node carries its group's position in Groups + 1, whatever row the group is shown in.
const TDuplicateGroup* TDuplicatesModel::GroupOf(const QModelIndex& index) const {
    if (!duplicates_ || !index.isValid() || index.model() != this) return nullptr;
    const size_t group = index.internalId() == 0 ? GroupAtRow(index.row()) : index.internalId() - 1;
    return group < duplicates_->Groups.size() ? &duplicates_->Groups[group] : nullptr;
}

CFile* TDuplicatesModel::EntryAt(const QModelIndex& index) const {
    const TDuplicateGroup* group = GroupOf(index);
    if (!group || index.internalId() == 0 || size_t(index.row()) >= group->Count) return nullptr;
    if (copyAt_.empty()) return duplicates_->Member(*group, size_t(index.row()));
    return duplicates_->Entries[copyAt_[group->First + size_t(index.row())]];
}

QVariant TDuplicatesModel::GroupSortValue(const TDuplicateGroup& group, int column) const {
    const CFile& first = *duplicates_->Member(group, 0);
    switch (column) {
    case colLocation: return qint64(group.Count);
    case colName: return QByteArray(first.Name().data(), qsizetype(first.Name().size()));
    case colSize: return qint64(group.Size);
    default: return {};
    }
}

QVariant TDuplicatesModel::CopySortValue(const CFile& entry, int column) const {
    switch (column) {
    case colMedium: return QByteArray::fromStdString(entry.Medium->Name);
    case colLocation: return QByteArray::fromStdString(EntryLocationText(entry));
    case colName: return QByteArray(entry.Name().data(), qsizetype(entry.Name().size()));
    case colSize: return qint64(entry.Size);
    case colDate: return entry.Date;
    default: return {};
    }
}

void TDuplicatesModel::SortBy(int column, Qt::SortOrder order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Nodes are remembered by what they show: a group by its position in Groups, a copy by its
    // entry.
    const QModelIndexList from = persistentIndexList();
    struct Shown {
        size_t group;
        const CFile* copy;
        int column;
    };
    std::vector<Shown> shown;
    for (const QModelIndex& index : from) {
        const TDuplicateGroup* group = GroupOf(index);
        shown.push_back({group ? size_t(group - duplicates_->Groups.data()) : SIZE_MAX, EntryAt(index),
                         index.column()});
    }
    sortColumn_ = std::max(column, -1);
    sortOrder_ = order;
    ApplySort();
    QModelIndexList to;
    for (const Shown& node : shown) {
        QModelIndex found;
        if (node.group != SIZE_MAX) {
            const int groupRow = rowOfGroup_.empty() ? int(node.group) : int(rowOfGroup_[node.group]);
            found = createIndex(groupRow, node.column, quintptr(0));
            if (node.copy) {
                const TDuplicateGroup& group = duplicates_->Groups[node.group];
                for (size_t i = 0; i < group.Count; ++i)
                    if (EntryAt(createIndex(int(i), 0, quintptr(node.group) + 1)) == node.copy)
                        found = createIndex(int(i), node.column, quintptr(node.group) + 1);
            }
        }
        to << found;
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TDuplicatesModel::ApplySort() {
    groupAt_.clear();
    rowOfGroup_.clear();
    copyAt_.clear();
    if (!duplicates_ || sortColumn_ < 0) return;
    const auto& groups = duplicates_->Groups;
    const bool descending = sortOrder_ == Qt::DescendingOrder;
    const auto sortBy = [descending](std::vector<size_t>& order, const std::vector<QVariant>& values,
                                     size_t base) {
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            const int result = CompareSortValues(values[a - base], values[b - base]);
            return descending ? result > 0 : result < 0;
        });
    };
    std::vector<QVariant> values(groups.size());
    for (size_t i = 0; i < groups.size(); ++i) values[i] = GroupSortValue(groups[i], sortColumn_);
    groupAt_.resize(groups.size());
    std::iota(groupAt_.begin(), groupAt_.end(), size_t(0));
    sortBy(groupAt_, values, 0);
    rowOfGroup_.resize(groups.size());
    for (size_t row = 0; row < groupAt_.size(); ++row) rowOfGroup_[groupAt_[row]] = row;

    copyAt_.resize(duplicates_->Entries.size());
    std::iota(copyAt_.begin(), copyAt_.end(), size_t(0));
    for (const TDuplicateGroup& group : groups) {
        std::vector<QVariant> copies(group.Count);
        for (size_t i = 0; i < group.Count; ++i)
            copies[i] = CopySortValue(*duplicates_->Entries[group.First + i], sortColumn_);
        std::vector<size_t> order(copyAt_.begin() + ptrdiff_t(group.First),
                                  copyAt_.begin() + ptrdiff_t(group.First + group.Count));
        sortBy(order, copies, group.First);
        std::copy(order.begin(), order.end(), copyAt_.begin() + ptrdiff_t(group.First));
    }
}

QModelIndex TDuplicatesModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= kColumns || row >= rowCount(parent)) return {};
    return createIndex(row, column, parent.isValid() ? quintptr(GroupAtRow(parent.row())) + 1 : quintptr(0));
}

QModelIndex TDuplicatesModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == 0) return {};
    const size_t group = child.internalId() - 1;
    const int row = rowOfGroup_.empty() ? int(group) : int(rowOfGroup_[group]);
    return createIndex(row, 0, quintptr(0));
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
        case Qt::ToolTipRole:
            return index.column() == colSize ? QVariant(ExactSizeText(first.Size)) : QVariant();
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
    case Qt::ToolTipRole:
        return index.column() == colSize ? QVariant(ExactSizeText(entry->Size)) : QVariant();
    case Qt::TextAlignmentRole: return CellAlignment(index.column());
    default: return {};
    }
}

#include "moc_ufrmDuplicates_model.cpp"

// The explorer: one medium's whole content. A node's internal pointer is its entry. A medium
// can hold a million entries in one folder, so nothing is done per entry when the model is
// filled: a parent's folders-first order is made when the view first asks for its rows.
#include "widgets/detailtexts.h"
#include "widgets/imagelists.h"
#include "widgets/mediaviewmodels.h"
#include "widgets/sortvalues.h"

#include <algorithm>
#include <numeric>

namespace {

constexpr int kColumns = TExplorerModel::colFirstDetail; // the explorer's own, before the details

QString Bytes(std::string_view text) { return QString::fromLocal8Bit(QByteArrayView(text)); }

bool IsContainer(const CFile* entry) { return entry->HasChildrenKind(); }

} // namespace

TExplorerModel::TExplorerModel(const TImageList* folders, QObject* parent)
    : TColumnTitlesModel({QStringLiteral("Name"), QStringLiteral("Size"),
                          QStringLiteral("Category"), QStringLiteral("Date")},
                         parent),
      folders_(folders) {
    SetRightAlignedColumn(colSize);
    AddMessageColumns(DetailColumnTitles());
}

int TExplorerModel::DefaultColumnWidth(int section) {
    static constexpr int kWidths[kColumns] = {247, 80, 100, 100};
    return section >= 0 && section < kColumns ? kWidths[section] : 0;
}

std::optional<TDetailColumn> TExplorerModel::DetailColumnAt(int column) {
    if (column < colFirstDetail || column >= colFirstDetail + kDetailColumnCount) return std::nullopt;
    return TDetailColumn(column - colFirstDetail);
}

void TExplorerModel::FillExplorer(CMedium* medium) {
    beginResetModel();
    medium_ = medium;
    rootOrder_ = Order{};
    rootOrderBuilt_ = false;
    orders_.clear();
    containerRow_.clear();
    endResetModel();
}

void TExplorerModel::Clear() { FillExplorer(nullptr); }

CMedium* TExplorerModel::Medium() const { return medium_; }

CFile* TExplorerModel::EntryAt(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return nullptr;
    return static_cast<CFile*>(index.internalPointer());
}

const TExplorerModel::Order& TExplorerModel::OrderOf(const CFile* parent) const {
    Order* order = nullptr;
    if (!parent) {
        if (rootOrderBuilt_) return rootOrder_;
        rootOrderBuilt_ = true;
        order = &rootOrder_;
        order->stored = &medium_->Entries();
    } else {
        const auto [slot, added] = orders_.try_emplace(parent);
        if (!added) return slot->second;
        order = &slot->second;
        order->stored = &parent->Children();
    }
    if (sortColumn_ >= 0) {
        SortOrderOf(*order);
        return *order;
    }
    // Two passes: one counts the folders and sees whether any comes after another entry, the
    // other places every entry and notes the rows of those that can have children.
    const EntryList& stored = *order->stored;
    int folders = 0;
    bool otherSeen = false;
    for (const CFile* entry : stored) {
        if (entry->Kind == kindFolder) {
            ++folders;
            if (otherSeen) order->identity = false;
        } else {
            otherSeen = true;
        }
    }
    if (order->identity) {
        for (int row = 0, count = stored.Count(); row < count; ++row) {
            const CFile* entry = stored.At(row);
            if (IsContainer(entry)) containerRow_[entry] = row;
        }
        return *order;
    }
    order->reordered.resize(static_cast<size_t>(stored.Count()));
    int nextFolder = 0;
    int nextOther = folders;
    for (CFile* entry : stored) {
        const int row = entry->Kind == kindFolder ? nextFolder++ : nextOther++;
        order->reordered[static_cast<size_t>(row)] = entry;
        if (IsContainer(entry)) containerRow_[entry] = row;
    }
    return *order;
}

// Sorted by a column: folders first, then by the column's value; entries of equal value keep
// their stored order, in either direction.
void TExplorerModel::SortOrderOf(Order& order) const {
    const EntryList& stored = *order.stored;
    const int count = stored.Count();
    std::vector<QVariant> values(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) values[size_t(i)] = SortValue(*stored.At(i), sortColumn_, true);
    std::vector<int> rows(static_cast<size_t>(count));
    std::iota(rows.begin(), rows.end(), 0);
    const bool descending = sortOrder_ == Qt::DescendingOrder;
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
        const bool folderA = stored.At(a)->Kind == kindFolder, folderB = stored.At(b)->Kind == kindFolder;
        if (folderA != folderB) return folderA;
        return CompareInOrder(values[size_t(a)], values[size_t(b)], descending) < 0;
    });
    order.identity = false;
    order.reordered.resize(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row) {
        CFile* entry = stored.At(rows[size_t(row)]);
        order.reordered[size_t(row)] = entry;
        if (IsContainer(entry)) containerRow_[entry] = row;
    }
}

// `inPlace` leaves a name where it lies, for values that live no longer than the sort.
QVariant TExplorerModel::SortValue(const CFile& entry, int column, bool inPlace) const {
    const bool folder = entry.Kind == kindFolder;
    const std::string_view name = entry.Name();
    switch (column) {
    case colName:
        return inPlace ? QByteArray::fromRawData(name.data(), qsizetype(name.size()))
                       : QByteArray(name.data(), qsizetype(name.size()));
    case colSize: return folder ? QVariant() : QVariant(qint64(entry.Size));
    case colCategory: return QByteArray::fromStdString(entry.CategoryName());
    case colDate: return folder ? QVariant() : QVariant(entry.Date);
    default: {
        const auto detail = DetailColumnAt(column);
        return detail ? DetailColumnSortValue(entry, *detail) : QVariant();
    }
    }
}

void TExplorerModel::SortBy(int column, Qt::SortOrder order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    sortColumn_ = std::max(column, -1);
    sortOrder_ = order;
    const QModelIndexList from = persistentIndexList();
    std::vector<std::pair<const CFile*, int>> entries;
    for (const QModelIndex& index : from) entries.emplace_back(EntryAt(index), index.column());
    rootOrder_ = Order{};
    rootOrderBuilt_ = false;
    orders_.clear();
    containerRow_.clear();
    QModelIndexList to;
    for (const auto& [entry, column] : entries) {
        const QModelIndex found = IndexOfEntry(entry);
        to << (found.isValid() ? found.siblingAtColumn(column) : QModelIndex());
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

const TExplorerModel::Order* TExplorerModel::OrderAt(const QModelIndex& parent) const {
    if (!parent.isValid()) {
        if (rootOrderBuilt_) return &rootOrder_; // the view asks this once per root row
        return medium_ ? &OrderOf(nullptr) : nullptr;
    }
    if (parent.column() != 0) return nullptr;
    const CFile* entry = static_cast<const CFile*>(parent.internalPointer());
    return IsContainer(entry) ? &OrderOf(entry) : nullptr;
}

int TExplorerModel::ContainerRow(const CFile* container) const {
    auto found = containerRow_.find(container);
    if (found == containerRow_.end()) {
        OrderOf(container->Parent); // records the rows of its siblings
        found = containerRow_.find(container);
        if (found == containerRow_.end()) return -1;
    }
    return found->second;
}

QModelIndex TExplorerModel::IndexOfEntry(const CFile* entry) const {
    if (!entry || !medium_ || entry->Medium != medium_) return {};
    std::vector<const CFile*> ancestors;
    for (const CFile* up = entry->Parent; up; up = up->Parent) {
        if (!IsContainer(up) || up->Medium != medium_) return {};
        ancestors.push_back(up);
    }
    // Top down, so that each parent's order, and with it the next one's row, exists.
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
        const int row = ContainerRow(*it);
        if (row < 0 || OrderOf((*it)->Parent).At(row) != *it) return {};
    }
    const Order& siblings = OrderOf(entry->Parent);
    int row = -1;
    if (IsContainer(entry)) {
        row = ContainerRow(entry);
    } else {
        for (int i = 0, count = siblings.Count(); i < count && row < 0; ++i)
            if (siblings.At(i) == entry) row = i;
    }
    if (row < 0 || siblings.At(row) != entry) return {};
    return createIndex(row, 0, const_cast<CFile*>(entry));
}

QModelIndex TExplorerModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= columnCount()) return {};
    const Order* order = OrderAt(parent);
    if (!order || row >= order->Count()) return {};
    return createIndex(row, column, order->At(row));
}

QModelIndex TExplorerModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    CFile* up = static_cast<const CFile*>(child.internalPointer())->Parent;
    if (!up) return {};
    const int row = ContainerRow(up);
    return row < 0 ? QModelIndex() : createIndex(row, 0, up);
}

int TExplorerModel::rowCount(const QModelIndex& parent) const {
    const Order* order = OrderAt(parent);
    return order ? order->Count() : 0;
}

bool TExplorerModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid()) return medium_ && medium_->EntryCount() > 0;
    if (parent.column() != 0) return false;
    const CFile* entry = static_cast<const CFile*>(parent.internalPointer());
    return IsContainer(entry) && entry->ChildCount() > 0;
}

QVariant TExplorerModel::data(const QModelIndex& index, int role) const {
    const CFile* entry = EntryAt(index);
    if (!entry) return {};
    const bool folder = entry->Kind == kindFolder;
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case colName: return Bytes(entry->Name());
        case colSize: return folder ? QString() : EntrySizeText(*entry);
        case colCategory: return Bytes(entry->CategoryName());
        case colDate: return folder ? QString() : EntryDateText(entry->Date);
        default: {
            const auto detail = DetailColumnAt(index.column());
            return detail ? DetailColumnText(*entry, *detail) : QString();
        }
        }
    case Qt::DecorationRole: {
        if (index.column() != colName || !folders_) return {};
        const QIcon icon = folders_->At(EntryImageIndex(*entry));
        return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case Qt::TextAlignmentRole:
        return CellAlignment(index.column());
    case Qt::ToolTipRole:
        if (index.column() == colSize && !folder) return ExactSizeText(entry->Size);
        if (const QString details = DetailsToolTip(*entry); !details.isEmpty()) return details;
        return {};
    case SortRole:
        return SortValue(*entry, index.column(), false);
    default:
        return {};
    }
}

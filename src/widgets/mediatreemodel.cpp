// The media tree. A node's internal id is the address of its object: a medium's address with the
// lowest bit set (objects are at least 4-byte aligned), or a folder entry's address as it is.
#include "widgets/imagelists.h"
#include "widgets/mediaviewmodels.h"
#include "widgets/mountwatcher.h"
#include "catalogue/asciicase.h"
#include "language/messagetable.h"
#include "widgets/sortvalues.h"

#include <QGuiApplication>
#include <QPalette>

#include <algorithm>

namespace {

constexpr int kColumns = 4; // Name, Category, then Free and Capacity, hidden at first
constexpr int kFolderIcon = 8;
constexpr int kDamagedIcon = 9;

const CMedium* MediumOf(quintptr id) {
    return (id & 1) != 0 ? reinterpret_cast<const CMedium*>(id & ~quintptr(1)) : nullptr;
}

CFile* FolderOf(quintptr id) { return (id & 1) == 0 ? reinterpret_cast<CFile*>(id) : nullptr; }

QString Bytes(std::string_view text) { return QString::fromLocal8Bit(QByteArrayView(text)); }

enum { colFree = 2, colCapacity = 3 };

// The hint of a medium whose block was found damaged says so, as the icon does.
QString DamageLine(const CMedium& medium) {
    if (medium.LoadFailure != TLoadFailure::Damaged) return {};
    return QStringLiteral("\n\n") +
           QString::fromStdString(ShelvixMessages::msgMediumDamaged).arg(Bytes(medium.Name));
}

int64_t SpaceOf(const TMediumAdditions& reading, int column) {
    if (!reading.HasSpace()) return -1;
    return column == colFree ? reading.FreeSpace : reading.Capacity;
}

} // namespace

TMediaTreeModel::TMediaTreeModel(const TImageList* drives, QObject* parent)
    : TColumnTitlesModel({QStringLiteral("Name"), QStringLiteral("Category"),
                          QStringLiteral("Free"), QStringLiteral("Capacity")},
                         parent),
      drives_(drives) {
    // Mounting and unmounting change how media look, nothing else: no reset, no new rows.
    connect(&TMountWatcher::Instance(), &TMountWatcher::Changed, this, [this] {
        if (!roots_.empty())
            emit dataChanged(index(0, 0), index(static_cast<int>(roots_.size()) - 1, kColumns - 1),
                             {Qt::DecorationRole, Qt::ForegroundRole, Qt::ToolTipRole});
    });
}

void TMediaTreeModel::MediumChanged(const CMedium* medium) {
    const QModelIndex row = IndexOfMedium(medium);
    if (row.isValid())
        emit dataChanged(row, row.siblingAtColumn(kColumns - 1), {Qt::DecorationRole, Qt::ToolTipRole});
}

int TMediaTreeModel::DefaultColumnWidth(int section) {
    static constexpr int kWidths[kColumns] = {180, 100, 80, 80};
    return section >= 0 && section < kColumns ? kWidths[section] : 0;
}

quintptr TMediaTreeModel::MediumId(const CMedium* medium) {
    return reinterpret_cast<quintptr>(medium) | 1;
}

void TMediaTreeModel::FillMediaTree(CMedienListe* catalogue) {
    beginResetModel();
    roots_.clear();
    folders_.clear();
    if (catalogue) {
        for (int i = 0; i < catalogue->Count(); ++i) {
            CMedium* medium = catalogue->GetMedium(i);
            if (medium && medium->Present) roots_.push_back({medium, i});
        }
    }
    ApplySort();
    endResetModel();
}

void TMediaTreeModel::Clear() { FillMediaTree(nullptr); }

void TMediaTreeModel::FillFolderNodes(CMedium* medium) {
    if (!medium || !medium->ContentLoaded) return;
    const auto row = mediumRow_.find(medium);
    if (row == mediumRow_.end()) return;
    const QModelIndex node = createIndex(row->second, 0, MediumId(medium));

    std::vector<CFile*> current;
    for (CFile* entry : medium->Entries())
        if (entry->Kind == kindFolder) current.push_back(entry);

    if (const auto shown = folders_.find(medium); shown != folders_.end()) {
        // Selecting a medium again keeps its folder nodes, and with them what the user
        // expanded, as long as its folders are still the same ones.
        const auto& nodes = FolderChildren(shown->second, medium, medium->Entries());
        if (nodes == current) return;
        const int count = static_cast<int>(nodes.size());
        if (count > 0) beginRemoveRows(node, 0, count - 1);
        folders_.erase(shown);
        if (count > 0) endRemoveRows();
    }
    const int count = static_cast<int>(current.size());
    if (count > 0) beginInsertRows(node, 0, count - 1);
    folders_.emplace(medium, FolderNodes{});
    if (count > 0) endInsertRows();
}

NodeObject TMediaTreeModel::ObjectAt(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return {};
    const quintptr id = index.internalId();
    if (const CMedium* medium = MediumOf(id)) return {const_cast<CMedium*>(medium), nullptr};
    return {nullptr, FolderOf(id)};
}

QModelIndex TMediaTreeModel::IndexOfMedium(const CMedium* medium) const {
    const auto row = mediumRow_.find(medium);
    return row == mediumRow_.end() ? QModelIndex() : createIndex(row->second, 0, MediumId(medium));
}

QModelIndex TMediaTreeModel::IndexOfEntry(const CFile* folder) const {
    if (!folder || folder->Kind != kindFolder) return {};
    std::vector<const CFile*> chain; // the folder, then its parents up to a root entry
    for (const CFile* up = folder; up; up = up->Parent) {
        if (up->Kind != kindFolder) return {};
        chain.push_back(up);
    }
    const CMedium* medium = folder->Medium;
    const auto shown = folders_.find(medium);
    if (shown == folders_.end() || !mediumRow_.contains(medium)) return {};
    FolderNodes& nodes = shown->second;
    const void* key = medium;
    const EntryList* entries = &medium->Entries();
    int row = -1;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const auto& children = FolderChildren(nodes, key, *entries);
        const auto found = nodes.rowOf.find(*it);
        if (found == nodes.rowOf.end() || found->second >= static_cast<int>(children.size()) ||
            children[static_cast<size_t>(found->second)] != *it)
            return {};
        row = found->second;
        key = *it;
        entries = &(*it)->Children();
    }
    return createIndex(row, 0, reinterpret_cast<quintptr>(folder));
}

void TMediaTreeModel::SortBy(int column, Qt::SortOrder order) {
    sortColumn_ = std::max(column, -1);
    sortOrder_ = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    ApplySort();
    // Only the media change rows; folder nodes keep theirs under their moved medium.
    QModelIndexList from, to;
    for (const QModelIndex& index : persistentIndexList()) {
        const CMedium* medium = MediumOf(index.internalId());
        if (!medium) continue;
        const auto row = mediumRow_.find(medium);
        from << index;
        to << (row == mediumRow_.end()
                   ? QModelIndex()
                   : createIndex(row->second, index.column(), index.internalId()));
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int TMediaTreeModel::SortColumn() const { return sortColumn_; }
Qt::SortOrder TMediaTreeModel::SortOrder() const { return sortOrder_; }

void TMediaTreeModel::ApplySort() {
    if (sortColumn_ < 0) {
        std::stable_sort(roots_.begin(), roots_.end(), [](const RootMedium& a, const RootMedium& b) {
            return a.cataloguePosition < b.cataloguePosition;
        });
    } else {
        // The values are made once: a category text is a fresh string on every call.
        struct Keyed {
            QVariant value;
            RootMedium root;
        };
        std::vector<Keyed> keyed;
        keyed.reserve(roots_.size());
        for (const RootMedium& root : roots_) keyed.push_back({SortValue(*root.medium, sortColumn_), root});
        const bool descending = sortOrder_ == Qt::DescendingOrder;
        // Stable either way: media that compare equal keep the order they were shown in.
        std::stable_sort(keyed.begin(), keyed.end(), [descending](const Keyed& a, const Keyed& b) {
            const int result = CompareSortValues(a.value, b.value);
            return descending ? result > 0 : result < 0;
        });
        for (size_t i = 0; i < keyed.size(); ++i) roots_[i] = keyed[i].root;
    }
    RebuildMediumRows();
}

// What a medium sorts by in a column: its name and category as bytes, its space as a number
// (unknown sizes first).
QVariant TMediaTreeModel::SortValue(const CMedium& medium, int column) {
    if (column >= colFree) {
        const int64_t bytes = SpaceOf(medium.Additions, column);
        return bytes < 0 ? QVariant() : QVariant(qint64(bytes));
    }
    return QByteArray::fromStdString(column == 0 ? medium.Name : medium.CategoryName());
}

void TMediaTreeModel::RebuildMediumRows() {
    mediumRow_.clear();
    mediumRow_.reserve(roots_.size());
    for (size_t i = 0; i < roots_.size(); ++i) mediumRow_[roots_[i].medium] = static_cast<int>(i);
}

const std::vector<CFile*>& TMediaTreeModel::FolderChildren(FolderNodes& nodes, const void* key,
                                                           const EntryList& entries) const {
    auto found = nodes.children.find(key);
    if (found != nodes.children.end()) return found->second;
    std::vector<CFile*> folders;
    for (CFile* entry : entries) {
        if (entry->Kind != kindFolder) continue;
        nodes.rowOf[entry] = static_cast<int>(folders.size());
        folders.push_back(entry);
    }
    return nodes.children.emplace(key, std::move(folders)).first->second;
}

const std::vector<CFile*>* TMediaTreeModel::FolderChildrenOf(const QModelIndex& parent) const {
    const quintptr id = parent.internalId();
    if (const CMedium* medium = MediumOf(id)) {
        const auto shown = folders_.find(medium);
        if (shown == folders_.end()) return nullptr;
        return &FolderChildren(shown->second, medium, medium->Entries());
    }
    const CFile* folder = FolderOf(id);
    const auto shown = folders_.find(folder->Medium);
    if (shown == folders_.end()) return nullptr;
    return &FolderChildren(shown->second, folder, folder->Children());
}

int TMediaTreeModel::FolderRow(const CFile* folder) const {
    const auto shown = folders_.find(folder->Medium);
    if (shown == folders_.end()) return -1;
    FolderNodes& nodes = shown->second;
    auto found = nodes.rowOf.find(folder);
    if (found == nodes.rowOf.end()) {
        // Rows are recorded when the parent's folder list is made; make it now.
        if (folder->Parent) FolderChildren(nodes, folder->Parent, folder->Parent->Children());
        else FolderChildren(nodes, folder->Medium, folder->Medium->Entries());
        found = nodes.rowOf.find(folder);
        if (found == nodes.rowOf.end()) return -1;
    }
    return found->second;
}

QModelIndex TMediaTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= kColumns) return {};
    if (!parent.isValid()) {
        if (row >= static_cast<int>(roots_.size())) return {};
        return createIndex(row, column, MediumId(roots_[static_cast<size_t>(row)].medium));
    }
    if (parent.column() != 0) return {};
    const std::vector<CFile*>* children = FolderChildrenOf(parent);
    if (!children || row >= static_cast<int>(children->size())) return {};
    return createIndex(row, column, reinterpret_cast<quintptr>((*children)[static_cast<size_t>(row)]));
}

QModelIndex TMediaTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    const CFile* folder = FolderOf(child.internalId());
    if (!folder) return {};
    if (!folder->Parent) return IndexOfMedium(folder->Medium);
    const int row = FolderRow(folder->Parent);
    return row < 0 ? QModelIndex() : createIndex(row, 0, reinterpret_cast<quintptr>(folder->Parent));
}

int TMediaTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return static_cast<int>(roots_.size());
    if (parent.column() != 0) return 0;
    const std::vector<CFile*>* children = FolderChildrenOf(parent);
    return children ? static_cast<int>(children->size()) : 0;
}

QVariant TMediaTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const NodeObject object = ObjectAt(index);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (index.column() >= colFree) {
            const int64_t bytes = object.medium ? SpaceOf(object.medium->Additions, index.column()) : -1;
            return bytes < 0 ? QString() : QString::fromStdString(SpaceText(bytes));
        }
        if (object.medium)
            return index.column() == 0 ? Bytes(object.medium->Name)
                                       : Bytes(object.medium->CategoryName());
        return index.column() == 0 ? Bytes(object.entry->Name())
                                   : Bytes(object.entry->CategoryName());
    case SortRole:
        return object.medium ? SortValue(*object.medium, index.column()) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() >= colFree ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case Qt::ForegroundRole:
        // Media that are not mounted are drawn as disabled things are.
        if (!object.medium || TMountWatcher::Instance().IsMounted(*object.medium)) return {};
        return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
    case Qt::DecorationRole: {
        if (index.column() != 0 || !drives_) return {};
        // A medium whose block is damaged shows it by its shape, not by a colour alone.
        const int icon = !object.medium ? kFolderIcon
                         : object.medium->LoadFailure == TLoadFailure::Damaged
                             ? kDamagedIcon
                             : DriveImageIndex(object.medium->DriveType);
        const QIcon image = drives_->At(icon);
        if (image.isNull()) return {};
        if (object.medium && !TMountWatcher::Instance().IsMounted(*object.medium))
            return DimmedIcon(image);
        return image;
    }
    case Qt::ToolTipRole:
        // The hint's lines are separated by carriage returns, which Qt's tooltips do not break
        // at; shown with line feeds, it reads as the eight lines it is. A notice's own CR LF is
        // one line break too.
        if (!object.medium) return {};
        return MediumHint(*object.medium).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                   .replace(u'\r', u'\n') +
               MediumDeskLines(*object.medium) + DamageLine(*object.medium);
    default:
        return {};
    }
}

Qt::ItemFlags TMediaTreeModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractItemModel::flags(index);
    if (index.column() == 0 && ObjectAt(index).medium) flags |= Qt::ItemIsEditable;
    return flags;
}

bool TMediaTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    CMedium* medium = index.column() == 0 ? ObjectAt(index).medium : nullptr;
    if (!medium || role != Qt::EditRole) return false;
    const std::string name = value.toString().toLocal8Bit().toStdString();
    if (name == medium->Name) return true; // Enter on the name as it was changes nothing
    medium->Name = name;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::ToolTipRole});
    emit NameEdited(medium);
    return true;
}

// The header holds both models and has no source file of its own name, so its meta-object code
// is pulled in here.
#include "moc_mediaviewmodels.cpp"

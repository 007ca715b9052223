// The two views of the main window as models over the open catalogue. A node is a pointer to a
// CMedium or a CFile; every text, icon and hint is computed when the view asks for it, and
// nothing of the catalogue is copied. Children are worked out per parent when first needed, so
// a medium of a million entries opens at once.
#pragma once

#include "widgets/columntitlesmodel.h"
#include "widgets/detailtexts.h"
#include "catalogue/mediaclasses.h"

#include <optional>
#include <unordered_map>
#include <vector>

class TImageList;

// The object a node refers to: exactly one of the two is set.
struct NodeObject {
    CMedium* medium = nullptr;
    CFile* entry = nullptr;
};

// VTMedien: present media as roots; below a medium, once FillFolderNodes ran for it, its
// folders (kind 2 only), each with its folders.
class TMediaTreeModel : public TColumnTitlesModel {
    Q_OBJECT
public:
    explicit TMediaTreeModel(const TImageList* drives, QObject* parent = nullptr);

    void FillMediaTree(CMedienListe* catalogue); // one model reset; applies the current sort
    void FillFolderNodes(CMedium* medium);       // no-op for none or content not loaded
    void Clear();
    NodeObject ObjectAt(const QModelIndex& index) const;
    // The medium's look changed (its content found damaged, or read after all).
    void MediumChanged(const CMedium* medium);
    QModelIndex IndexOfMedium(const CMedium* medium) const;
    QModelIndex IndexOfEntry(const CFile* folder) const; // for folder nodes that exist
    // Header-click sorting: column -1 means catalogue order.
    void SortBy(int column, Qt::SortOrder order);
    int SortColumn() const;
    Qt::SortOrder SortOrder() const;

    // QAbstractItemModel; the column titles come from TColumnTitlesModel.
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // A medium's name can be edited in place (F2, or right after Add): the edit changes the
    // medium's Name and says so with NameEdited.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // Widths are the view's initial sizes, as drawn for an 8-point font (TFontScale).
    static int DefaultColumnWidth(int section);

signals:
    void NameEdited(CMedium* medium);

private:
    struct RootMedium {
        CMedium* medium;
        int cataloguePosition;
    };
    // The folder nodes below one medium: per parent (the medium or a folder) its folder
    // children, and each folder's row among its siblings. Built when first asked for.
    struct FolderNodes {
        std::unordered_map<const void*, std::vector<CFile*>> children;
        std::unordered_map<const CFile*, int> rowOf;
    };

    static quintptr MediumId(const CMedium* medium);
    const std::vector<CFile*>& FolderChildren(FolderNodes& nodes, const void* key,
                                              const EntryList& entries) const;
    const std::vector<CFile*>* FolderChildrenOf(const QModelIndex& parent) const;
    int FolderRow(const CFile* folder) const;
    void ApplySort();
    static QVariant SortValue(const CMedium& medium, int column);
    void RebuildMediumRows();

    const TImageList* drives_;
    std::vector<RootMedium> roots_; // display order
    std::unordered_map<const CMedium*, int> mediumRow_;
    mutable std::unordered_map<const CMedium*, FolderNodes> folders_; // media with folder nodes
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

// VTExplorer: one medium's whole content; per parent, folders first, then the others, each in
// stored order.
class TExplorerModel : public TColumnTitlesModel {
    Q_OBJECT
public:
    // The detail columns (TDetailColumn) follow the explorer's own.
    enum Column { colName, colSize, colCategory, colDate, colFirstDetail };
    explicit TExplorerModel(const TImageList* folders, QObject* parent = nullptr);

    void FillExplorer(CMedium* medium); // one model reset
    void Clear();
    CMedium* Medium() const;
    CFile* EntryAt(const QModelIndex& index) const;
    // The node of an entry of the shown medium (its parents are worked out on the way).
    QModelIndex IndexOfEntry(const CFile* entry) const;
    // Header-click sorting by any column's value (SortRole); folders stay before the other
    // entries either way. Column -1 is the stored order. Expanded and selected nodes follow
    // their entries.
    void SortBy(int column, Qt::SortOrder order);
    int SortColumn() const { return sortColumn_; }
    Qt::SortOrder SortOrder() const { return sortOrder_; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    static int DefaultColumnWidth(int section); // the explorer's own columns
    static std::optional<TDetailColumn> DetailColumnAt(int column);

private:
    // The children of one parent in display order. When the stored order already has the
    // folders first (the usual case) the stored list is used as it is and nothing is copied.
    struct Order {
        const EntryList* stored = nullptr;
        std::vector<CFile*> reordered;
        bool identity = true;
        int Count() const { return identity ? stored->Count() : int(reordered.size()); }
        CFile* At(int row) const { return identity ? stored->At(row) : reordered[size_t(row)]; }
    };

    const Order& OrderOf(const CFile* parent) const; // nullptr: the medium's root entries
    void SortOrderOf(Order& order) const;
    QVariant SortValue(const CFile& entry, int column, bool inPlace) const;
    const Order* OrderAt(const QModelIndex& parent) const;
    int ContainerRow(const CFile* container) const;

    const TImageList* folders_;
    CMedium* medium_ = nullptr;
    mutable Order rootOrder_;
    mutable bool rootOrderBuilt_ = false;
    mutable std::unordered_map<const CFile*, Order> orders_;
    // Rows of the entries that can have children, filled as their parent's order is built, so
    // that parent() is one lookup even among a million siblings.
    mutable std::unordered_map<const CFile*, int> containerRow_;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

// Texts shared by the views and later by the search results.
QString EntrySizeText(const CFile& entry);
QString SizeCellText(int64_t bytes); // what a size column shows: "0 KB", "1.50 MB"
QString EntryDateText(double dayCount); // short date + long time; no time at midnight
// The exact byte count, digits grouped as the system writes them: "1,234,567 bytes". Sizes of
// 1,024 bytes or less read "0 KB" in the size columns, so this is what tells them apart.
QString ExactSizeText(int64_t bytes);
// "«img 001.jpg»  500 bytes (0 KB)  17/07/2003 12:00": what the status line says of a selected
// file; empty for folders.
QString EntryStatusText(const CFile& entry);
// Full dates and times as EntryDateText writes them, one for every month and both halves of the
// day, so that a Date column can be made wide enough for any of them.
QStringList FullDateSamples();
QString MediumHint(const CMedium& medium);
QString MediumStatusText(const CMedium& medium);
// The lines the media tree's tooltip adds to the hint: where the medium is mounted, and its free
// space when it was read. Each begins with a line feed; empty when neither is known.
QString MediumDeskLines(const CMedium& medium);
// The icon as the desktop draws it disabled, for media that are not mounted.
QIcon DimmedIcon(const QIcon& icon);

// Icon numbers shared by the views and the search results: a medium's drive icon in
// ImageListDrives by its drive type (-1: none), and an entry's icon in ImageListFolders.
int DriveImageIndex(uint32_t driveType);
int EntryImageIndex(const CFile& entry);
int KindImageIndex(int32_t kind); // the same by the entry's kind alone

// The search results model: texts, icons and the header-click sorting of VSTResults.
#include "search/ufrmSearch_results.h"

#include "widgets/imagelists.h"
#include "widgets/sortvalues.h"
#include "widgets/mediaviewmodels.h"
#include "catalogue/asciicase.h"
#include "catalogue/mediaclasses.h"

#include <QHeaderView>

#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>
#include <optional>
#include <string>

namespace {

constexpr int kRemovedMediumIcon = 7;
constexpr int kMediumRowIcon = 4; // a medium's row in the kind column

QString Bytes(std::string_view text) { return QString::fromLocal8Bit(QByteArrayView(text)); }

int64_t SizeKey(const std::optional<TFoundEntry>& entry) { return entry ? entry->size : 0; }

// Dates read from a damaged file may be NaN, which has no place in an order; it sorts first.
double DateKey(const std::optional<TFoundEntry>& entry) {
    const double date = entry ? entry->date : 0;
    return std::isnan(date) ? -INFINITY : date;
}

template <typename T> int Compare(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }

} // namespace

TSearchResultsModel::TSearchResultsModel(const TImageList* drives, QObject* parent)
    : TFlatListModel({QString(), QStringLiteral("Media"), QString(), QStringLiteral("Result"),
                          QStringLiteral("Size"), QStringLiteral("Date"),
                          QStringLiteral("Location")},
                         parent),
      drives_(drives) {
    SetRightAlignedColumn(colSize);
    SetSpokenTitles({QStringLiteral("Medium kind"), QString(), QStringLiteral("Kind")});
    AddMessageColumns(DetailColumnTitles());
}

namespace {
std::optional<TDetailColumn> DetailColumnAt(int column) {
    const int detail = column - TSearchResultsModel::kColumns;
    if (detail < 0 || detail >= kDetailColumnCount) return std::nullopt;
    return TDetailColumn(detail);
}
} // namespace

void TSearchResultsModel::Fill(const TSearchResults* results) {
    beginResetModel();
    results_ = results;
    Rows.clear();
    if (results_) {
        Rows.resize(results_->size());
        std::iota(Rows.begin(), Rows.end(), 0);
        ApplySort();
    }
    endResetModel();
}

std::optional<TFoundEntry> TSearchResultsModel::EntryOf(const TSearchRow& row) const {
    if (row.entry) return FoundEntryOf(*row.entry);
    if (row.indexRow != TSearchRow::kNotIndexed && indexed_) return indexed_->At(row.indexRow).Entry();
    return std::nullopt;
}

std::string_view TSearchResultsModel::DetailsOf(const TSearchRow& row) const {
    if (row.entry) {
        const std::string* packed = row.entry->Medium ? row.entry->Medium->Details.Packed(row.entry) : nullptr;
        return packed ? std::string_view(*packed) : std::string_view();
    }
    if (row.indexRow != TSearchRow::kNotIndexed && indexed_) return indexed_->At(row.indexRow).details;
    return {};
}

std::string TSearchResultsModel::FolderOf(const TSearchRow& row) const {
    if (row.entry) return row.entry->FolderPath();
    if (row.indexRow != TSearchRow::kNotIndexed && indexed_) return indexed_->At(row.indexRow).folder;
    return {};
}

std::string_view TSearchResultsModel::TextOf(const TSearchRow& row) const {
    if (!row.entry && row.indexRow != TSearchRow::kNotIndexed)
        return indexed_ ? std::string_view(indexed_->At(row.indexRow).name) : std::string_view();
    return row.Text();
}

const TSearchRow* TSearchResultsModel::RowAt(const QModelIndex& index) const {
    if (!results_ || !index.isValid() || index.model() != this ||
        index.row() >= int(Rows.size()))
        return nullptr;
    return &(*results_)[size_t(Rows[size_t(index.row())])];
}

void TSearchResultsModel::Inserted(int first, int count) {
    if (!results_ || count <= 0) return;
    if (sortColumn_ < 0) { // list order: the nodes go where the rows went
        beginInsertRows({}, first, first + count - 1);
        Rows.insert(Rows.begin() + first, size_t(count), 0);
        std::iota(Rows.begin() + first, Rows.end(), first);
        endInsertRows();
        return;
    }
    // The rows behind them moved: their nodes follow them, showing what they showed.
    for (int& row : Rows)
        if (row >= first) row += count;
    const int end = int(Rows.size());
    beginInsertRows({}, end, end + count - 1);
    for (int row = first; row < first + count; ++row) Rows.push_back(row);
    endInsertRows();
    ReorderRows(Rows, [this] { ApplySort(); });
}

void TSearchResultsModel::ClickColumn(int column, QHeaderView* header) {
    Qt::SortOrder order = sortOrder_;
    if (column == sortColumn_) order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    SortBy(column, order);
    header->setSortIndicator(column, order);
}

void TSearchResultsModel::SortBy(int column, Qt::SortOrder order) {
    sortColumn_ = std::max(column, -1);
    sortOrder_ = order;
    ReorderRows(Rows, [this] { ApplySort(); });
}

namespace {

// A text's sort key: its first sixteen bytes, letters folded, as two big-endian numbers, so
// that most comparisons are two integer comparisons on keys lying side by side instead of a
// walk to two names somewhere in the catalogue. The order is the natural one, in which digits
// count by the value of their run: the numbers decide only where the two texts first differ
// before either has a digit. Otherwise, and for texts that agree in those bytes, the texts are
// compared in full; a text shorter than sixteen bytes is padded with zeros, which the full
// comparison then tells apart from real zero bytes.
struct TextKey {
    uint64_t high = 0, low = 0;
    std::string_view text;
    int row = 0;
    int plain = 16; // bytes before the first digit, at most 16
};

TextKey MakeTextKey(std::string_view text, int row) {
    TextKey key{0, 0, text, row};
    for (size_t i = 0; i < 16; ++i) {
        const unsigned char c = i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
        if (c >= '0' && c <= '9' && key.plain == 16) key.plain = int(i);
        (i < 8 ? key.high : key.low) |= uint64_t(FoldAscii(c)) << (8 * (7 - i % 8));
    }
    return key;
}

int CompareTextKeys(const TextKey& a, const TextKey& b) {
    const uint64_t high = a.high ^ b.high, low = a.low ^ b.low;
    if (high != 0 || low != 0) {
        const int differs = high != 0 ? std::countl_zero(high) / 8 : 8 + std::countl_zero(low) / 8;
        if (differs < a.plain && differs < b.plain) {
            if (a.high != b.high) return a.high < b.high ? -1 : 1;
            return a.low < b.low ? -1 : 1;
        }
    }
    return CompareNatural(a.text, b.text);
}

} // namespace

// Rows of equal keys keep the order they were found in, in either direction: the row index
// decides between them.
void TSearchResultsModel::ApplySort() {
    std::iota(Rows.begin(), Rows.end(), 0);
    if (!results_) return;
    const TSearchResults& rows = *results_;
    const bool descending = sortOrder_ == Qt::DescendingOrder;
    const auto sortKeys = [&](auto& keys, auto compare) {
        std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
            const int order = descending ? compare(b, a) : compare(a, b);
            return order != 0 ? order < 0 : a.row < b.row;
        });
        for (size_t i = 0; i < keys.size(); ++i) Rows[i] = keys[i].row;
    };
    const auto sortTexts = [&](auto textOf) {
        std::vector<TextKey> keys;
        keys.reserve(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) keys.push_back(MakeTextKey(textOf(rows[i], i), int(i)));
        sortKeys(keys, CompareTextKeys);
    };
    const auto sortNumbers = [&](auto keyOf) {
        struct NumberKey {
            decltype(keyOf(rows[0])) key;
            int row;
        };
        std::vector<NumberKey> keys;
        keys.reserve(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) keys.push_back({keyOf(rows[i]), int(i)});
        sortKeys(keys, [](const NumberKey& a, const NumberKey& b) { return Compare(a.key, b.key); });
    };
    switch (sortColumn_) {
    case colMedium:
        sortTexts([](const TSearchRow& row, size_t) { return std::string_view(row.medium->Name); });
        break;
    case colResult:
        sortTexts([this](const TSearchRow& row, size_t) { return TextOf(row); });
        break;
    case colSize:
        sortNumbers([this](const TSearchRow& row) { return SizeKey(EntryOf(row)); });
        break;
    case colDate:
        sortNumbers([this](const TSearchRow& row) { return DateKey(EntryOf(row)); });
        break;
    case colLocation: {
        // A path is built from its folders; build each once rather than per comparison.
        std::vector<std::string> paths(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) paths[i] = FolderOf(rows[i]);
        sortTexts([&paths](const TSearchRow&, size_t i) { return std::string_view(paths[i]); });
        break;
    }
    default: { // the icon columns and list order compare nothing
        const auto detail = DetailColumnAt(sortColumn_);
        if (!detail) break;
        struct DetailKey {
            QVariant value;
            int row;
        };
        std::vector<DetailKey> keys;
        keys.reserve(rows.size());
        for (size_t i = 0; i < rows.size(); ++i)
            keys.push_back({DetailColumnSortValue(DetailsOf(rows[i]), *detail), int(i)});
        // Rows without the detail go last in either direction, so the direction is the
        // comparison's, not sortKeys'.
        std::stable_sort(keys.begin(), keys.end(), [descending](const DetailKey& a, const DetailKey& b) {
            return CompareInOrder(a.value, b.value, descending) < 0;
        });
        for (size_t i = 0; i < keys.size(); ++i) Rows[i] = keys[i].row;
        break;
    }
    }
}

QVariant TSearchResultsModel::data(const QModelIndex& index, int role) const {
    const TSearchRow* row = RowAt(index);
    if (!row) return {};
    const std::optional<TFoundEntry> entry = EntryOf(*row);
    const bool sized = entry && entry->kind != kindFolder; // files and archives
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case colMedium: return Bytes(row->medium->Name);
        case colResult: return Bytes(TextOf(*row));
        case colSize: return sized ? SizeCellText(entry->size) : QString();
        case colDate: return sized ? EntryDateText(entry->date) : QString();
        case colLocation: return entry ? Bytes(FolderOf(*row)) : QString();
        default: {
            const auto detail = DetailColumnAt(index.column());
            return detail && entry ? DetailColumnText(DetailsOf(*row), *detail) : QString();
        }
        }
    case Qt::DecorationRole: {
        QIcon icon;
        if (index.column() == colMediumIcon && drives_)
            icon = drives_->At(row->medium->Present ? DriveImageIndex(row->medium->DriveType)
                                                    : kRemovedMediumIcon);
        else if (index.column() == colKindIcon && folders_)
            icon = folders_->At(entry ? KindImageIndex(entry->kind) : kMediumRowIcon);
        return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case Qt::ToolTipRole:
        if (index.column() == colSize && sized) return ExactSizeText(entry->size);
        if (const QString details = entry ? DetailsToolTip(DetailsOf(*row)) : QString(); !details.isEmpty())
            return details;
        return {};
    case Qt::TextAlignmentRole:
        return CellAlignment(index.column());
    default:
        return {};
    }
}

#include "moc_ufrmSearch_results.cpp"

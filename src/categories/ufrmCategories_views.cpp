// The category views. Kept with the window units (the ufrm prefix) because it needs Qt, which
// the core library must not.
#include "categories/ufrmCategories_views.h"

#include "catalogue/mediaclasses.h"
#include "categories/categorylist.h"
#include "categories/ufrmCategories.h"

#include <QComboBox>
#include <QTreeView>

#include <algorithm>
#include <numeric>

namespace {
QString Shown(const std::string& name) {
    return QString::fromLocal8Bit(name.data(), qsizetype(name.size()));
}
} // namespace

TCategoryListModel::TCategoryListModel(QObject* parent)
    : TFlatListModel({QStringLiteral("Name")}, parent) {}

void TCategoryListModel::Fill(const CMedienListe* catalogue) {
    beginResetModel();
    catalogue_ = catalogue;
    Rows.resize(catalogue ? catalogue->Categories.size() : 0);
    std::iota(Rows.begin(), Rows.end(), 0);
    ApplySort();
    endResetModel();
}

void TCategoryListModel::Clear() { Fill(nullptr); }

int32_t TCategoryListModel::CategoryAt(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this || index.row() >= int(Rows.size())) return -1;
    return Rows[size_t(index.row())];
}

void TCategoryListModel::SortBy(int column, Qt::SortOrder order) {
    sortColumn_ = std::max(column, -1);
    sortOrder_ = order;
    ReorderRows(Rows, [this] { ApplySort(); });
}

void TCategoryListModel::ApplySort() {
    if (sortColumn_ < 0 || !catalogue_) {
        std::sort(Rows.begin(), Rows.end());
        return;
    }
    const auto& names = catalogue_->Categories;
    const bool descending = sortOrder_ == Qt::DescendingOrder;
    // From list order, so that equal names keep their list order in either direction.
    std::sort(Rows.begin(), Rows.end());
    std::stable_sort(Rows.begin(), Rows.end(), [&names, descending](int32_t a, int32_t b) {
        const int order = CompareCategoryNames(names[size_t(a)], names[size_t(b)]);
        return descending ? order > 0 : order < 0;
    });
}

QVariant TCategoryListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || index.column() != 0 || !catalogue_) return {};
    const int32_t category = CategoryAt(index);
    // The list may have shrunk since the last fill; such a node shows nothing until the next.
    if (category < 0 || size_t(category) >= catalogue_->Categories.size()) return {};
    return Shown(catalogue_->Categories[size_t(category)]);
}

void FillCategoryList(QComboBox* pickList, const CMedienListe& catalogue) {
    pickList->clear();
    // Each name carries its index: a name that is not valid UTF-8 does not survive the trip
    // through the shown text, so callers must not look the shown text up again.
    for (const std::string& name : catalogue.CategoryPickList())
        pickList->addItem(Shown(name), catalogue.IndexOfCategory(name));
}

void FillCategoryTree(QTreeView* view, const CMedienListe& catalogue) {
    auto* model = dynamic_cast<TCategoryListModel*>(view->model());
    if (!model) {
        model = new TCategoryListModel(view);
        view->setModel(model);
    }
    model->Fill(&catalogue);
}

void SelectCategoryName(QComboBox* pickList, const std::string& name) {
    int found = -1;
    if (!name.empty()) {
        const QString shown = Shown(name);
        found = pickList->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (found < 0) found = pickList->findText(shown, Qt::MatchFixedString);
    }
    pickList->setCurrentIndex(found);
}

int32_t ChosenCategoryIndex(const QComboBox* pickList) {
    // The position in the catalogue's list, not in the sorted pick list. Names that differ only
    // in case are listed once, by the spelling with the lowest index, so the index each item
    // carries is the first position of its name compared without regard to case.
    return pickList->currentIndex() < 0 ? -1 : pickList->currentData().toInt();
}

void OpenCategoriesDialog(TfrmCategories& dialog, CMedienListe& catalogue, QComboBox* pickList,
                          const std::function<std::string()>& heldName) {
    dialog.FCatalogue = &catalogue;
    FillCategoryTree(dialog.VSTCategories, catalogue);
    dialog.ResetEditing();
    dialog.exec();
    dialog.FCatalogue = nullptr;
    dialog.Model()->Clear();
    if (!pickList) return;
    FillCategoryList(pickList, catalogue);
    SelectCategoryName(pickList, heldName ? heldName() : std::string());
}

#include "moc_ufrmCategories_views.cpp"

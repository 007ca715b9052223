// The category views: the categories dialog's list as a model over the catalogue's category
// indexes, the pick lists of the details and search dialogs, and the way a details dialog opens
// the categories dialog and takes up its changes afterwards.
#pragma once

#include "widgets/columntitlesmodel.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CMedienListe;
class QComboBox;
class QTreeView;
class TfrmCategories;

// One flat node per category index; the name is read from the catalogue whenever the view asks,
// so a rename shows without copying anything. Sorting reorders the nodes only: the catalogue's
// list, and with it every index, stays as it is.
class TCategoryListModel : public TFlatListModel {
    Q_OBJECT
public:
    explicit TCategoryListModel(QObject* parent = nullptr);

    // Node k carries index k, in list order; the current sort, if any, is applied again.
    void Fill(const CMedienListe* catalogue);
    void Clear();
    // The category index of a node, or -1 for none.
    int32_t CategoryAt(const QModelIndex& index) const;
    // Column -1 means list order; any other column sorts by name.
    void SortBy(int column, Qt::SortOrder order);

    QVariant data(const QModelIndex& index, int role) const override;

private:
    void ApplySort();

    const CMedienListe* catalogue_ = nullptr;
};

// Clears the pick list and fills it with the category names in ascending order without regard
// to letter case, names that compare equal that way once. Each item's data is the category
// index of its name (the first index holding exactly those bytes).
void FillCategoryList(QComboBox* pickList, const CMedienListe& catalogue);

// Gives the view one node per category index of the catalogue (installing a TCategoryListModel
// when the view has none yet).
void FillCategoryTree(QTreeView* view, const CMedienListe& catalogue);

// Selects the pick list's item that stands for `name` (its own spelling first, otherwise one that
// differs only in letter case, since the list shows such names once), or nothing when the name
// is empty or not in the list.
void SelectCategoryName(QComboBox* pickList, const std::string& name);

// The category index the pick list's choice stands for: the position in the catalogue's list of
// the first name equal to it without regard to letter case; -1 when nothing is chosen.
int32_t ChosenCategoryIndex(const QComboBox* pickList);

// The "..." button of a details dialog: the categories dialog edits the catalogue's list from an
// empty edit in add mode; afterwards the caller's pick list is filled again and shows the name
// the edited medium or entry holds, or nothing when the list lacks it. `heldName` is asked only
// once the dialog has closed: the dialog may have renamed that category or moved its index. The
// dialog lets go of the catalogue when it closes, so it never refers to one that was replaced.
void OpenCategoriesDialog(TfrmCategories& dialog, CMedienListe& catalogue, QComboBox* pickList,
                          const std::function<std::string()>& heldName);

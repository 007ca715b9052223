// A folder of the explorer as large icons: each entry's preview (the entry's own icon for
// entries without one), its name below, in the explorer's order. It shows the explorer's own
// model with the explorer's selection model, so a selection made in either is the other's, and
// whatever acts on the explorer's selection (Details, Open, the status line) acts on it.
#pragma once

#include <QListView>

#include <functional>

class CFile;
class CMedienListe;
class TPreviewLoader;

class TPreviewIconView : public QListView {
    Q_OBJECT
public:
    using EntryAt = std::function<const CFile*(const QModelIndex&)>;
    using Catalogue = std::function<const CMedienListe*()>;
    // `loader` (not owned) reads the pictures; `entryAt` tells the entry of a node.
    TPreviewIconView(TPreviewLoader* loader, EntryAt entryAt, Catalogue catalogue, QWidget* parent);

    // Shows `list`'s model and shares its selection.
    void ShareWith(QAbstractItemView* list);
    // The folder shown follows the current node: a node outside it shows its own folder.
    void FollowCurrent(const QModelIndex& current);
    // Shows the folder (or archive) `node` and puts the cursor on its first entry.
    void Enter(const QModelIndex& node);
    // Shows the folder holding the one shown, its cursor on the folder left.
    void Up();

    static constexpr int kIconSide = 128;

protected:
    // A click selects the whole row, as the list does, so that the list's commands see it.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TPreviewLoader* loader_;
};

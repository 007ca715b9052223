#include "widgets/previewiconview.h"

#include "catalogue/mediaclasses.h"
#include "catalogue/previews.h"
#include "widgets/previewloader.h"

#include <QKeyEvent>
#include <QStyledItemDelegate>

namespace {

// The preview as the icon, asked for when first drawn; until it is there, and for entries
// without one, the entry's own icon stands in.
class TPreviewIconDelegate : public QStyledItemDelegate {
public:
    TPreviewIconDelegate(TPreviewLoader* loader, TPreviewIconView::EntryAt entryAt,
                         TPreviewIconView::Catalogue catalogue, QObject* parent)
        : QStyledItemDelegate(parent), loader_(loader), entryAt_(std::move(entryAt)),
          catalogue_(std::move(catalogue)) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->decorationSize = QSize(TPreviewIconView::kIconSide, TPreviewIconView::kIconSide);
        const CFile* entry = entryAt_(index);
        const CMedienListe* catalogue = catalogue_();
        if (!entry || !entry->Medium || !catalogue) return;
        QPixmap picture;
        if (loader_->Cached(entry, picture)) {
            if (!picture.isNull()) option->icon = QIcon(picture);
        } else if (HasPreview(*catalogue, *entry->Medium, entry)) {
            loader_->Request(catalogue, entry, false);
        }
    }

private:
    TPreviewLoader* loader_;
    TPreviewIconView::EntryAt entryAt_;
    TPreviewIconView::Catalogue catalogue_;
};

} // namespace

TPreviewIconView::TPreviewIconView(TPreviewLoader* loader, EntryAt entryAt, Catalogue catalogue,
                                   QWidget* parent)
    : QListView(parent), loader_(loader) {
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setWordWrap(true);
    setTextElideMode(Qt::ElideMiddle);
    setIconSize(QSize(kIconSide, kIconSide));
    setGridSize(QSize(kIconSide + 32, kIconSide + 2 * fontMetrics().height() + 16));
    setSpacing(4);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new TPreviewIconDelegate(loader_, std::move(entryAt), std::move(catalogue), this));
    // A picture read is drawn where its icon is.
    connect(loader_, &TPreviewLoader::Loaded, viewport(), qOverload<>(&QWidget::update));
}

void TPreviewIconView::ShareWith(QAbstractItemView* list) {
    setModel(list->model());
    QItemSelectionModel* own = selectionModel();
    setSelectionModel(list->selectionModel());
    if (own && own != list->selectionModel()) own->deleteLater();
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { FollowCurrent(current); });
}

void TPreviewIconView::FollowCurrent(const QModelIndex& current) {
    const QModelIndex node = current.siblingAtColumn(0);
    if (!node.isValid() || node.parent() == rootIndex()) return;
    setRootIndex(node.parent());
    scrollTo(node);
}

void TPreviewIconView::Enter(const QModelIndex& node) {
    const QModelIndex folder = node.siblingAtColumn(0);
    if (!folder.isValid() || !model()->hasChildren(folder)) return;
    setRootIndex(folder);
    const QModelIndex first = model()->index(0, 0, folder);
    if (first.isValid())
        selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TPreviewIconView::Up() {
    const QModelIndex left = rootIndex();
    if (!left.isValid()) return;
    setRootIndex(left.parent());
    selectionModel()->setCurrentIndex(left, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(left);
}

QItemSelectionModel::SelectionFlags TPreviewIconView::selectionCommand(const QModelIndex& index,
                                                                      const QEvent* event) const {
    QItemSelectionModel::SelectionFlags flags = QListView::selectionCommand(index, event);
    if (flags != QItemSelectionModel::NoUpdate) flags |= QItemSelectionModel::Rows;
    return flags;
}

void TPreviewIconView::keyPressEvent(QKeyEvent* event) {
    // Backspace and Alt+Up go to the folder above, as file managers have it.
    const bool up = (event->key() == Qt::Key_Backspace && event->modifiers() == Qt::NoModifier) ||
                    (event->key() == Qt::Key_Up && event->modifiers() == Qt::AltModifier);
    if (up) {
        Up();
        return;
    }
    QListView::keyPressEvent(event);
}

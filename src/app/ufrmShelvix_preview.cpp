// The preview pane at the right of the explorer and the find list, and the explorer's icon
// view: made here, toggled from the Media menu and the button bar's View, and kept between runs.
#include "app/ufrmShelvix.h"

#include "app/ufrmQuickFind.h"
#include "search/ufrmSearch.h"
#include "search/ufrmSearch_results.h"
#include "app/shelvixwindows.h"
#include "widgets/entryopener.h"
#include "widgets/mediaviewmodels.h"
#include "widgets/previewiconview.h"
#include "widgets/previewloader.h"
#include "widgets/previewpane.h"
#include "widgets/windowsettings.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>

namespace {
const QString kIconsKey = QStringLiteral("View/IconView");
// The pane's width when it first shows: a preview and a little room around it.
constexpr int kPaneWidth = 280;
} // namespace

QAbstractItemView* TfrmShelvix::ExplorerView() const {
    if (VTIcons && ExplorerPlace->currentWidget() == VTIcons) return VTIcons;
    return VTExplorer;
}

void TfrmShelvix::CreateViewButton() {
    mnuView = new QMenu(QStringLiteral("View"), this);
    mnuView->setObjectName(QStringLiteral("mnuView"));
    mnuView->addAction(actPreviewPane);
    mnuView->addAction(actIconView);
    SpeedBar1->addSeparator();
    // The button toggles the pane; its arrow opens the View menu with the icon view beside it.
    auto* button = new QToolButton(SpeedBar1);
    button->setDefaultAction(actPreviewPane);
    button->setMenu(mnuView);
    button->setPopupMode(QToolButton::MenuButtonPopup);
    button->setFixedSize(36, 23);
    SpeedBar1->addWidget(button)->setObjectName(QStringLiteral("SpeedBar1View"));
}

void TfrmShelvix::CreatePreviews() {
    FPreviewLoader = new TPreviewLoader(this);
    PreviewPane = new TPreviewPane(FPreviewLoader, Splitter1);
    PreviewPane->setObjectName(QStringLiteral("PreviewPane"));
    PreviewPane->setAccessibleName(QStringLiteral("Preview"));
    PreviewPane->setAccessibleDescription(QStringLiteral("The preview and facts of the selected entry"));
    PreviewPane->hide();
    Splitter1->addWidget(PreviewPane);
    Splitter1->setStretchFactor(Splitter1->indexOf(PreviewPane), 0);

    VTIcons = new TPreviewIconView(
        FPreviewLoader, [this](const QModelIndex& index) { return FExplorerModel->EntryAt(index); },
        [this] { return FCatalogue.get(); }, ExplorerPlace);
    VTIcons->setObjectName(QStringLiteral("VTIcons"));
    VTIcons->setAccessibleName(QStringLiteral("Icons"));
    VTIcons->setAccessibleDescription(QStringLiteral("The folder's entries as large previews"));
    VTIcons->setStyleSheet(VTExplorer->styleSheet().replace(QStringLiteral("QTreeView"), QStringLiteral("QListView")));
    VTIcons->ShareWith(VTExplorer);
    ExplorerPlace->addWidget(VTIcons);
    auto* iconsOpener = new TEntryOpener(
        VTIcons, [this](const QModelIndex& index) { return FExplorerModel->EntryAt(index); },
        [this](const QString& text) { StatusText->setText(text); });
    iconsOpener->AddToMenu(actDetails);
    // A folder opens in place, a file with the desktop's application, as in the list.
    connect(VTIcons, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& node) {
        CFile* entry = FExplorerModel->EntryAt(node);
        if (!entry) return;
        if (entry->HasChildrenKind()) VTIcons->Enter(node);
        else ExplorerOpener->Open(entry, false);
    });
    VTIcons->installEventFilter(this);
    VTIcons->installEventFilter(FQuickFind);

    // The pane follows the current node of each list, at once.
    const auto follow = [this](QAbstractItemView* view) {
        connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this, view] { PreviewCurrentOf(view); });
    };
    follow(VTMedien);
    follow(VTExplorer);
    follow(FQuickFind->VTFound);

    actPreviewPane->setChecked(PreviewPaneWanted());
    actIconView->setChecked(WindowSettings()->value(kIconsKey, false).toBool());
    connect(actPreviewPane, &QAction::toggled, this, [this](bool on) {
        KeepPreviewPaneWanted(on);
        ShowPreviewPane(on);
    });
    connect(actIconView, &QAction::toggled, this, [this](bool on) {
        WindowSettings()->setValue(kIconsKey, on);
        ShowIconView(on);
    });
}

void TfrmShelvix::PreviewCurrentOf(const QAbstractItemView* view) {
    FPreviewSource = view;
    if (!PreviewPane || !PreviewPane->isVisibleTo(this)) return;
    const QModelIndex current = view->currentIndex();
    if (view == VTMedien) {
        const NodeObject object = FMediaModel->ObjectAt(current);
        if (object.medium)
            PreviewPane->ShowMedium(object.medium, FMediaModel->data(current.siblingAtColumn(0), Qt::DecorationRole).value<QIcon>());
        else PreviewPane->ShowEntry(FCatalogue.get(), object.entry);
    } else if (view == FQuickFind->VTFound) {
        const TSearchRow* row = FQuickFind->Model().RowAt(current);
        CFile* entry = row ? FQuickFind->LoadedEntryOf(*row) : nullptr;
        if (entry) PreviewPane->ShowEntry(FCatalogue.get(), entry);
        else if (row && row->indexRow != TSearchRow::kNotIndexed) PreviewPane->Clear(); // not read yet
        else if (row) PreviewPane->ShowMedium(row->medium, ImageListDrives.At(DriveImageIndex(row->medium->DriveType)));
        else PreviewPane->Clear();
    } else {
        PreviewPane->ShowEntry(FCatalogue.get(), FExplorerModel->EntryAt(current));
    }
}

void TfrmShelvix::ShowPreviewPane(bool shown) {
    if (PreviewPane->isVisibleTo(this) != shown) {
        QList<int> sizes = Splitter1->sizes();
        const int pane = Splitter1->indexOf(PreviewPane);
        // The room comes from, and goes back to, the widest list.
        const auto widest = std::max_element(sizes.begin() + 1, sizes.end());
        const int width = std::min(kPaneWidth, *widest / 2);
        if (shown && width > 0) {
            *widest -= width;
            sizes[pane] = width;
        } else if (!shown) {
            *widest += sizes[pane];
            sizes[pane] = 0;
        }
        PreviewPane->setVisible(shown);
        // Before the window is laid out the lists have no width yet: PlaceOnScreen gives it.
        if (*widest > 0) Splitter1->setSizes(sizes);
    }
    // The search's results have a pane of their own, shown with this one.
    if (FWindows && FWindows->frmSearch) FWindows->frmSearch->ShowPreviewPane(shown);
    if (!shown) return PreviewPane->Clear();
    const QWidget* focus = focusWidget();
    if (focus == VTMedien) PreviewCurrentOf(VTMedien);
    else if (FQuickFind->VTFound->isVisibleTo(this)) PreviewCurrentOf(FQuickFind->VTFound);
    else PreviewCurrentOf(VTExplorer);
}

void TfrmShelvix::ShowIconView(bool shown) {
    const bool focused = ExplorerView()->hasFocus();
    if (shown) VTIcons->FollowCurrent(VTExplorer->currentIndex());
    ExplorerPlace->setCurrentWidget(shown ? static_cast<QWidget*>(VTIcons) : VTExplorer);
    if (focused) ExplorerView()->setFocus(Qt::OtherFocusReason);
}

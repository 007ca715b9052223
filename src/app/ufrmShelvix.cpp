// Creation and layout of the main window.
#include "app/ufrmShelvix.h"

#include "language/messagetable.h"
#include "widgets/dimmedrows.h"
#include "widgets/fontscale.h"
#include "app/helpevents.h"
#include "widgets/interaction.h"
#include "widgets/languagetranslator.h"
#include "widgets/mediaviewmodels.h"
#include "widgets/windowsettings.h"
#include "scan/rarlibrary.h"
#include "app/ufrmQuickFind.h"
#include "widgets/previewpane.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QToolBar>
#include <QProgressBar>
#include <QScreen>
#include <QStyle>
#include <QSplitter>
#include <QStackedWidget>
#include <QTreeView>
#include <QWindow>

#include <algorithm>

namespace {
TranslatorVariables mainWindowVariables;
}

TfrmShelvix::TfrmShelvix(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmShelvix"));
    setWindowTitle(QStringLiteral("Shelvix"));
    // 1. Help requests of every window come here.
    InstallHelpHandler([this] { ApplicationHelp(); });
    // 2. Message keys, before a language file may replace their texts.
    if (mainWindowVariables.Count() == 0) RegisterShelvixMessages(mainWindowVariables);

    ImageListMenu = MakeImageListMenu();
    ImageListDrives = MakeImageListDrives();
    ImageListFolders = MakeImageListFolders();
    CreateActions();
    ConnectCatalogueCommands();
    ConnectImportCommand();
    CreateMenus();
    CreateRecentMenu();
    CreateButtonBar();
    CreateViews();
    CreateBottomPanel();
    ConnectDesk();
    FQuickFind = new TfrmQuickFind(this);
    CreatePreviews();
    // Before the panes are placed, so that the pane's room is part of the first layout.
    ShowPreviewPane(actPreviewPane->isChecked());
    ShowIconView(actIconView->isChecked());
    PlaceOnScreen();
    // Folders and catalogue files dropped from the file manager (ufrmShelvix_drop.cpp).
    setAcceptDrops(true);

    // 5. Archive support: RAR support when the RAR listing's probe finds its library; ZIP is
    // always there.
    FRarSupport = InstallRarListing() >= 0;
    FZipSupport = true;
    // 6. The empty catalogue.
    FCatalogue = std::make_unique<CMedienListe>();
    NameForScreenReaders();
    // The keyboard starts in the media tree, so its keys and the window's shortcuts work at once.
    VTMedien->setFocus(Qt::OtherFocusReason);
    // Its texts from the language file, once its message keys are registered.
    translator::LoadLanguage(this, &mainWindowVariables);
}

TfrmShelvix::~TfrmShelvix() {
    RememberPlace();
    InstallHelpHandler(nullptr);
    // The views refer to the catalogue: empty them before it goes.
    ForgetViewsOfMedia();
}

void TfrmShelvix::CreateViews() {
    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);

    FMediaModel = new TMediaTreeModel(&ImageListDrives, this);
    VTMedien = new QTreeView(Splitter1);
    VTMedien->setObjectName(QStringLiteral("VTMedien"));
    VTMedien->setModel(FMediaModel);
    VTMedien->setUniformRowHeights(true);
    VTMedien->setSelectionBehavior(QAbstractItemView::SelectRows);
    VTMedien->setSelectionMode(QAbstractItemView::ExtendedSelection);
    VTMedien->setContextMenuPolicy(Qt::CustomContextMenu);
    // F2 renames a medium in place; a medium just read opens its name by itself.
    VTMedien->setEditTriggers(QAbstractItemView::EditKeyPressed);
    connect(FMediaModel, &TMediaTreeModel::NameEdited, this, [this](CMedium* medium) {
        medium->Stored = false;
        FCatalogue->SetModified(true);
        const QString status = StatusText->text();
        RefreshTitle();
        StatusText->setText(status); // the medium's counts stay
    });
    VTMedien->header()->setSectionsMovable(true);
    VTMedien->header()->setSectionsClickable(true);
    VTMedien->header()->setSortIndicatorShown(false);
    VTMedien->header()->setStretchLastSection(false);
    const TFontScale scale(this);
    for (int column = 0; column < FMediaModel->columnCount(); ++column)
        VTMedien->setColumnWidth(column, scale.X(TMediaTreeModel::DefaultColumnWidth(column)));

    FExplorerModel = new TExplorerModel(&ImageListFolders, this);
    ExplorerPlace = new QStackedWidget(Splitter1);
    VTExplorer = new QTreeView(ExplorerPlace);
    VTExplorer->setObjectName(QStringLiteral("VTExplorer"));
    VTExplorer->setModel(FExplorerModel);
    VTExplorer->setUniformRowHeights(true);
    VTExplorer->setSelectionBehavior(QAbstractItemView::SelectRows);
    VTExplorer->setSelectionMode(QAbstractItemView::SingleSelection);
    VTExplorer->header()->setSectionsMovable(true);
    VTExplorer->header()->setSectionsClickable(true);
    VTExplorer->header()->setStretchLastSection(false);
    for (int column = 0; column < FExplorerModel->columnCount(); ++column) {
        const int drawn = TExplorerModel::DefaultColumnWidth(column);
        if (const auto detail = TExplorerModel::DetailColumnAt(column))
            VTExplorer->setColumnWidth(column, DetailColumnWidth(VTExplorer, *detail));
        else
            VTExplorer->setColumnWidth(column, column == TExplorerModel::colDate
                                                   ? TFontScale::ColumnWidth(VTExplorer, drawn, FullDateSamples())
                                                   : scale.X(drawn));
    }

    // The view with the keyboard focus shows it by its frame, so Tab between them is seen.
    // Selections keep the palette's highlight colours in both: a grey selection looked like the
    // dimming of media that are not mounted.
    for (QTreeView* view : {VTMedien, VTExplorer})
        view->setStyleSheet(QStringLiteral(
            "QTreeView { border: 2px solid palette(midlight); }"
            "QTreeView:focus { border-color: palette(highlight); }"));
    VTMedien->setItemDelegate(new TDimmedRowsDelegate(VTMedien));

    Splitter1->addWidget(VTMedien);
    ExplorerPlace->addWidget(VTExplorer);
    Splitter1->addWidget(ExplorerPlace);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);

    connect(VTMedien->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection&) {
                KeepSelectionAmongSiblings(selected);
                EnableMediumActions();
                if (!selected.indexes().isEmpty()) VTMedienChange(selected.indexes().first());
            });
    // A refill drops the selection without a word: the actions follow, and the current medium
    // is selected again.
    connect(FMediaModel, &QAbstractItemModel::modelReset, this, [this] {
        EnableMediumActions();
        SelectCurrentMedium();
    });
    connect(VTMedien->header(), &QHeaderView::sectionClicked, this,
            &TfrmShelvix::VTMedienHeaderClick);
    connect(VTExplorer->header(), &QHeaderView::sectionClicked, this,
            &TfrmShelvix::VTExplorerHeaderClick);
    connect(VTMedien, &QWidget::customContextMenuRequested, this,
            &TfrmShelvix::VTMedienContextPopup);
    connect(VTMedien, &QAbstractItemView::doubleClicked, this, &TfrmShelvix::VTMedienDblClick);
    VTMedien->installEventFilter(this);
    connect(VTExplorer, &QAbstractItemView::doubleClicked, this, &TfrmShelvix::VTExplorerDblClick);
    // The status line tells the exact size and date of the file the cursor is on.
    connect(VTExplorer->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (const CFile* entry = FExplorerModel->EntryAt(current))
                    StatusText->setText(EntryStatusText(*entry));
            });
    VTExplorer->setExpandsOnDoubleClick(false); // a double click opens, as Return does
    VTExplorer->installEventFilter(this);
    EnableMediumActions();
}

// The drawn size, scaled by the font, and wide enough to show the explorer's columns, whose Date
// column may have grown with the date format; centred on the screen.
void TfrmShelvix::PlaceOnScreen() {
    const TFontScale scale(this);
    const int mediaWidth = scale.X(289);
    int explorerWidth = 2 * VTExplorer->frameWidth() +
                        VTExplorer->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, VTExplorer);
    // The columns shown (hidden ones are 0 wide), detail columns the user chose included.
    for (int column = 0; column < FExplorerModel->columnCount(); ++column)
        explorerWidth += VTExplorer->columnWidth(column);
    QSize size(std::max(scale.X(831), mediaWidth + Splitter1->handleWidth() + explorerWidth), scale.Y(611));
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) size = size.boundedTo(screen->availableGeometry().size());
    resize(size);
    // The sizes of all four panes: the media tree, the explorer, the find list (hidden) and the
    // preview pane, whose room comes from the explorer when it shows.
    const int rest = size.width() - mediaWidth - Splitter1->handleWidth();
    const int pane = PreviewPane && !PreviewPane->isHidden() ? std::min(280, rest / 2) : 0;
    Splitter1->setSizes({mediaWidth, rest - pane, 0, pane});
    // On a small screen the explorer's Name column gives up what the window could not get, so
    // that Size, Category, Date and the detail columns shown stay in sight.
    const int missing = mediaWidth + Splitter1->handleWidth() + explorerWidth - size.width();
    if (missing > 0)
        VTExplorer->setColumnWidth(0, std::max(scale.X(120), VTExplorer->columnWidth(0) - missing));
    if (screen) move(screen->availableGeometry().center() - rect().center());
    // Where the user left it last time; Qt keeps a restored window on the screens there are.
    const auto settings = WindowSettings();
    const QByteArray geometry = settings->value(QStringLiteral("MainWindow/Geometry")).toByteArray();
    if (!geometry.isEmpty() && restoreGeometry(geometry) && screen) {
        const QRect within = screen->availableGeometry();
        if (!within.contains(frameGeometry())) {
            resize(size.boundedTo(within.size()));
            move(within.center() - rect().center());
        }
    }
    Splitter1->restoreState(settings->value(QStringLiteral("MainWindow/Panes")).toByteArray());
}

void TfrmShelvix::RememberPlace() {
    if (!windowHandle()) return; // never shown: nothing the user placed
    const auto settings = WindowSettings();
    settings->setValue(QStringLiteral("MainWindow/Geometry"), saveGeometry());
    settings->setValue(QStringLiteral("MainWindow/Panes"), Splitter1->saveState());
}

// The media tree's pane grows to show the columns it shows (Free and Capacity, when turned on),
// taking the room from the explorer.
void TfrmShelvix::FitMediaPane() {
    int wanted = 2 * VTMedien->frameWidth() +
                 VTMedien->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, VTMedien);
    for (int column = 0; column < FMediaModel->columnCount(); ++column)
        if (!VTMedien->isColumnHidden(column)) wanted += VTMedien->columnWidth(column);
    // The splitter also holds the find list, in the explorer's place: the room comes from
    // whichever of the two is shown, the widest pane.
    QList<int> sizes = Splitter1->sizes();
    if (sizes.size() < 2 || sizes[0] >= wanted) return;
    const auto widest = std::max_element(sizes.begin() + 1, sizes.end());
    const int grow = std::min(wanted - sizes[0], *widest - 100);
    if (grow <= 0) return;
    sizes[0] += grow;
    *widest -= grow;
    Splitter1->setSizes(sizes);
}

void TfrmShelvix::CreateBottomPanel() {
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(TFontScale(this).Y(24));
    auto* layout = new QHBoxLayout(Panel1);
    layout->setContentsMargins(4, 1, 2, 1);
    StatusText = new QLabel(Panel1);
    StatusText->setObjectName(QStringLiteral("StatusText"));
    // A long status text is cut at the window's edge; it never widens the window.
    StatusText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    SpecialProgress = new QProgressBar(Panel1);
    SpecialProgress->setObjectName(QStringLiteral("SpecialProgress"));
    SpecialProgress->setFixedWidth(TFontScale(this).X(125));
    SpecialProgress->setRange(0, 100);
    SpecialProgress->setFormat(QStringLiteral("%p%"));
    SpecialProgress->setAlignment(Qt::AlignCenter);
    SpecialProgress->setStyleSheet(QStringLiteral(
        "QProgressBar { border: 1px solid #606060; background: #909090; color: white; }"
        "QProgressBar::chunk { background: navy; }"));
    SpecialProgress->hide();
    layout->addWidget(StatusText, 1);
    layout->addWidget(SpecialProgress);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(Splitter1, 1);
    column->addWidget(Panel1);
    setCentralWidget(central);
}

// What a screen reader says of the window's own controls; buttons, boxes and menu items are
// named by their texts, tool buttons by their actions.
void TfrmShelvix::NameForScreenReaders() {
    const struct {
        QWidget* widget;
        const char* name;
        const char* description;
    } named[] = {
        {VTMedien, "Media", "The media of the catalogue and their folders"},
        {VTExplorer, "Content", "The folders, files and archives of the selected medium"},
        {ToolBarMainMenu, "Menu bar", "Database, Media and Help"},
        {SpeedBar1, "Buttons", "The everyday commands and the find field"},
        {StatusText, "Status", "What the selected medium or file holds"},
        {SpecialProgress, "Progress", "How far a long operation has come"},
        {Splitter1, "Panes", "The media tree and the content side by side"},
    };
    for (const auto& n : named) {
        n.widget->setAccessibleName(QString::fromLatin1(n.name));
        n.widget->setAccessibleDescription(QString::fromLatin1(n.description));
    }
    for (QAction* action : actions())
        if (action->statusTip().isEmpty()) action->setStatusTip(action->toolTip());
}

void TfrmShelvix::ShowError(const std::string& text) {
    Interaction().MessageBox(this, QString::fromStdString(ShelvixMessages::msgError),
                             QString::fromStdString(text), TMessageButtons::Ok);
}

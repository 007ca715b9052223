// Creation and layout of the main window.
#include "app/ufrmShelvix.h"

#include "language/messagetable.h"
#include "widgets/fontscale.h"
#include "app/helpevents.h"
#include "widgets/interaction.h"
#include "widgets/languagetranslator.h"
#include "widgets/mediaviewmodels.h"
#include "scan/rarlibrary.h"
#include "app/ufrmQuickFind.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QStyle>
#include <QSplitter>
#include <QTreeView>

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
    CreateButtonBar();
    CreateViews();
    CreateBottomPanel();
    ConnectDesk();
    FQuickFind = new TfrmQuickFind(this);
    PlaceOnScreen();
    // Folders and catalogue files dropped from the file manager (ufrmShelvix_drop.cpp).
    setAcceptDrops(true);

    // 5. Archive support: RAR support when the RAR listing's probe finds its library; ZIP is
    // always there.
    FRarSupport = InstallRarListing() >= 0;
    FZipSupport = true;
    // 6. The empty catalogue.
    FCatalogue = std::make_unique<CMedienListe>();
    // The keyboard starts in the media tree, so its keys and the window's shortcuts work at once.
    VTMedien->setFocus(Qt::OtherFocusReason);
    // Its texts from the language file, once its message keys are registered.
    translator::LoadLanguage(this, &mainWindowVariables);
}

TfrmShelvix::~TfrmShelvix() {
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
    VTMedien->header()->setSectionsMovable(true);
    VTMedien->header()->setSectionsClickable(true);
    VTMedien->header()->setSortIndicatorShown(false);
    VTMedien->header()->setStretchLastSection(false);
    const TFontScale scale(this);
    for (int column = 0; column < FMediaModel->columnCount(); ++column)
        VTMedien->setColumnWidth(column, scale.X(TMediaTreeModel::DefaultColumnWidth(column)));

    FExplorerModel = new TExplorerModel(&ImageListFolders, this);
    VTExplorer = new QTreeView(Splitter1);
    VTExplorer->setObjectName(QStringLiteral("VTExplorer"));
    VTExplorer->setModel(FExplorerModel);
    VTExplorer->setUniformRowHeights(true);
    VTExplorer->setSelectionBehavior(QAbstractItemView::SelectRows);
    VTExplorer->setSelectionMode(QAbstractItemView::SingleSelection);
    VTExplorer->header()->setSectionsMovable(true);
    VTExplorer->header()->setStretchLastSection(false);
    for (int column = 0; column < FExplorerModel->columnCount(); ++column) {
        const int drawn = TExplorerModel::DefaultColumnWidth(column);
        VTExplorer->setColumnWidth(column, column == TExplorerModel::colDate
                                               ? TFontScale::ColumnWidth(VTExplorer, drawn, FullDateSamples())
                                               : scale.X(drawn));
    }

    // The view with the keyboard focus shows it by its frame, and the other one's selection is
    // grey, so Tab between them is seen.
    for (QTreeView* view : {VTMedien, VTExplorer})
        view->setStyleSheet(QStringLiteral(
            "QTreeView { border: 2px solid palette(midlight); }"
            "QTreeView:focus { border-color: palette(highlight); }"
            "QTreeView:!focus { selection-background-color: palette(mid); }"));

    Splitter1->addWidget(VTMedien);
    Splitter1->addWidget(VTExplorer);
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
    connect(VTMedien, &QWidget::customContextMenuRequested, this,
            &TfrmShelvix::VTMedienContextPopup);
    connect(VTMedien, &QAbstractItemView::doubleClicked, this, &TfrmShelvix::VTMedienDblClick);
    VTMedien->installEventFilter(this);
    connect(VTExplorer, &QAbstractItemView::doubleClicked, this, &TfrmShelvix::VTExplorerDblClick);
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
    for (int column = 0; column < FExplorerModel->columnCount(); ++column)
        explorerWidth += VTExplorer->columnWidth(column);
    QSize size(std::max(scale.X(831), mediaWidth + Splitter1->handleWidth() + explorerWidth), scale.Y(611));
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) size = size.boundedTo(screen->availableGeometry().size());
    resize(size);
    Splitter1->setSizes({mediaWidth, size.width() - mediaWidth - Splitter1->handleWidth()});
    if (screen) move(screen->availableGeometry().center() - rect().center());
}

void TfrmShelvix::CreateBottomPanel() {
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(TFontScale(this).Y(24));
    auto* layout = new QHBoxLayout(Panel1);
    layout->setContentsMargins(4, 1, 2, 1);
    StatusText = new QLabel(Panel1);
    StatusText->setObjectName(QStringLiteral("StatusText"));
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

void TfrmShelvix::ShowError(const std::string& text) {
    Interaction().MessageBox(this, QString::fromStdString(ShelvixMessages::msgError),
                             QString::fromStdString(text), TMessageButtons::Ok);
}

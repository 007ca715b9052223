#include "search/ufrmDuplicates.h"

#include "widgets/fontscale.h"
#include "widgets/keyboardaccess.h"
#include "language/messagetable.h"
#include "widgets/interaction.h"
#include "widgets/languagetranslator.h"
#include "widgets/modalresult.h"
#include "widgets/widgetfactory.h"
#include "widgets/entryopener.h"
#include "widgets/sortvalues.h"
#include "catalogue/IO_BZIP.h"
#include "search/ufrmDuplicates_model.h"
#include "search/searchrequest.h"
#include "search/ufrmDuplicatesWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace {
constexpr int64_t kUnitBytes[] = {1, 1024, 1048576, 1073741824};
constexpr int kColumnWidths[TDuplicatesModel::kColumns] = {140, 260, 200, 80, 130};
} // namespace

TfrmDuplicates::TfrmDuplicates(const TImageList* drives, const TImageList* folders,
                               QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmDuplicates"));
    setWindowTitle(QStringLiteral("Find duplicates"));

    GroupBoxOptions = MakeGroup(this, "GroupBoxOptions", "Copies:");
    CheckBoxDate = MakeCheck(GroupBoxOptions, "CheckBoxDate", "with the same &date (to the second)");
    CheckBoxPresent = MakeCheck(GroupBoxOptions, "CheckBoxPresent", "on &present media only");
    CheckBoxMinSize = MakeCheck(GroupBoxOptions, "CheckBoxMinSize", "files &from:");
    EditMinSize = MakeSizeEdit(GroupBoxOptions, "EditMinSize");
    ComboBoxMinSize = MakeUnitList(GroupBoxOptions, "ComboBoxMinSize");
    ComboBoxMinSize->setCurrentIndex(2); // MB
    auto* options = new QGridLayout(GroupBoxOptions);
    options->addWidget(CheckBoxDate, 0, 0, 1, 4);
    options->addWidget(CheckBoxPresent, 1, 0, 1, 4);
    options->addWidget(CheckBoxMinSize, 2, 0);
    options->addWidget(EditMinSize, 2, 1);
    options->addWidget(ComboBoxMinSize, 2, 2);
    options->setColumnStretch(3, 1);
    ButtonFind = MakeButton(this, "ButtonFind", "F&ind");
    ButtonFind->setDefault(true);

    GroupBoxResults = MakeGroup(this, "GroupBoxResults", "Files kept more than once:");
    FModel = new TDuplicatesModel(drives, folders, this);
    FModel->setObjectName(QStringLiteral("DuplicatesModel"));
    VSTDuplicates = Named(new QTreeView(GroupBoxResults), "VSTDuplicates");
    VSTDuplicates->setModel(FModel);
    VSTDuplicates->setEditTriggers(QAbstractItemView::NoEditTriggers);
    VSTDuplicates->setSelectionBehavior(QAbstractItemView::SelectRows);
    VSTDuplicates->setSelectionMode(QAbstractItemView::SingleSelection);
    VSTDuplicates->setUniformRowHeights(true);
    VSTDuplicates->header()->setStretchLastSection(true);
    VSTDuplicates->header()->setSectionsClickable(true);
    VSTDuplicates->header()->setSortIndicatorShown(true);
    VSTDuplicates->header()->setSortIndicator(-1, Qt::AscendingOrder); // largest waste first
    connect(VSTDuplicates->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        const Qt::SortOrder order = NextSortOrder(column, FModel->SortColumn(), FModel->SortOrder());
        FModel->SortBy(column, order);
        VSTDuplicates->header()->setSortIndicator(column, order);
    });
    for (int column = 0; column < TDuplicatesModel::kColumns; ++column)
        VSTDuplicates->header()->resizeSection(column, TFontScale(VSTDuplicates).X(kColumnWidths[column]));
    (new QVBoxLayout(GroupBoxResults))->addWidget(VSTDuplicates);

    StatusBar = Named(new QStatusBar(this), "StatusBar");
    StatusBar->setSizeGripEnabled(false);
    CopiesOpener = new TEntryOpener(
        VSTDuplicates, [this](const QModelIndex& index) { return FModel->EntryAt(index); },
        [this](const QString& text) { StatusBar->showMessage(text); });
    ButtonShow = MakeNoDefaultButton(this, "ButtonShow", "&Show");
    ButtonClose = MakeNoDefaultButton(this, "ButtonClose", "&Close");
    CloseOnClick(this, ButtonClose, mrCancel);

    NameForScreenReaders({
        {CheckBoxDate, nullptr, "Counts files as copies only when their dates match to the second"},
        {CheckBoxPresent, nullptr, "Looks only at the media that are mounted now"},
        {CheckBoxMinSize, nullptr, "Leaves out files smaller than the size beside"},
        {EditMinSize, "Smallest size", "The smallest size of a file looked at, in the unit beside"},
        {ComboBoxMinSize, "Unit of the smallest size", "Byte, KB, MB or GB"},
        {ButtonFind, nullptr, "Looks for the files kept more than once"},
        {VSTDuplicates, "Duplicates", "The files kept more than once, each group under its name"},
        {ButtonShow, nullptr, "Selects the chosen copy in the main window"},
        {ButtonClose, nullptr, "Closes the list"},
        {StatusBar, "Status", "How many groups were found"},
    });

    auto* top = new QHBoxLayout;
    top->addWidget(GroupBoxOptions, 1);
    top->addWidget(ButtonFind, 0, Qt::AlignBottom);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 8, 8, 0);
    page->addLayout(top);
    page->addWidget(GroupBoxResults, 1);
    page->addLayout(RightAlignedRow({ButtonShow, ButtonClose}));
    page->addWidget(StatusBar);
    resize(TFontScale(this).Size(860, 560));
    RegisterDuplicateMessages(Variables);
    InstallContextMenuKey(this); // Shift+F10 in the result list
    translator::LoadLanguage(this, &Variables);
    // A window of its own, translated after this one.
    ProgressWindow = new TfrmDuplicatesWindow(this);

    connect(CheckBoxMinSize, &QCheckBox::toggled, this, [this](bool on) {
        EditMinSize->setEnabled(on);
        ComboBoxMinSize->setEnabled(on);
    });
    connect(ButtonFind, &QPushButton::clicked, this, [this] { ButtonFindClick(); });
    connect(ButtonShow, &QPushButton::clicked, this, [this] { ButtonShowClick(); });
    connect(VSTDuplicates, &QTreeView::doubleClicked, this, [this] { ButtonShowClick(); });
}

void TfrmDuplicates::ClearResults() {
    FModel->Fill(nullptr);
    FResults.Clear();
    StatusBar->clearMessage();
}

bool TfrmDuplicates::CollectOptions(TDuplicateOptions& options) {
    options.SameDate = CheckBoxDate->isChecked();
    options.PresentOnly = CheckBoxPresent->isChecked();
    if (!CheckBoxMinSize->isChecked()) return true;
    const int unit = std::max(ComboBoxMinSize->currentIndex(), 0);
    const std::optional<int64_t> number = ParseSizeNumber(EditMinSize->text().toStdString());
    const std::optional<int64_t> bytes = number ? ScaleSize(*number, kUnitBytes[unit]) : std::nullopt;
    if (!bytes) {
        Interaction().MessageBox(this, QString::fromStdString(ShelvixMessages::msgError),
                                 QString::fromStdString(DuplicateMessages::msgNoMinSize),
                                 TMessageButtons::Ok);
        return false;
    }
    options.MinSize = *bytes;
    return true;
}

void TfrmDuplicates::ButtonFindClick() {
    ClearResults();
    TDuplicateOptions options;
    if (!CollectOptions(options) || !FCatalogue) return;
    ProgressWindow->Prepare(FCatalogue, options, &FResults);
    ProgressWindow->exec();
    FModel->Fill(&FResults);
    // Opening every group of a huge catalogue would cost more than finding them.
    if (FResults.Groups.size() <= 5000) VSTDuplicates->expandAll();
    StatusBar->showMessage(QString::fromStdString(DuplicateMessages::msgGroupsFound)
                               .arg(FResults.Groups.size())
                               .arg(FResults.Entries.size())
                               .arg(QString::fromStdString(FormatSize(FResults.TotalWaste))));
}

void TfrmDuplicates::ButtonShowClick() {
    const QModelIndexList selected = VSTDuplicates->selectionModel()->selectedRows();
    if (selected.isEmpty()) return;
    // A group's node stands for its first copy.
    const QModelIndex node = selected.first();
    CFile* entry = FModel->EntryAt(node);
    if (!entry && FModel->rowCount(node) > 0) entry = FModel->EntryAt(FModel->index(0, 0, node));
    if (!entry) return;
    FChosen = entry;
    done(mrOk);
}

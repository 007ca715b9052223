#include "categories/ufrmCategories.h"

#include "widgets/fontscale.h"
#include "widgets/languagetranslator.h"
#include "widgets/modalresult.h"
#include "widgets/keyboardaccess.h"
#include "widgets/widgetfactory.h"
#include "catalogue/mediaclasses.h"
#include "categories/categorylist.h"
#include "categories/ufrmCategories_views.h"

#include <QFile>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// Category names are bytes in the system's code page; the edit holds Unicode.
QString Shown(const std::string& name) { return QString::fromLocal8Bit(name.data(), qsizetype(name.size())); }
std::string Stored(const QString& text) { return text.toLocal8Bit().toStdString(); }
std::string PathOf(const QString& fileName) { return QFile::encodeName(fileName).toStdString(); }

} // namespace

TfrmCategories::TfrmCategories(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCategories"));
    setWindowTitle(QStringLiteral("Categories"));

    EditName = Named(new QLineEdit(this), "EditName");
    LabelAvailCats = MakeLabel(this, "LabelAvailCats", "A&vailable categories:");

    VSTCategories = MakeListView(this, "VSTCategories", {QStringLiteral("Name")},
                                 QAbstractItemView::SelectRows, QAbstractItemView::SingleSelection);
    // The list model takes the place of the title-only one before anything (a language file)
    // can address the column title.
    FModel = new TCategoryListModel(VSTCategories);
    QAbstractItemModel* placeholder = VSTCategories->model();
    VSTCategories->setModel(FModel);
    delete placeholder;
    VSTCategories->header()->setStretchLastSection(true); // the column follows the view
    VSTCategories->header()->setSectionsClickable(true);
    VSTCategories->header()->setSortIndicatorShown(true);
    VSTCategories->header()->setSortIndicator(-1, Qt::AscendingOrder); // list order at first
    VSTCategories->header()->resizeSection(0, TFontScale(VSTCategories).X(229));
    LabelAvailCats->setBuddy(VSTCategories);
    VSTCategories->setMinimumSize(TFontScale(VSTCategories).Size(233, 240));

    ButtonAddChange = MakeNoDefaultButton(this, "ButtonAddChange", "&Add / Change");
    ButtonRename = MakeNoDefaultButton(this, "ButtonRename", "Re&name");
    ButtonRemove = MakeNoDefaultButton(this, "ButtonRemove", "&Remove");
    ButtonImport = MakeNoDefaultButton(this, "ButtonImport", "&Import");
    ButtonExport = MakeNoDefaultButton(this, "ButtonExport", "&Export");
    ButtonClose = MakeNoDefaultButton(this, "ButtonClose", "&Close");

    // Edit with its button on top; the list below with the list's own buttons beside it.
    auto* side = new QVBoxLayout;
    side->addWidget(ButtonRename);
    side->addWidget(ButtonRemove);
    side->addSpacing(12);
    side->addWidget(ButtonImport);
    side->addWidget(ButtonExport);
    side->addStretch(1);
    side->addWidget(ButtonClose);

    auto* grid = new QGridLayout(this);
    grid->addWidget(EditName, 0, 0);
    grid->addWidget(ButtonAddChange, 0, 1);
    grid->addWidget(LabelAvailCats, 1, 0, 1, 2);
    grid->addWidget(VSTCategories, 2, 0);
    grid->addLayout(side, 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(2, 1);

    OpenDialogCategories.filter =
        QStringLiteral("Category files (*.SXC)|*.SXC|All files (*.*)|*.*");
    OpenDialogCategories.defaultExtension = QStringLiteral("*.SXC");
    // Exported lists get the extension the import dialog looks for, and the catch-all pattern
    // reads as it does everywhere else.
    SaveDialogCategories.filter =
        QStringLiteral("Category files (*.SXC)|*.SXC|All files (*.*)|*.*");
    SaveDialogCategories.defaultExtension = QStringLiteral(".SXC");
    SaveDialogCategories.confirmOverwrite = true;

    NameForScreenReaders({
        {EditName, "Category name", "The category to add, or the new name of the one being renamed"},
        {VSTCategories, "Available categories", "The categories of the catalogue"},
        {ButtonAddChange, nullptr, "Adds the typed category, or renames the chosen one to it"},
        {ButtonRename, nullptr, "Puts the chosen category into the field to rename it"},
        {ButtonRemove, nullptr, "Removes the chosen category"},
        {ButtonImport, nullptr, "Reads the categories of a category list file (.SXC)"},
        {ButtonExport, nullptr, "Writes the categories to a category list file (.SXC)"},
        {ButtonClose, nullptr, "Closes the category list"},
    });
    resize(TFontScale(this).Size(380, 340));
    FormCreate();
    // Its texts from the language file, once its message keys are registered.
    translator::LoadLanguage(this, &Variables);
}

void TfrmCategories::FormCreate() {
    RegisterCategoryMessages(Variables);

    connect(ButtonAddChange, &QPushButton::clicked, this, [this] { ButtonAddChangeClick(); });
    connect(ButtonRemove, &QPushButton::clicked, this, [this] { ButtonRemoveClick(); });
    connect(ButtonImport, &QPushButton::clicked, this, [this] { ButtonImportClick(); });
    connect(ButtonExport, &QPushButton::clicked, this, [this] { ButtonExportClick(); });
    connect(ButtonClose, &QPushButton::clicked, this, [this] { ButtonCloseClick(); });
    connect(VSTCategories, &QTreeView::doubleClicked, this, [this] { VSTCategoriesDblClick(); });
    // Rename is a button of its own besides the double click; Return in the field adds or
    // renames what was typed.
    connect(ButtonRename, &QPushButton::clicked, this, [this] {
        VSTCategoriesDblClick();
        if (InChangeMode()) EditName->setFocus(Qt::OtherFocusReason);
    });
    connect(EditName, &QLineEdit::returnPressed, this, [this] { ButtonAddChangeClick(); });
    OnHeaderClick(VSTCategories, [this](int column) { VSTCategoriesHeaderClick(column); });
}

void TfrmCategories::ResetEditing() {
    EditName->clear();
    ButtonImport->setEnabled(true);
    ButtonExport->setEnabled(true);
    ButtonRemove->setEnabled(true);
    ButtonRename->setEnabled(true);
    VSTCategories->setEnabled(true);
}

bool TfrmCategories::InChangeMode() const { return !VSTCategories->isEnabledTo(this); }

void TfrmCategories::FillTree() {
    if (FCatalogue) FillCategoryTree(VSTCategories, *FCatalogue);
    else FModel->Clear();
}

void TfrmCategories::ShowError(const QString& text) {
    Interaction().MessageBox(this, Shown(ShelvixMessages::msgError), text, TMessageButtons::Ok);
}

int32_t TfrmCategories::SelectedCategory() const {
    const QModelIndexList rows = VSTCategories->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : FModel->CategoryAt(rows.first());
}

void TfrmCategories::ButtonAddChangeClick() {
    if (!FCatalogue) return;
    const QString text = EditName->text();
    if (text.trimmed().isEmpty()) return; // a blank name: nothing, in either mode
    auto& names = FCatalogue->Categories;
    if (InChangeMode()) {
        // No duplicate test here: a rename may make two names that differ in case only.
        if (FEditIndex >= 0 && static_cast<size_t>(FEditIndex) < names.size())
            names[static_cast<size_t>(FEditIndex)] = Stored(text);
    } else {
        // Unicode case folding stands in for the locale's case-blind comparison.
        for (const std::string& name : names)
            if (Shown(name).compare(text, Qt::CaseInsensitive) == 0) {
                ShowError(Shown(CategoryMessages::msgExist));
                return;
            }
        names.push_back(Stored(text)); // exactly as typed, blanks included
    }
    FCatalogue->SetModified(true);
    ResetEditing();
    FillTree();
}

void TfrmCategories::VSTCategoriesDblClick() {
    if (!FCatalogue) return;
    const int32_t index = SelectedCategory();
    if (index < 0 || static_cast<size_t>(index) >= FCatalogue->Categories.size()) return;
    VSTCategories->setEnabled(false);
    ButtonImport->setEnabled(false);
    ButtonExport->setEnabled(false);
    ButtonRemove->setEnabled(false);
    ButtonRename->setEnabled(false);
    FEditIndex = index;
    EditName->setText(Shown(FCatalogue->Categories[static_cast<size_t>(index)]));
}

void TfrmCategories::ButtonRemoveClick() {
    if (!FCatalogue) return;
    const int32_t index = SelectedCategory();
    if (index < 0) return;
    // Entries still in the data file count too; RemoveCategory moves every later index down so
    // each holder keeps its name, and marks the media whose indexes moved as no longer stored.
    if (CategoryHeldAnywhere(*FCatalogue, index) || !RemoveCategory(*FCatalogue, index)) {
        ShowError(Shown(CategoryMessages::msgAssigned));
        return;
    }
    // The list is part of what a save writes: without the flag, closing would drop the removal
    // without asking.
    FCatalogue->SetModified(true);
    FillTree();
}

void TfrmCategories::ButtonExportClick() {
    if (!FCatalogue) return;
    const QString fileName = Interaction().SaveFileName(this, SaveDialogCategories);
    if (fileName.isEmpty()) return;
    SaveDialogCategories.initialName = fileName;
    if (!FCatalogue->SaveCategories(PathOf(fileName)))
        Interaction().MessageBox(this, QStringLiteral("Error"),
                                 QStringLiteral("Could not save categories."), TMessageButtons::Ok);
}

void TfrmCategories::ButtonImportClick() {
    if (!FCatalogue) return;
    // Entries count as well as media: replacing the list under an entry's index would make it
    // name whatever the imported list holds at that position.
    if (AnyCategoryHeld(*FCatalogue)) {
        ShowError(Shown(CategoryMessages::msgNoCatLoad));
        FillTree();
        return;
    }
    const QString fileName = Interaction().OpenFileName(this, OpenDialogCategories);
    if (!fileName.isEmpty()) {
        OpenDialogCategories.initialName = fileName;
        const std::vector<std::string> before = FCatalogue->Categories;
        if (!FCatalogue->LoadCategories(PathOf(fileName)))
            ShowError(Shown(CategoryMessages::msgNoCatImport));
        // Also after a failed import: the list then holds what was read before the failure.
        if (FCatalogue->Categories != before) FCatalogue->SetModified(true);
    }
    FillTree();
}

void TfrmCategories::ButtonCloseClick() { done(mrOk); }

void TfrmCategories::VSTCategoriesHeaderClick(int column) {
    Qt::SortOrder order = FModel->SortOrder();
    if (column == FModel->SortColumn())
        order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    FModel->SortBy(column, order);
    VSTCategories->header()->setSortIndicator(column, order);
}

#include "categories/ufrmDetailsFiles.h"

#include "widgets/languagetranslator.h"
#include "widgets/modalresult.h"
#include "widgets/keyboardaccess.h"
#include "widgets/widgetfactory.h"
#include "widgets/detailtexts.h"
#include "widgets/mediaviewmodels.h"
#include "catalogue/mediaclasses.h"
#include "reports/entrytext.h"
#include "categories/ufrmCategories_views.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

#include <utility>

TfrmDetailsFile::TfrmDetailsFile(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmDetailsFile"));
    setWindowTitle(QStringLiteral("Details"));

    LabelFName = MakeLabel(this, "LabelFName", "Name:");
    LabelName = MakeLabel(this, "LabelName", "###");
    LabelName->setTextFormat(Qt::PlainText);
    // A long name is cut at the dialog's edge instead of widening the dialog.
    LabelName->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    const auto value = [this](const char* name) {
        QLabel* label = MakeLabel(this, name, "");
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        return label;
    };
    LabelFMedium = MakeLabel(this, "LabelFMedium", "Medium:");
    LabelMedium = value("LabelMedium");
    LabelFPath = MakeLabel(this, "LabelFPath", "Path:");
    LabelPath = value("LabelPath");
    LabelPath->setWordWrap(true);
    LabelFSize = MakeLabel(this, "LabelFSize", "Size:");
    LabelSize = value("LabelSize");
    LabelFDate = MakeLabel(this, "LabelFDate", "Date:");
    LabelDate = value("LabelDate");
    // The details, one per line: names in the caption column, values beside them. Both are
    // plain single lines, so each value stays on its name's line.
    LabelFDetails = MakeLabel(this, "LabelFDetails", "");
    LabelFDetails->setTextFormat(Qt::PlainText);
    LabelDetails = value("LabelDetails");
    LabelCat = MakeLabel(this, "LabelCat", "&Category:");
    ComboBoxCategory = Named(new QComboBox(this), "ComboBoxCategory");
    ComboBoxCategory->setEditable(false);
    ComboBoxCategory->setFixedWidth(265);
    LabelCat->setBuddy(ComboBoxCategory); // Alt+C goes to the list
    ButtonCategories = MakeNoDefaultButton(this, "ButtonCategories", "...");
    ButtonCategories->setFixedSize(25, 21);
    CheckBoxSub = MakeCheck(this, "CheckBoxSub", "&Include subfolders and files");
    CheckBoxSub->setChecked(true);

    ButtonOK = MakeButton(this, "ButtonOK", "&OK");
    ButtonAbort = MakeButton(this, "ButtonAbort", "&Abort");
    ButtonOK->setDefault(true);
    CloseOnClick(this, ButtonOK, mrCustom100);
    CloseOnClick(this, ButtonAbort, mrCancel);
    connect(ButtonCategories, &QPushButton::clicked, this, &TfrmDetailsFile::ButtonCategoriesClick);

    NameForScreenReaders({
        {ComboBoxCategory, nullptr, "The entry's category"},
        {ButtonCategories, "Categories", "Opens the category list, to add or rename categories"},
        {CheckBoxSub, nullptr, "Gives the category also to everything inside the folder or archive"},
        {ButtonOK, nullptr, "Keeps the category"},
        {ButtonAbort, nullptr, "Leaves the entry as it was"},
    });

    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize); // sized to its contents
    grid->setColumnMinimumWidth(0, 80);
    grid->addWidget(LabelFName, 0, 0);
    grid->addWidget(LabelName, 0, 1, 1, 2);
    int row = 1;
    for (auto [caption, shown] : {std::pair{LabelFMedium, LabelMedium}, {LabelFPath, LabelPath},
                                  {LabelFSize, LabelSize}, {LabelFDate, LabelDate},
                                  {LabelFDetails, LabelDetails}}) {
        grid->addWidget(caption, row, 0, Qt::AlignTop);
        grid->addWidget(shown, row++, 1, 1, 2);
    }
    grid->addWidget(LabelCat, row, 0);
    grid->addWidget(ComboBoxCategory, row, 1);
    grid->addWidget(ButtonCategories, row++, 2);
    grid->addWidget(CheckBoxSub, row++, 1, 1, 2);
    grid->setRowMinimumHeight(row++, 8);
    grid->addLayout(RightAlignedRow({ButtonOK, ButtonAbort}), row, 0, 1, 3);
    // Its texts from the language file, once its message keys are registered.
    translator::LoadLanguage(this, nullptr);
}

int TfrmDetailsFile::ShowFor(CMedienListe& catalogue, CFile& entry) {
    const std::string_view name = entry.Name();
    LabelName->setText(QString::fromLocal8Bit(name.data(), qsizetype(name.size())));
    const bool sized = entry.Kind != kindFolder;
    LabelMedium->setText(entry.Medium ? QString::fromLocal8Bit(entry.Medium->Name.c_str()) : QString());
    LabelPath->setText(QStringLiteral("/") + QString::fromLocal8Bit(EntryPathText(entry).c_str()));
    LabelSize->setText(sized ? ExactSizeText(entry.Size) + QStringLiteral(" (") + EntrySizeText(entry) + u')'
                             : QString());
    LabelDate->setText(sized ? EntryDateText(entry.Date) : QString());
    for (QLabel* label : {LabelFSize, LabelSize, LabelFDate, LabelDate}) label->setVisible(sized);
    QStringList names, values;
    for (const TDetailLine& line : DetailLines(entry)) {
        names << line.label + u':';
        // A tag could hold a line break, which would put the values out of step with their names.
        values << QString(line.value).replace(u'\n', u' ').replace(u'\r', u' ');
    }
    LabelFDetails->setText(names.join(u'\n'));
    LabelDetails->setText(values.join(u'\n'));
    for (QLabel* label : {LabelFDetails, LabelDetails}) label->setVisible(!names.isEmpty());
    FCatalogue = &catalogue;
    FEntry = &entry;
    FillCategoryList(ComboBoxCategory, catalogue);
    SelectCategoryName(ComboBoxCategory, entry.CategoryName());
    // CheckBoxSub is left as the user set it at the previous opening.
    const int result = exec();
    if (result == mrCustom100) ApplyChanges();
    return result;
}

void TfrmDetailsFile::ApplyChanges() {
    // The medium's content is written again at the next save.
    if (FEntry->Medium) FEntry->Medium->Stored = false;
    const int32_t category = ChosenCategoryIndex(ComboBoxCategory);
    FEntry->Category = category;
    if (CheckBoxSub->isChecked()) FEntry->SetCategoryDeep(category);
    FCatalogue->SetModified(true);
}

void TfrmDetailsFile::ButtonCategoriesClick() {
    if (!FCategoriesDialog || !FCatalogue || !FEntry) return;
    CFile* entry = FEntry;
    OpenCategoriesDialog(*FCategoriesDialog, *FCatalogue, ComboBoxCategory,
                         [entry] { return entry->CategoryName(); });
}

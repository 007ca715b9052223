#include "scan/ufrmMediaDetails.h"

#include "app/languagetranslator.h"
#include "catalogue/IO_BZIP.h"
#include "catalogue/mediaclasses.h"
#include "categories/categoryviews.h"

#include "app/modalresult.h"
#include "app/widgetfactory.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Captions start 8 pixels into a box, values 96; both boxes share that grid.
QGridLayout* BoxGrid(QGroupBox* box) {
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(8, 10, 8, 8);
    grid->setHorizontalSpacing(6);
    grid->setColumnMinimumWidth(0, 82);
    return grid;
}

} // namespace

TfrmMediaDetails::TfrmMediaDetails(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMediaDetails"));
    setWindowTitle(QStringLiteral("Media Details"));

    GroupBox1 = Named(new QGroupBox(this), "GroupBox1");
    LabelMSerial = MakeLabel(GroupBox1, "LabelMSerial", "Serialnumber:");
    LabelSerial = MakeLabel(GroupBox1, "LabelSerial", "0");
    LabelMLabel = MakeLabel(GroupBox1, "LabelMLabel", "Label:");
    LabelLabel = MakeLabel(GroupBox1, "LabelLabel", "###");
    LabelMSize = MakeLabel(GroupBox1, "LabelMSize", "Size:");
    LabelSize = MakeLabel(GroupBox1, "LabelSize", "0");
    LabelMFolders = MakeLabel(GroupBox1, "LabelMFolders", "Folders:");
    LabelFolders = MakeLabel(GroupBox1, "LabelFolders", "0");
    LabelMFiles = MakeLabel(GroupBox1, "LabelMFiles", "Files:");
    LabelFiles = MakeLabel(GroupBox1, "LabelFiles", "0");
    GroupBox1->setFixedSize(401, 105);
    auto* facts = BoxGrid(GroupBox1);
    facts->setVerticalSpacing(0);
    QLabel* const rows[][2] = {{LabelMSerial, LabelSerial},
                               {LabelMLabel, LabelLabel},
                               {LabelMSize, LabelSize},
                               {LabelMFolders, LabelFolders},
                               {LabelMFiles, LabelFiles}};
    int row = 0;
    for (const auto& pair : rows) {
        facts->addWidget(pair[0], row, 0);
        facts->addWidget(pair[1], row, 1);
        facts->setRowMinimumHeight(row, 16);
        ++row;
    }
    facts->setRowStretch(row, 1);
    facts->setColumnStretch(1, 1);

    GroupBox2 = Named(new QGroupBox(this), "GroupBox2");
    LabelMName = MakeLabel(GroupBox2, "LabelMName", "Name:");
    EditName = Named(new QLineEdit(GroupBox2), "EditName");
    LabelMNotice = MakeLabel(GroupBox2, "LabelMNotice", "Notice:");
    MemoNotice = Named(new QPlainTextEdit(GroupBox2), "MemoNotice");
    LabelMCat = MakeLabel(GroupBox2, "LabelMCat", "Category:");
    ComboBoxCategory = Named(new QComboBox(GroupBox2), "ComboBoxCategory");
    ComboBoxCategory->setEditable(false);
    ButtonCategory = MakeButton(GroupBox2, "ButtonCategory", "...");
    GroupBox2->setFixedSize(401, 169);
    EditName->setFixedWidth(265);
    MemoNotice->setFixedSize(265, 89);
    ComboBoxCategory->setFixedWidth(265);
    ButtonCategory->setFixedSize(25, 21);
    connect(ButtonCategory, &QPushButton::clicked, this, &TfrmMediaDetails::ButtonCategoryClick);
    auto* values = BoxGrid(GroupBox2);
    values->setVerticalSpacing(6);
    values->addWidget(LabelMName, 0, 0);
    values->addWidget(EditName, 0, 1);
    values->addWidget(LabelMNotice, 1, 0, Qt::AlignTop);
    values->addWidget(MemoNotice, 1, 1);
    values->addWidget(LabelMCat, 2, 0);
    values->addWidget(ComboBoxCategory, 2, 1);
    values->addWidget(ButtonCategory, 2, 2, Qt::AlignLeft);
    // "..." sits right of the pick list, 7 pixels from it.
    values->setColumnMinimumWidth(1, 266);
    values->setColumnStretch(3, 1);
    values->setRowStretch(3, 1);

    ButtonOK = MakeButton(this, "ButtonOK", "OK");
    ButtonAbort = MakeButton(this, "ButtonAbort", "Abort");
    ButtonOK->setFixedSize(75, 25);
    ButtonAbort->setFixedSize(75, 25);
    ButtonOK->setDefault(true);
    CloseOnClick(this, ButtonOK, mrOk);
    CloseOnClick(this, ButtonAbort, mrCancel);

    QHBoxLayout* buttons = RightAlignedRow({ButtonOK, ButtonAbort});
    buttons->setSpacing(5);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 8, 6, 8);
    page->setSpacing(7);
    page->addWidget(GroupBox1);
    page->addWidget(GroupBox2);
    page->addStretch(1);
    page->addLayout(buttons);

    setFixedSize(ClientWidth, ClientHeight);
    // Its texts from the language file, once its message keys are registered.
    translator::LoadLanguage(this, nullptr);
}

int TfrmMediaDetails::ShowFor(CMedienListe& catalogue, CMedium& medium) {
    FCatalogue = &catalogue;
    FMedium = &medium;
    LabelSerial->setText(QString::fromLocal8Bit(medium.Serial.c_str()));
    LabelSize->setText(QString::fromLocal8Bit(FormatSize(medium.TotalSize).c_str()));
    LabelFolders->setText(QString::number(medium.FolderCount));
    LabelFiles->setText(QString::number(medium.FileCount));
    LabelLabel->setText(QString::fromLocal8Bit(medium.VolumeLabel.c_str()));
    EditName->setText(QString::fromLocal8Bit(medium.Name.c_str()));
    MemoNotice->setPlainText(QString::fromLocal8Bit(medium.Notice.c_str()));
    FillCategoryList(ComboBoxCategory, catalogue);
    SelectCategory(QString::fromLocal8Bit(medium.CategoryName().c_str()));
    const int result = exec();
    if (result == mrOk) ApplyChanges();
    return result;
}

void TfrmMediaDetails::SelectCategory(const QString& name) {
    // Without a category, or with one the list does not hold, nothing is selected.
    const int found = name.isEmpty() ? -1 : ComboBoxCategory->findText(name, Qt::MatchFixedString);
    ComboBoxCategory->setCurrentIndex(found);
}

void TfrmMediaDetails::ApplyChanges() {
    FMedium->Name = EditName->text().toLocal8Bit().toStdString();
    FMedium->Notice = MemoNotice->toPlainText().toLocal8Bit().toStdString();
    FMedium->Stored = false;
    FMedium->Category = -1;
    if (ComboBoxCategory->currentIndex() >= 0) {
        // The position in the catalogue's list, not in the sorted pick list.
        const QString chosen = ComboBoxCategory->currentText();
        const auto& names = FCatalogue->Categories;
        for (size_t i = 0; i < names.size(); ++i)
            if (QString::fromLocal8Bit(names[i].c_str()).compare(chosen, Qt::CaseInsensitive) == 0) {
                FMedium->Category = static_cast<int32_t>(i);
                break;
            }
    }
    FCatalogue->SetModified(true);
}

void TfrmMediaDetails::ButtonCategoryClick() {
    if (!FCategoriesDialog || !FCatalogue || !FMedium) return;
    OpenCategoriesDialog(*FCategoriesDialog, *FCatalogue, ComboBoxCategory, FMedium->CategoryName());
}

#include "scan/ufrmMediaDetails.h"

#include "widgets/languagetranslator.h"
#include "platform/mountedmedia.h"
#include "catalogue/IO_BZIP.h"
#include "catalogue/mediaclasses.h"
#include "categories/ufrmCategories_views.h"

#include "widgets/modalresult.h"
#include "widgets/keyboardaccess.h"
#include "widgets/widgetfactory.h"

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
    // Free space and capacity when the medium was read, beside the short counts, so that the
    // box keeps its size.
    LabelSpace = MakeLabel(GroupBox1, "LabelSpace", "");
    LabelSpace->setWordWrap(true);
    LabelSpace->setFixedWidth(190);
    LabelSpace->setAlignment(Qt::AlignRight | Qt::AlignTop);
    facts->addWidget(LabelSpace, 2, 2, 3, 1, Qt::AlignRight | Qt::AlignTop);

    GroupBox2 = Named(new QGroupBox(this), "GroupBox2");
    LabelMName = MakeLabel(GroupBox2, "LabelMName", "&Name:");
    EditName = Named(new QLineEdit(GroupBox2), "EditName");
    LabelMNotice = MakeLabel(GroupBox2, "LabelMNotice", "No&tice:");
    MemoNotice = Named(new QPlainTextEdit(GroupBox2), "MemoNotice");
    LabelMCat = MakeLabel(GroupBox2, "LabelMCat", "&Category:");
    ComboBoxCategory = Named(new QComboBox(GroupBox2), "ComboBoxCategory");
    ComboBoxCategory->setEditable(false);
    ButtonCategory = MakeButton(GroupBox2, "ButtonCategory", "...");
    GroupBox2->setFixedSize(401, 169);
    EditName->setFixedWidth(265);
    MemoNotice->setFixedSize(265, 89);
    ComboBoxCategory->setFixedWidth(265);
    ButtonCategory->setFixedSize(25, 21);
    // Alt with a caption's letter goes to its field.
    LabelMName->setBuddy(EditName);
    LabelMNotice->setBuddy(MemoNotice);
    LabelMCat->setBuddy(ComboBoxCategory);
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

    ButtonOK = MakeButton(this, "ButtonOK", "&OK");
    ButtonAbort = MakeButton(this, "ButtonAbort", "&Abort");
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

    NameForScreenReaders({
        {EditName, nullptr, "The medium's name, shown in the media tree"},
        {MemoNotice, nullptr, "A note of your own about the medium"},
        {ComboBoxCategory, nullptr, "The medium's category"},
        {ButtonCategory, "Categories", "Opens the category list, to add or rename categories"},
        {ButtonOK, nullptr, "Keeps the name, notice and category"},
        {ButtonAbort, nullptr, "Leaves the medium as it was"},
    });
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
    LabelSpace->setText(QString::fromStdString(FreeSpaceText(medium.Additions)));
    LabelLabel->setText(QString::fromLocal8Bit(medium.VolumeLabel.c_str()));
    // Shown from all their bytes; only what the user edits is written back (see ApplyChanges).
    FShownName = QString::fromLocal8Bit(medium.Name.data(), qsizetype(medium.Name.size()));
    EditName->setText(FShownName);
    MemoNotice->setPlainText(
        QString::fromLocal8Bit(medium.Notice.data(), qsizetype(medium.Notice.size())));
    FShownNotice = MemoNotice->toPlainText();
    FillCategoryList(ComboBoxCategory, catalogue);
    SelectCategoryName(ComboBoxCategory, medium.CategoryName());
    const int result = exec();
    if (result == mrOk) ApplyChanges();
    return result;
}

void TfrmMediaDetails::ApplyChanges() {
    // A field the user left alone keeps its bytes: the trip through the shown text would turn
    // bytes that are not UTF-8 into replacement characters, cut the text at a NUL and change its
    // line breaks.
    if (EditName->text() != FShownName) FMedium->Name = EditName->text().toLocal8Bit().toStdString();
    if (MemoNotice->toPlainText() != FShownNotice) {
        // Notices keep the CR LF line breaks a multi-line edit gives on the drives they come from.
        QString notice = MemoNotice->toPlainText();
        notice.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        FMedium->Notice = notice.toLocal8Bit().toStdString();
    }
    FMedium->Stored = false;
    FMedium->Category = ChosenCategoryIndex(ComboBoxCategory);
    FCatalogue->SetModified(true);
}

void TfrmMediaDetails::ButtonCategoryClick() {
    if (!FCategoriesDialog || !FCatalogue || !FMedium) return;
    CMedium* medium = FMedium;
    OpenCategoriesDialog(*FCategoriesDialog, *FCatalogue, ComboBoxCategory,
                         [medium] { return medium->CategoryName(); });
}

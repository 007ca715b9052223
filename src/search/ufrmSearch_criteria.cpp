// The criteria half of the search dialog: the coupling of the check boxes, the enabling of the
// filter controls, and collecting the search request when "Search" is pressed.
#include "search/ufrmSearch.h"

#include "categories/ufrmCategories_views.h"
#include "catalogue/daycount.h"

#include "widgets/interaction.h"
#include "widgets/widgetfactory.h"
#include "widgets/windowsettings.h"
#include "search/ufrmSearch_results.h"
#include "search/ufrmSearchWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QHeaderView>
#include <QStatusBar>
#include <QTreeView>

#include <limits>

namespace {

// The bytes of the size units, in the order of the unit lists.
constexpr int64_t kUnitBytes[] = {1, 1024, 1048576, 1073741824};

// A local date and time as a catalogue day count.
double DayCount(const QDate& date, const QTime& time) {
    return LocalDayCount(date.year(), unsigned(date.month()), unsigned(date.day()),
                         time.isValid() ? time.msecsSinceStartOfDay() / 1000.0 : 0.0);
}

} // namespace

void TfrmSearch::FormCreate() {
    FResultsModel = new TSearchResultsModel(FDrives, this);
    ShowResultsModel(VSTResults, FResultsModel, QStringLiteral("SearchResults"));
    connect(VSTResults->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { PreviewCurrent(); });
    FGuard = false;
    RegisterSearchMessages(Variables);

    for (QCheckBox* box : {CheckBoxName, CheckBoxLabel, CheckBoxNotice, CheckBoxFiles, CheckBoxFolders})
        connect(box, &QCheckBox::toggled, this, [this] { CheckBoxNameClick(); });
    connect(CheckBoxAll, &QCheckBox::toggled, this, [this] { CheckBoxAllClick(); });
    connect(CheckBoxDateFrom, &QCheckBox::toggled, this, [this] { CheckBoxDateFromClick(); });
    connect(CheckBoxDateTo, &QCheckBox::toggled, this, [this] { CheckBoxDateToClick(); });
    connect(CheckBoxSizeFrom, &QCheckBox::toggled, this, [this] { CheckBoxSizeFromClick(); });
    connect(CheckBoxSizeTo, &QCheckBox::toggled, this, [this] { CheckBoxSizeToClick(); });
    connect(CheckBoxCategory, &QCheckBox::toggled, this, [this] { CheckBoxCategoryClick(); });
    connect(CheckBoxDetails, &QCheckBox::toggled, EditDetails, &QWidget::setEnabled);
    connect(ButtonSearch, &QPushButton::clicked, this, [this] { ButtonSearchClick(); });
    connect(ButtonShow, &QPushButton::clicked, this, [this] { ButtonShowClick(); });
    connect(ButtonExportCsv, &QPushButton::clicked, this, [this] { ButtonExportClick(false); });
    connect(ButtonExportHtml, &QPushButton::clicked, this, [this] { ButtonExportClick(true); });
    connect(VSTResults, &QTreeView::doubleClicked, this, [this] { ButtonShowClick(); });
    OnHeaderClick(VSTResults, [this](int column) { VSTResultsHeaderClick(column); });
    // Enter in the search text starts the search once: the edit takes the key, so the default
    // button does not press itself as well.
    EditSearch->installEventFilter(this);
    CheckBoxCategoryClick();
    RestoreOptions();
}

// The boxes kept between runs, restored in this order: "All" last, since ticking it ticks the
// five others.
std::array<QCheckBox*, 8> TfrmSearch::RememberedBoxes() const {
    return {CheckBoxName,          CheckBoxLabel,    CheckBoxNotice, CheckBoxFiles, CheckBoxFolders,
            CheckBoxCaseSensitive, CheckBoxCategory, CheckBoxAll};
}

void TfrmSearch::RestoreOptions() {
    const auto settings = WindowSettings();
    settings->beginGroup(QStringLiteral("Search"));
    for (QCheckBox* box : RememberedBoxes())
        box->setChecked(settings->value(box->objectName(), box->isChecked()).toBool());
    FRememberedCategory = settings->value(QStringLiteral("Category")).toString();
}

void TfrmSearch::RememberOptions() {
    if (ComboBoxCategory->currentIndex() >= 0) FRememberedCategory = ComboBoxCategory->currentText();
    const auto settings = WindowSettings();
    settings->beginGroup(QStringLiteral("Search"));
    for (QCheckBox* box : RememberedBoxes())
        settings->setValue(box->objectName(), box->isChecked());
    settings->setValue(QStringLiteral("Category"), FRememberedCategory);
}

void TfrmSearch::done(int result) {
    RememberOptions();
    QDialog::done(result);
}

void TfrmSearch::FillCategories(const CMedienListe& catalogue) {
    FillCategoryList(ComboBoxCategory, catalogue);
    // A filled list picks its first name by itself; without a remembered name nothing is picked.
    ComboBoxCategory->setCurrentIndex(
        FRememberedCategory.isEmpty() ? -1 : ComboBoxCategory->findText(FRememberedCategory));
}

bool TfrmSearch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == EditSearch && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            EditSearchKeyPress(key);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmSearch::CheckBoxAllClick() {
    if (FGuard) return;
    FGuard = true;
    const bool all = CheckBoxAll->isChecked();
    for (QCheckBox* box : {CheckBoxName, CheckBoxLabel, CheckBoxFiles, CheckBoxFolders, CheckBoxNotice})
        box->setChecked(all);
    FGuard = false;
}

void TfrmSearch::CheckBoxNameClick() {
    if (FGuard) return;
    FGuard = true;
    if (CheckBoxAll->isChecked()) CheckBoxAll->setChecked(false);
    FGuard = false;
}

void TfrmSearch::CheckBoxDateFromClick() { DTPDateFrom->setEnabled(CheckBoxDateFrom->isChecked()); }

void TfrmSearch::CheckBoxDateToClick() { DTPDateTo->setEnabled(CheckBoxDateTo->isChecked()); }

void TfrmSearch::CheckBoxSizeFromClick() {
    EditSizeFrom->setEnabled(CheckBoxSizeFrom->isChecked());
    ComboBoxSizeFrom->setEnabled(CheckBoxSizeFrom->isChecked());
}

void TfrmSearch::CheckBoxSizeToClick() {
    EditSizeTo->setEnabled(CheckBoxSizeTo->isChecked());
    ComboBoxSizeTo->setEnabled(CheckBoxSizeTo->isChecked());
}

void TfrmSearch::CheckBoxCategoryClick() {
    ComboBoxCategory->setEnabled(CheckBoxCategory->isChecked());
}

void TfrmSearch::EditSearchKeyPress(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) ButtonSearchClick();
}

void TfrmSearch::ShowError(const std::string& message) {
    Interaction().MessageBox(this, QString::fromStdString(SearchMessages::msgError),
                             QString::fromStdString(message), TMessageButtons::Ok);
}

// A checked size box's number; 0 when the box is not checked. False (after the message) when
// the text is no number.
bool TfrmSearch::ReadSizeNumber(QCheckBox* box, QLineEdit* edit, const std::string& message,
                                int64_t& number) {
    number = 0;
    if (!box->isChecked()) return true;
    const std::optional<int64_t> read = ParseSizeNumber(edit->text().toStdString());
    if (!read) {
        ShowError(message);
        return false;
    }
    number = *read;
    return true;
}

bool TfrmSearch::CollectRequest(TSearchRequest& request) {
    using namespace SearchMessages;
    for (QComboBox* units : {ComboBoxSizeFrom, ComboBoxSizeTo})
        if (units->currentIndex() < 0) units->setCurrentIndex(0); // "Byte"

    int64_t from = 0, to = 0;
    if (!ReadSizeNumber(CheckBoxSizeFrom, EditSizeFrom, msgValueSizeFrom, from)) return false;
    if (!ReadSizeNumber(CheckBoxSizeTo, EditSizeTo, msgValueSizeTo, to)) return false;
    if (!CheckBoxSizeTo->isChecked()) ComboBoxSizeTo->setCurrentIndex(0);

    // The pickers show and choose dates only, so the bounds are whole days: "from" at the start
    // of its day, "to" at its last millisecond. The time of day a picker happens to hold would
    // otherwise cut files from the chosen days without the user seeing why.
    request.DateFrom = CheckBoxDateFrom->isChecked() ? DayCount(DTPDateFrom->date(), QTime(0, 0))
                                                     : 0.0;
    request.DateTo = CheckBoxDateTo->isChecked()
                         ? DayCount(DTPDateTo->date(), QTime(23, 59, 59, 999))
                         : DayCount(QDate::currentDate(), QTime(0, 0));
    request.Category = CheckBoxCategory->isChecked() ? ChosenCategoryIndex(ComboBoxCategory) : -1;

    // Bounds are 64-bit byte counts; a product beyond that range is refused like bad text.
    // Without a "to" bound nothing is too large.
    const std::optional<int64_t> fromBytes = ScaleSize(from, kUnitBytes[ComboBoxSizeFrom->currentIndex()]);
    if (!fromBytes) {
        ShowError(msgValueSizeFrom);
        return false;
    }
    std::optional<int64_t> toBytes = std::numeric_limits<int64_t>::max();
    if (CheckBoxSizeTo->isChecked()) toBytes = ScaleSize(to, kUnitBytes[ComboBoxSizeTo->currentIndex()]);
    if (!toBytes) {
        ShowError(msgValueSizeTo);
        return false;
    }
    request.SizeFrom = *fromBytes;
    request.SizeTo = *toBytes;

    request.Catalogue = FCatalogue;
    request.MaskText = EditSearch->text().toLocal8Bit().toStdString();
    request.MatchNames = CheckBoxName->isChecked();
    request.MatchLabels = CheckBoxLabel->isChecked();
    request.MatchFiles = CheckBoxFiles->isChecked();
    request.MatchFolders = CheckBoxFolders->isChecked();
    request.MatchNotices = CheckBoxNotice->isChecked();
    request.SizeFilter = CheckBoxSizeFrom->isChecked() || CheckBoxSizeTo->isChecked();
    request.DateFilter = CheckBoxDateFrom->isChecked() || CheckBoxDateTo->isChecked();
    request.CaseSensitive = CheckBoxCaseSensitive->isChecked();
    if (CheckBoxDetails->isChecked()) {
        try {
            request.DetailsMask = std::make_shared<const TMask>(
                EditDetails->text().toLocal8Bit().toStdString(), request.CaseSensitive);
        } catch (const std::exception&) {
            ShowError("The mask of \"Details contain\" cannot be used.");
            return false;
        }
    }
    request.Results = &FResults;
    return true;
}

void TfrmSearch::ButtonSearchClick() {
    // Without one of the five boxes nothing could be found: say which to tick instead of
    // searching and reporting no results.
    if (!CheckBoxName->isChecked() && !CheckBoxLabel->isChecked() && !CheckBoxNotice->isChecked() &&
        !CheckBoxFiles->isChecked() && !CheckBoxFolders->isChecked()) {
        ShowError(SearchMessages::msgNoOptions);
        return;
    }
    ClearResults();
    TSearchRequest request;
    if (!CollectRequest(request)) return;
    if (FSearchWindow && FCatalogue) {
        FSearchWindow->PrepareSearch(request);
        FSearchWindow->exec();
    }
    ShowResults();
}

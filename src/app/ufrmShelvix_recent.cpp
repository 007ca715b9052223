// The catalogues opened last: the Database menu lists them, and the last one opens again at
// start when no file is given (an option, on unless the user turns it off). The list lives in
// the window settings, newest first.
#include "app/ufrmShelvix.h"

#include "language/messagetable.h"
#include "widgets/widgetfactory.h"
#include "widgets/windowsettings.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>

using namespace ShelvixMessages;

namespace {

constexpr int kRecentCount = 8;
const QString kRecentKey = QStringLiteral("Recent/Files");
const QString kReopenKey = QStringLiteral("Recent/ReopenLast");

QString Text(const std::string& variable) { return QString::fromStdString(variable); }

QStringList RecentFiles() { return WindowSettings()->value(kRecentKey).toStringList(); }

void StoreRecentFiles(const QStringList& files) { WindowSettings()->setValue(kRecentKey, files); }

} // namespace

void TfrmShelvix::CreateRecentMenu() {
    mnuRecent = new QMenu(MenuButtonText(QStringLiteral("Recent catalogues")), this);
    mnuRecent->setObjectName(QStringLiteral("mnuRecent"));
    actReopenLast = new QAction(QStringLiteral("&Reopen the last catalogue at start"), this);
    actReopenLast->setObjectName(QStringLiteral("actReopenLast"));
    actReopenLast->setCheckable(true);
    actReopenLast->setChecked(WindowSettings()->value(kReopenKey, true).toBool());
    connect(actReopenLast, &QAction::toggled, this,
            [](bool on) { WindowSettings()->setValue(kReopenKey, on); });
    // After Open..., where the other ways to a catalogue are.
    const QList<QAction*> items = mnuFile->actions();
    QAction* before = items.size() > 2 ? items[2] : nullptr;
    mnuFile->insertMenu(before, mnuRecent);
    connect(mnuRecent, &QMenu::aboutToShow, this, [this] { FillRecentMenu(); });
    FillRecentMenu();
}

// Files that are gone are left out, with a line that says so, and dropped from the list.
void TfrmShelvix::FillRecentMenu() {
    mnuRecent->clear();
    QStringList kept;
    QStringList gone;
    for (const QString& file : RecentFiles())
        (QFileInfo::exists(file) ? kept : gone) << file;
    if (!gone.isEmpty()) StoreRecentFiles(kept);
    for (qsizetype i = 0; i < kept.size(); ++i) {
        const QString file = kept[i];
        // Numbered for the keyboard; the name first, its folder after it. An ampersand of a
        // name is doubled, or it would mark a letter of its own.
        const auto plain = [](QString text) { return text.replace(QLatin1Char('&'), QLatin1String("&&")); };
        QAction* open = mnuRecent->addAction(QStringLiteral("&%1 %2  (%3)")
                                                 .arg(i + 1)
                                                 .arg(plain(QFileInfo(file).fileName()),
                                                      plain(QFileInfo(file).absolutePath())));
        connect(open, &QAction::triggered, this, [this, file] { OpenRecent(file); });
    }
    for (const QString& file : gone)
        mnuRecent->addAction(Text(msgRecentMissing).arg(QFileInfo(file).fileName()))->setEnabled(false);
    mnuRecent->setEnabled(!kept.isEmpty() || !gone.isEmpty());
    mnuRecent->addSeparator();
    mnuRecent->addAction(actReopenLast);
}

void TfrmShelvix::OpenRecent(const QString& file) {
    if (!QFileInfo::exists(file)) {
        ForgetRecent(file);
        Interaction().MessageBox(this, Text(msgHint), Text(msgRecentMissing).arg(file), TMessageButtons::Ok);
        return;
    }
    OpenCatalogueChosenBy([file] { return file; });
}

void TfrmShelvix::ForgetRecent(const QString& file) {
    QStringList files = RecentFiles();
    files.removeAll(file);
    StoreRecentFiles(files);
}

void TfrmShelvix::NoteRecent(const std::string& fileName) {
    if (fileName.empty() || fileName == FNotedRecent) return;
    FNotedRecent = fileName;
    const QString file = QFileInfo(QString::fromLocal8Bit(fileName.c_str())).absoluteFilePath();
    QStringList files = RecentFiles();
    files.removeAll(file);
    files.prepend(file);
    while (files.size() > kRecentCount) files.removeLast();
    StoreRecentFiles(files);
}

void TfrmShelvix::ReopenLastCatalogue() {
    if (!actReopenLast->isChecked()) return;
    const QStringList files = RecentFiles();
    if (files.isEmpty()) return;
    if (!QFileInfo::exists(files.first())) {
        ForgetRecent(files.first());
        StatusText->setText(Text(msgRecentMissing).arg(files.first()));
        return;
    }
    OpenCatalogueAtStart(files.first());
}

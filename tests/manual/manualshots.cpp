// Takes the manual's pictures of the program's real windows. Run by
// scripts/manual-screenshots.sh under an X server (xvfb-run):
//   shelvix_manual_shots CATALOGUE.SXF OUTPUT-FOLDER
// It opens the catalogue as the program does at start-up, shows its first medium with the first
// archive opened in the explorer, then the search dialog with results for "*.txt", the media
// details dialog and the about box, and writes one PNG file per window.
#include "widgets/mediaviewmodels.h"
#include "app/shelvixwindows.h"
#include "app/ufrmInfo.h"
#include "app/ufrmShelvix.h"
#include "catalogue/IO_BZIP.h"
#include "categories/ufrmCategories.h"
#include "platform/volumeinfo.h"
#include "scan/ufrmMediaDetails.h"
#include "app/ufrmQuickFind.h"
#include "search/ufrmSearch.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <functional>

namespace {

QString outputFolder;
int failures = 0;

void Settle(int ms = 300) {
    QTimer wait;
    wait.setSingleShot(true);
    wait.start(ms);
    while (wait.isActive()) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void Save(QWidget* window, const char* name) {
    Settle();
    const QString file = outputFolder + QLatin1Char('/') + QLatin1String(name) + ".png";
    if (!window->grab().save(file)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(file));
        ++failures;
    }
}

// Runs `open`, which shows `dialog` modally, and once it shows runs `prepare`, takes the picture
// and closes it again.
void ShootModal(QDialog* dialog, const char* name, const std::function<void()>& open,
                const std::function<void()>& prepare = {}) {
    QTimer::singleShot(200, dialog, [=] {
        if (prepare) prepare();
        Save(dialog, name);
        dialog->reject();
    });
    open();
}

// The first node at any depth below `parent` whose name ends in `suffix`.
QModelIndex FindNode(QAbstractItemModel* model, const QModelIndex& parent, const QString& suffix) {
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex node = model->index(row, 0, parent);
        if (node.data().toString().endsWith(suffix, Qt::CaseInsensitive)) return node;
        const QModelIndex below = FindNode(model, node, suffix);
        if (below.isValid()) return below;
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s CATALOGUE.SXF OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    outputFolder = QString::fromLocal8Bit(argv[2]);
    InitZoneBias();
    InstallLinuxVolumeInfoReader();

    TShelvixWindows windows;
    TfrmShelvix& main = *windows.frmShelvix;
    main.resize(1000, 560);
    main.show();
    main.OpenCatalogueAtStart(QString::fromLocal8Bit(argv[1]));
    Settle();

    // The first medium, and in the explorer the first RAR archive opened.
    const QModelIndex medium = main.VTMedien->model()->index(0, 0);
    main.VTMedien->selectionModel()->setCurrentIndex(
        medium, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    main.VTMedien->expandAll();
    QAbstractItemModel* explorer = main.VTExplorer->model();
    const QModelIndex archive = FindNode(explorer, {}, QStringLiteral("photos-2009.rar"));
    if (archive.isValid()) {
        for (QModelIndex up = archive.parent(); up.isValid(); up = up.parent())
            main.VTExplorer->expand(up);
        main.VTExplorer->expand(archive);
        for (int row = 0; row < explorer->rowCount(archive); ++row)
            main.VTExplorer->expand(explorer->index(row, 0, archive));
        main.VTExplorer->setCurrentIndex(archive);
    }
    Save(&main, "main-window");

    // The find field in use: the entries found in the explorer's place.
    main.QuickFind()->EditFind->setFocus();
    main.QuickFind()->EditFind->setText(QStringLiteral("tax"));
    Settle(800);
    Save(&main, "find");
    main.QuickFind()->EditFind->clear();

    // The preview pane beside the explorer, on the photo; it is turned off again after, so the
    // settings of whoever made the pictures stay as they were.
    const QModelIndex photo = FindNode(explorer, {}, QStringLiteral("harbour.jpg"));
    const bool paneWas = main.actPreviewPane->isChecked();
    main.actPreviewPane->setChecked(true);
    if (photo.isValid()) {
        main.VTExplorer->collapseAll();
        for (QModelIndex up = photo.parent(); up.isValid(); up = up.parent()) main.VTExplorer->expand(up);
        main.VTExplorer->setCurrentIndex(photo);
        main.VTExplorer->setFocus();
    }
    Settle(800);
    Save(&main, "preview");
    main.actPreviewPane->setChecked(paneWas);

    ShootModal(
        windows.frmSearch.get(), "search", [&] { main.actSearchExecute(); },
        [&] {
            windows.frmSearch->EditSearch->setText(QStringLiteral("*.txt"));
            windows.frmSearch->CheckBoxFiles->setChecked(true);
            windows.frmSearch->ButtonSearch->click();
            Settle(1500);
        });
    ShootModal(windows.frmMediaDetails.get(), "media-details",
               [&] { main.ShowMediumDetails(main.Catalogue().GetMedium(0)); });
    ShootModal(windows.frmInfo.get(), "about", [&] { main.actInfoExecute(); });
    main.close();
    return failures ? 1 : 0;
}

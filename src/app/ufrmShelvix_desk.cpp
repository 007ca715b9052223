// The media on the desk: which media are mounted (the media tree follows the mount table), Open
// and Open containing folder in the explorer, and the media tree's optional Free and Capacity
// columns.
#include "app/ufrmShelvix.h"

#include "language/messagetable.h"
#include "widgets/entryopener.h"
#include "widgets/keyboardaccess.h"
#include "widgets/mediaviewmodels.h"
#include "widgets/mountwatcher.h"
#include "widgets/windowsettings.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTreeView>

void TfrmShelvix::ConnectDesk() {
    // Free and Capacity start hidden; the header's context menu shows and hides them, and the
    // choice is kept with the other window settings.
    QHeaderView* header = VTMedien->header();
    const auto key = [](int column) { return QStringLiteral("MediaTree/ShowColumn%1").arg(column); };
    {
        const auto settings = WindowSettings();
        for (int column : {2, 3}) VTMedien->setColumnHidden(column, !settings->value(key(column), false).toBool());
    }
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this, [this, header, key](const QPoint& at) {
        // Made on each request, so that it carries the titles the language file gave.
        auto* columns = new QMenu(header);
        columns->setAttribute(Qt::WA_DeleteOnClose);
        // Marked letters of their own, as every menu has; an ampersand of a title is kept.
        QStringList titles;
        for (int column : {2, 3})
            titles << FMediaModel->headerData(column, Qt::Horizontal, Qt::DisplayRole)
                          .toString()
                          .replace(QLatin1Char('&'), QLatin1String("&&"));
        titles = WithMnemonics(titles);
        for (int column : {2, 3}) {
            QAction* toggle = columns->addAction(titles[column - 2]);
            toggle->setCheckable(true);
            toggle->setChecked(!VTMedien->isColumnHidden(column));
            connect(toggle, &QAction::toggled, this,
                    [this, column, key](bool shown) {
                        VTMedien->setColumnHidden(column, !shown);
                        WindowSettings()->setValue(key(column), shown);
                        if (shown) FitMediaPane();
                    });
        }
        columns->popup(header->mapToGlobal(at));
    });

    ExplorerOpener = new TEntryOpener(
        VTExplorer, [this](const QModelIndex& index) { return FExplorerModel->EntryAt(index); },
        [this](const QString& text) { StatusText->setText(text); });
    ExplorerOpener->AddToMenu(actDetails);
    TEntryOpener::UpdateMedium() = [this](CMedium* medium, const QString& folder) {
        if (!CheckChangedOnDisk()) UpdateMediumFrom(medium, folder);
    };
    TMountWatcher::Instance(); // starts following the mount table
}

// The main window's actions, its menu bar, the context menu and the button bar.
#include "app/ufrmShelvix.h"

#include "widgets/keyboardaccess.h"
#include "widgets/widgetfactory.h"
#include "widgets/windowsettings.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QShortcut>

namespace {

struct TActionSpec {
    QAction* TfrmShelvix::*member;
    const char* name;
    const char* category;
    const char* caption;
    const char* hint;
    int icon; // index in ImageListMenu, -1 for none
    bool checked;
};

// In the order the actions are listed in the action list.
const TActionSpec kActions[] = {
    {&TfrmShelvix::actNew, "actNew", "File", "&New", "New", 0, false},
    {&TfrmShelvix::actOpen, "actOpen", "File", "&Open...", "Open", 1, false},
    {&TfrmShelvix::actSave, "actSave", "File", "&Save", "Save", 2, false},
    {&TfrmShelvix::actSaveAs, "actSaveAs", "File", "Save &as...", "Save as", -1, false},
    {&TfrmShelvix::actMakeBackups, "actMakeBackups", "File", "Make &backups", "Make backups", -1, true},
    {&TfrmShelvix::actAttach, "actAttach", "File", "A&ttach", "Attach", -1, false},
    {&TfrmShelvix::actImport, "actImport", "File", "&Import...", "Import", -1, false},
    {&TfrmShelvix::actRepair, "actRepair", "File", "Re&pair", "Repair", -1, false},
    {&TfrmShelvix::actCleanUp, "actCleanUp", "File", "&Clean up", "Clean up", -1, false},
    {&TfrmShelvix::actClose, "actClose", "File", "&Quit", "Quit Shelvix", -1, false},
    {&TfrmShelvix::actAdd, "actAdd", "Medium", "&Add", "Add", 37, false},
    {&TfrmShelvix::actUpdate, "actUpdate", "Medium", "&Update", "Update", 39, false},
    {&TfrmShelvix::actRemove, "actRemove", "Medium", "&Remove", "Remove", 38, false},
    {&TfrmShelvix::actRestore, "actRestore", "Medium", "Res&tore", "Restore", 34, false},
    {&TfrmShelvix::actDetails, "actDetails", "Medium", "&Details", "Details", 33, false},
    {&TfrmShelvix::actSearch, "actSearch", "Medium", "Searc&h", "Search", 32, false},
    {&TfrmShelvix::actArchives, "actArchives", "Medium", "&Examine compressed archives",
     "Examine compressed archives", 36, true},
    {&TfrmShelvix::actReadDetails, "actReadDetails", "Medium", "Read &file details",
     "Read file details (photos, music, video)", 33, true},
    {&TfrmShelvix::actIndex, "actIndex", "Help", "&Index", "Index", 40, false},
    {&TfrmShelvix::actInfo, "actInfo", "Help", "In&fo", "About", -1, false},
    {&TfrmShelvix::actDuplicates, "actDuplicates", "File", "Find &duplicates...",
     "Find files kept on more than one medium", -1, false},
    {&TfrmShelvix::actExportCsv, "actExportCsv", "Medium", "Export &list (CSV)...",
     "Export the selected media as a CSV list", -1, false},
    {&TfrmShelvix::actExportHtml, "actExportHtml", "Medium", "Export report (&HTML)...",
     "Export the selected media as an HTML report", -1, false},
    {&TfrmShelvix::actPreviewPane, "actPreviewPane", "Medium", "&Preview pane",
     "Show the preview and facts of the selected entry", 41, true},
    {&TfrmShelvix::actIconView, "actIconView", "Medium", "Ic&on view",
     "Show the folder as large previews", 42, true},
};

// nullptr marks a separator line.
QMenu* FillMenu(QMenu* menu, std::initializer_list<QAction*> items) {
    for (QAction* action : items) {
        if (action) menu->addAction(action);
        else menu->addSeparator();
    }
    return menu;
}

} // namespace

void TfrmShelvix::CreateActions() {
    for (const TActionSpec& spec : kActions) {
        auto* action = new QAction(QString::fromLatin1(spec.caption), this);
        action->setObjectName(QString::fromLatin1(spec.name));
        action->setProperty("category", QString::fromLatin1(spec.category));
        action->setToolTip(QString::fromLatin1(spec.hint));
        action->setStatusTip(QString::fromLatin1(spec.hint));
        action->setProperty("imageIndex", spec.icon);
        if (spec.icon >= 0) action->setIcon(ImageListMenu.At(spec.icon));
        if (spec.checked) {
            action->setCheckable(true);
            action->setChecked(true);
        }
        this->*spec.member = action;
        addAction(action); // shortcuts work wherever the focus is in the window
    }
    actMakeBackups->setCheckable(true);
    actArchives->setCheckable(true);
    // Kept between runs, as the search's options are.
    actReadDetails->setChecked(WindowSettings()->value(QStringLiteral("Scan/ReadDetails"), true).toBool());
    connect(actReadDetails, &QAction::toggled, this,
            [](bool on) { WindowSettings()->setValue(QStringLiteral("Scan/ReadDetails"), on); });
    // Common desktop keys for the everyday commands.
    actNew->setShortcut(QKeySequence::New);
    actOpen->setShortcut(QKeySequence::Open);
    actSave->setShortcut(QKeySequence::Save);
    // Closing the window ends the program: it is the desktop's Quit, Ctrl+Q.
    QList<QKeySequence> quit = QKeySequence::keyBindings(QKeySequence::Quit);
    if (!quit.contains(QKeySequence(Qt::CTRL | Qt::Key_Q))) quit << QKeySequence(Qt::CTRL | Qt::Key_Q);
    actClose->setShortcuts(quit);
    actClose->setMenuRole(QAction::QuitRole);
    // Return opens what the views show; Details is Alt+Return, as file managers have it.
    actDetails->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_Return), QKeySequence(Qt::ALT | Qt::Key_Enter)});
    // Ctrl+F goes to the find field.
    actSearch->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));

    connect(actClose, &QAction::triggered, this, &QWidget::close);
    connect(actAdd, &QAction::triggered, this, [this] { actAddExecute(); });
    connect(actUpdate, &QAction::triggered, this, [this] { actUpdateExecute(); });
    connect(actRemove, &QAction::triggered, this, [this] { actRemoveExecute(); });
    connect(actRestore, &QAction::triggered, this, [this] { actRestoreExecute(); });
    connect(actCleanUp, &QAction::triggered, this, [this] { actCleanUpExecute(); });
    connect(actDetails, &QAction::triggered, this, [this] { actDetailsExecute(); });
    connect(actSearch, &QAction::triggered, this, [this] { actSearchExecute(); });
    connect(actDuplicates, &QAction::triggered, this, [this] { actDuplicatesExecute(); });
    connect(actExportCsv, &QAction::triggered, this, [this] { actExportCsvExecute(); });
    connect(actExportHtml, &QAction::triggered, this, [this] { actExportHtmlExecute(); });
    // The two toggles invert themselves when triggered; nothing else happens until a command
    // reads their state.
    connect(actIndex, &QAction::triggered, this, [this] { actIndexExecute(); });
    connect(actInfo, &QAction::triggered, this, [this] { actInfoExecute(); });
}

void TfrmShelvix::CreateMenus() {
    mnuFile = new QMenu(QStringLiteral("Database"), this);
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    FillMenu(mnuFile, {actNew, actOpen, nullptr, actSave, actSaveAs, actMakeBackups, nullptr,
                       actSearch, nullptr, actAttach, nullptr, actImport, actRepair, actCleanUp,
                       nullptr, actDuplicates, nullptr, actClose}); // Quit last, as desktop programs have it
    mnuMedium = new QMenu(QStringLiteral("Media"), this);
    mnuMedium->setObjectName(QStringLiteral("mnuMedium"));
    FillMenu(mnuMedium, {actAdd, actUpdate, nullptr, actRemove, actRestore, nullptr, actDetails,
                         nullptr, actArchives, actReadDetails, nullptr, actPreviewPane, actIconView,
                         nullptr, actExportCsv, actExportHtml});
    mnuHelp = new QMenu(QStringLiteral("Help"), this);
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    FillMenu(mnuHelp, {actIndex, nullptr, actInfo});
    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    FillMenu(PopupMenu, {actUpdate, actRemove, nullptr, actDetails});

    // The menu bar keeps the component name it had as a tool bar. Its menus' titles have a
    // marked letter, so Alt with it opens the menu (language files replace the titles, and the
    // letter is marked again).
    ToolBarMainMenu = new QMenuBar(this);
    ToolBarMainMenu->setObjectName(QStringLiteral("ToolBarMainMenu"));
    for (QMenu* menu : {mnuFile, mnuMedium, mnuHelp}) {
        menu->setTitle(MenuButtonText(menu->title()));
        ToolBarMainMenu->addMenu(menu);
    }
    setMenuBar(ToolBarMainMenu);
    // F10 opens the first menu, as desktop programs do.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    f10->setObjectName(QStringLiteral("ShortcutFirstMenu"));
    connect(f10, &QShortcut::activated, this,
            [this] { ToolBarMainMenu->setActiveAction(ToolBarMainMenu->actions().first()); });
    // Shift+F10 (and the Menu key) open the context menu of the view with the focus.
    InstallContextMenuKey(this);
}

void TfrmShelvix::CreateButtonBar() {
    SpeedBar1 = new QToolBar(QStringLiteral("Buttons"), this);
    SpeedBar1->setObjectName(QStringLiteral("SpeedBar1"));
    SpeedBar1->setMovable(false);
    SpeedBar1->setIconSize(QSize(16, 16));
    SpeedBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const std::initializer_list<QAction*> groups[] = {
        {actNew, actOpen, actSave}, {actAdd, actUpdate, actRemove}, {actDetails}, {actSearch},
        {actArchives, actReadDetails}, {actIndex}};
    bool first = true;
    for (const auto& group : groups) {
        if (!first) SpeedBar1->addSeparator();
        first = false;
        for (QAction* action : group) {
            SpeedBar1->addAction(action);
            if (QWidget* button = SpeedBar1->widgetForAction(action)) {
                button->setFixedSize(24, 23);
                button->setObjectName(QStringLiteral("SpeedButton_") + action->objectName());
            }
        }
    }
    CreateViewButton();
    addToolBar(Qt::TopToolBarArea, SpeedBar1);
}

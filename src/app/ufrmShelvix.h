// The main window: the open catalogue, its two views, the actions with their menus and button
// bar, the status line and progress bar, and the operations every command shares.
#pragma once

#include "widgets/imagelists.h"
#include "widgets/interaction.h"
#include "catalogue/mediaclasses.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QProgressBar;
class QSplitter;
class QStackedWidget;
class QAbstractItemView;
class TPreviewPane;
class TPreviewLoader;
class TPreviewIconView;
class QToolBar;
class QTreeView;
class QItemSelection;
class TMediaTreeModel;
class TExplorerModel;
class TfrmDuplicates;
class TEntryOpener;
class TfrmQuickFind;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
struct TShelvixWindows;
struct TFailureText;

class TfrmShelvix : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmShelvix(QWidget* parent = nullptr);
    ~TfrmShelvix() override;

    // Components other windows and tests reach by name.
    QMenuBar* ToolBarMainMenu; // the menu bar
    QToolBar* SpeedBar1;
    QTreeView* VTMedien;
    QSplitter* Splitter1;
    QTreeView* VTExplorer;
    QWidget* Panel1;
    QLabel* StatusText;
    QProgressBar* SpecialProgress;
    QMenu* mnuFile;
    QMenu* mnuMedium;
    QMenu* mnuHelp;
    QMenu* PopupMenu;
    TImageList ImageListMenu;
    TImageList ImageListDrives;
    TImageList ImageListFolders;

    QAction *actNew, *actOpen, *actSave, *actSaveAs, *actMakeBackups, *actAttach, *actImport,
        *actRepair, *actCleanUp, *actClose, *actAdd, *actUpdate, *actRemove, *actRestore,
        *actDetails, *actSearch, *actArchives, *actIndex, *actInfo;
    // Whether Add and Update read what files are (photo, music, video details).
    QAction* actReadDetails;
    // Beyond the catalogue: finding copies (Database menu) and the reports (Media menu).
    QAction *actDuplicates, *actExportCsv, *actExportHtml;
    // The preview pane at the right of the lists, and the explorer's folder as large previews
    // (ufrmShelvix_preview.cpp); both kept between runs, in the Media menu and under the button
    // bar's View.
    QAction *actPreviewPane, *actIconView;
    QMenu* mnuView = nullptr;
    TPreviewPane* PreviewPane = nullptr;
    TPreviewIconView* VTIcons = nullptr;
    // The explorer's place in the splitter: the list or the icon view.
    QStackedWidget* ExplorerPlace = nullptr;
    // The explorer as it is shown: the list, or the icon view.
    QAbstractItemView* ExplorerView() const;
    TPreviewLoader& PreviewLoader() { return *FPreviewLoader; }

    CMedienListe& Catalogue() { return *FCatalogue; }
    TMediaTreeModel& MediaModel() { return *FMediaModel; }
    TExplorerModel& ExplorerModel() { return *FExplorerModel; }
    bool RarSupport() const { return FRarSupport; }
    bool ZipSupport() const { return FZipSupport; }
    // The other windows, set once they are all created.
    void SetWindows(TShelvixWindows* windows) { FWindows = windows; }
    TShelvixWindows* Windows() const { return FWindows; }
    // The find field at the right of the button bar and its list (app/ufrmQuickFind).
    TfrmQuickFind* QuickFind() const { return FQuickFind; }

    // Shared operations of the commands.
    void ShowProgress(int percent);
    bool CheckChangedOnDisk();
    void RefreshTitle();
    bool RefreshMediaContent();
    void ApplicationHelp();
    // Empties every view that refers to media: the search results, the explorer and the media
    // tree. Whoever deletes media or replaces the catalogue calls it first, since those views
    // would otherwise point at freed objects.
    void ForgetViewsOfMedia();
    // Help menu.
    void actIndexExecute();
    void actInfoExecute();
    // Replaces the open catalogue; the views are emptied first, since they refer to it.
    void ReplaceCatalogue(std::unique_ptr<CMedienListe> catalogue);
    // Opens a catalogue named at start-up.
    void OpenCatalogueAtStart(const QString& fileName);
    // Without a file named at start-up: the catalogue opened last, unless the user turned
    // that off (ufrmShelvix_recent.cpp).
    void ReopenLastCatalogue();
    QMenu* mnuRecent = nullptr;          // the catalogues opened last, in the Database menu
    QAction* actReopenLast = nullptr;    // "Reopen the last catalogue at start", on at first

    // View handlers.
    void VTMedienChange(const QModelIndex& node);
    void VTMedienHeaderClick(int column);
    void VTExplorerHeaderClick(int column);
    void VTMedienContextPopup(const QPoint& position);
    void VTMedienDblClick();
    void VTExplorerDblClick(const QModelIndex& node);
    void actArchivesExecute();

    // Media commands. Add asks for the folder; AddMediaFolder is Add from the point where the
    // folder is known, which a folder dropped on the window reaches directly.
    void actAddExecute();
    void AddMediaFolder(const QString& path);
    void actUpdateExecute();
    // Update from the point where the old medium and the folder to read are known.
    void UpdateMediumFrom(CMedium* old, const QString& path);
    bool BrowseForMediaFolder(const QString& title, QString& path);
    void ShowMediumDetails(CMedium* medium);
    void ShowEntryDetails(CFile* entry);
    void actDetailsExecute();

    // Removing, restoring and cleaning up media (ufrmShelvix_removal.cpp).
    void actRemoveExecute();
    void actRestoreExecute();
    void actCleanUpExecute();
    // Import of a foreign catalogue (ufrmShelvix_import.cpp); the dialog keeps the last name
    // chosen in its initialName.
    TFileDialogSpec OpenDialogImport;
    void actImportExecute();

    // Search: the command, the jump to the item found, and emptying the search results before
    // the catalogue they refer to is replaced or loses media (New, Open, Import, Clean up).
    void actSearchExecute();
    void ClearSearchResults();
    // Focuses and selects an entry's node in the explorer (when it shows the entry's medium),
    // expanding its parents and scrolling it into view.
    void SelectInExplorer(const CFile* entry);
    // Selects a medium in the media tree and, when given, its entry in the explorer: where
    // Show of the search and of the duplicates leads.
    void JumpTo(CMedium* medium, CFile* entry);

    // Find duplicates (ufrmShelvix_search.cpp); its dialog is made with the other windows.
    void actDuplicatesExecute();
    TfrmDuplicates* DuplicatesDialog();

    // Reports of the selected media, or of every medium when none is selected
    // (ufrmShelvix_reports.cpp).
    void actExportCsvExecute();
    void actExportHtmlExecute();

protected:
    void closeEvent(QCloseEvent* event) override;
    // A folder or drive dropped from the file manager is added, a catalogue file opened;
    // anything else is refused (ufrmShelvix_drop.cpp).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Return in either view runs Details, the Delete key in the media tree Remove.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateButtonBar();
    void CreateRecentMenu();
    void FillRecentMenu();
    void OpenRecent(const QString& file);
    void ForgetRecent(const QString& file);
    // Puts the open catalogue's file first in the recent list (RefreshTitle calls it).
    void NoteRecent(const std::string& fileName);
    std::string FNotedRecent;
    void CreateViews();
    void CreateBottomPanel();
    void CreatePreviews();
    void CreateViewButton();
    // The pane shows what the current node of `view` is (the media tree, the explorer or the
    // find list).
    void PreviewCurrentOf(const QAbstractItemView* view);
    void ShowPreviewPane(bool shown);
    void ShowIconView(bool shown);
    void PlaceOnScreen();
    void NameForScreenReaders();
    // The window's size and place, and its panes, kept for the next run.
    void RememberPlace();
    void FitMediaPane();
    void KeepSelectionAmongSiblings(const QItemSelection& selected);
    void SelectCurrentMedium();
    void EnableMediumActions();
    void ShowError(const std::string& text);
    // A file error: the text, then the file and the system's reason as the catalogue code
    // noted them, or `fileName` alone when none was noted (a damaged file).
    void ShowFileError(const std::string& text, const std::string& fileName);
    CMedium* NewMediumFromChooser(QString& path);
    CMedium* NewMediumAt(const QString& path);
    bool ScanNewMedium(CMedium* medium, const QString& path);
    void DiscardMedium(CMedium* medium);
    // Refills the media tree after media came or went; `changed` marks the catalogue modified.
    // A medium just read (`added`) is selected with its name open for editing.
    void RefreshAfterMediaChange(bool changed = true, CMedium* added = nullptr);
    void SelectNewMedium(CMedium* medium);
    // Update's question whether the new reading keeps what the user gave the old one.
    void KeepOwnAnnotations(CMedium& old, CMedium& fresh);
    void RefreshAfterDetails();

    void ExportMediaReport(bool html);

    // Mounted media, Open, the optional space columns (ufrmShelvix_desk.cpp).
public:
    TEntryOpener* ExplorerOpener = nullptr;
private:
    void ConnectDesk();

    std::unique_ptr<CMedienListe> FCatalogue;
    TfrmDuplicates* FDuplicates = nullptr; // a child of this window, made with the others
    TMediaTreeModel* FMediaModel = nullptr;
    TExplorerModel* FExplorerModel = nullptr;
    TShelvixWindows* FWindows = nullptr;
    TfrmQuickFind* FQuickFind = nullptr; // a child of this window
    TPreviewLoader* FPreviewLoader = nullptr; // a child of this window
    const QAbstractItemView* FPreviewSource = nullptr; // the list the pane showed last
    bool FRarSupport = false;
    bool FZipSupport = true;
    bool FInSelectionChange = false;

    // ---- Catalogue commands (ufrmShelvix_catalogue.cpp): New, Open, Save, Save as, Attach,
    // Repair, and the question to save changes when the window closes.
public:
    // The catalogue file dialogs; each keeps the last name chosen in its initialName.
    TFileDialogSpec OpenDialogFDB;
    TFileDialogSpec SaveDialogFDB;
    void actNewExecute();
    void actOpenExecute();
    // Open once the unsaved changes are dealt with, the file coming from `choose` (the file
    // dialog, or the file dropped on the window); an empty name gives up.
    void OpenCatalogueChosenBy(const std::function<QString()>& choose);
    void actSaveExecute();
    void actSaveAsExecute();
    void actAttachExecute();
    void actRepairExecute();
    // Open from the point where the file has been chosen; the catalogue named at start-up
    // comes this way too.
    void OpenCatalogueFile(const QString& fileName);
    // True while a load or save runs with the window disabled.
    bool Busy() const { return FBusy; }
    // How often a load or save lets window messages run and paints its progress.
    int ProgressPumpSliceMs = 20;

private:
    enum class TSaveOutcome { Saved, Cancelled, Failed };
    using TSaveCommand = TSaveOutcome (TfrmShelvix::*)();
    void ConnectCatalogueCommands();
    void ConnectImportCommand();
    TSaveOutcome SaveCatalogue();
    TSaveOutcome SaveCatalogueAs();
    TSaveOutcome WriteCatalogue(const std::string& fileName);
    // Why a content, a load or a save did not go through (ufrmShelvix_failures.cpp). Failures
    // are told with their file line; `before` comes first when given.
    void ShowFailure(const TFailureText& failure, const std::string& fileName,
                     const std::string& before = {});
    // Reads a medium's content for the views. When it cannot, the explorer and status line are
    // emptied, a damaged medium is marked in the media tree, and the user is told why.
    bool LoadMediumContent(CMedium& medium);
    void ShowContentFailure(CMedium& medium, TLoadFailure reason, const std::string& before = {});
    void ShowBlockCheckFailure(int damaged);
    // After Save answered false; a pair changed on disk offers Save as.
    TSaveOutcome ShowSaveFailure(const std::string& fileName, const std::string& generic);
    bool SaveChangesIfWanted(bool checkDiskFirst, TSaveCommand save);
    void InstallProgress(CMedienListe& catalogue);
    void SetBusy(bool busy);
    bool FBusy = false;
    bool FDisabledWhileBusy = false;
    // When ShowProgress last let window messages run.
    QElapsedTimer FProgressPump;
};

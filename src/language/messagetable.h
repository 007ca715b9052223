// The message table: one global text variable per message key and registering window,
// holding its built-in English text until a language file replaces it, and the
// windows' variable lists that bind keys to those variables.
//
// The variables are ordinary globals with dynamic initialisation: read them at run time, not from
// the static initialisers of other translation units. There is one user-interface thread and no
// locking.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Main window (TfrmShelvix), registered in this order by RegisterShelvixMessages.
namespace ShelvixMessages {
extern std::string msgError;
extern std::string msgSelect;
extern std::string msgNoAdd;
extern std::string msgSameSerial;
extern std::string msgQuestion;
extern std::string msgModified;
extern std::string msgNoSave;
extern std::string msgNoLoad;
extern std::string msgFiles;
extern std::string msgDirs;
extern std::string msgSure;
extern std::string msgNoRestore;
extern std::string msgHint;
extern std::string msgNoUpdate;
extern std::string msgNoCleanUp;
extern std::string msgErrorCleanUp;
extern std::string msgName;
extern std::string msgLabel;
extern std::string msgSerial;
extern std::string msgSize;
extern std::string msgCategory;
extern std::string msgNotice;
extern std::string msgAvail;
extern std::string msgNoUnrar;
extern std::string msgNoImport;
extern std::string msgNoAttach;
extern std::string msgSxName;
extern std::string msgNoContent;
extern std::string msgDiskFull;
extern std::string msgLost;
extern std::string msgDone;
extern std::string msgRepairState;
extern std::string msgWasChanged;
extern std::string msgLoadDB;
extern std::string msgSaveDB;
extern std::string msgReloadDB;
extern std::string msgBackupFailed;
extern std::string msgNoManual;
extern std::string msgUnreadFolders; // after their count: "3 folders could not be read"
extern std::string msgNoReport;
extern std::string msgNotImported; // %1: the number of entries an import left out
// The texts of the Yes and No buttons of every question.
extern std::string msgYes;
extern std::string msgNo;
// Why a medium's content, the catalogue or a save did not go through; %1: the medium's name
// (msgMedium*) or the data file's path (msgLoneDataFile).
extern std::string msgMediumDamaged;
extern std::string msgMediumInUse;
extern std::string msgMediumMissing;
extern std::string msgLoadInUse;
extern std::string msgLoadMissing;
extern std::string msgLoadFailed;
extern std::string msgSaveInUse;
extern std::string msgSaveFailed;
extern std::string msgSaveInterrupted;
extern std::string msgLoneDataFile;
// Before the reason a Repair stopped at; before the list of media Attach left out.
extern std::string msgRepairStopped;
extern std::string msgNotAttached;
extern std::string msgCancel; // the Cancel button of the questions that have one
// The same-serial question's answers: add as new, or update the one medium it names (%1), and
// the line that stands for the names not listed (%1: how many).
extern std::string msgAddAsNew;
extern std::string msgUpdateThat;
extern std::string msgMoreNames;
// Update asks it when the old reading holds the user's own name, notice or categories (%1).
extern std::string msgKeepOwn;
// The folder chooser's title on Update (%1: the medium's name).
extern std::string msgSelectUpdate;
// Opening a file the desktop has no program for (%1 the path, %2 its type), and the answers.
extern std::string msgNoApplication;
extern std::string msgCopyPath;
extern std::string msgClose;
// A recent catalogue that is gone (%1: its file).
extern std::string msgRecentMissing;
// Restore pressed with no medium ticked or selected.
extern std::string msgNothingToRestore;
// The titles of the columns that show what a file is (photo, music, video), and the names the
// file details dialog gives the other details.
extern std::string msgColDimensions;
extern std::string msgColDuration;
extern std::string msgColTaken;
extern std::string msgColArtist;
extern std::string msgColAlbum;
extern std::string msgColTitle;
extern std::string msgColCamera;
extern std::string msgDetailPosition;
extern std::string msgDetailOrientation;
extern std::string msgDetailTrack;
extern std::string msgDetailYear;
extern std::string msgDetailGenre;
extern std::string msgDetailBitrate;
extern std::string msgDetailCodec;
extern std::string msgDetailFrameRate;
// After a scan: %1 files whose details the reader could not read (it crashed, hung or ran out
// of memory on them).
extern std::string msgDetailsSkipped;
// The preview pane: what shows in place of a picture an entry has none of, and the caption of
// the date beside it.
extern std::string msgNoPreview;
extern std::string msgDate;
} // namespace ShelvixMessages

// Search window (TfrmSearch). Its msgError is a variable of its own, separate from the main
// window's.
namespace SearchMessages {
extern std::string msgResults;
extern std::string msgValueSizeFrom;
extern std::string msgValueSizeTo;
extern std::string msgError;
extern std::string msgNoOptions;
} // namespace SearchMessages

// Categories window (TfrmCategories).
namespace CategoryMessages {
extern std::string msgExist;
extern std::string msgAssigned;
extern std::string msgNoCatLoad;
extern std::string msgNoCatImport;
} // namespace CategoryMessages

// Duplicates window (TfrmDuplicates). Its errors take the main window's msgError as caption.
namespace DuplicateMessages {
extern std::string msgNoMinSize;
// %1 groups, %2 files, %3 the size of the extra copies.
extern std::string msgGroupsFound;
} // namespace DuplicateMessages

// A window's variable list (the `Variables` element of the language file): ordered pairs of a
// message key and the variable it is bound to. The list does not own the variables. Keys are
// compared without regard to ASCII letter case; other bytes compare exactly.
class TranslatorVariables {
public:
    struct Entry {
        std::string key;       // as registered
        std::string* variable; // never null
    };

    // Appends a pair; an existing pair with the same key is kept (no dedupe).
    void Add(std::string_view key, std::string* variable);

    // The variable of the first pair whose key matches, or nullptr when none does.
    std::string* Find(std::string_view key) const;

    std::size_t Count() const { return entries_.size(); }
    // Index access in registration order; an index at or beyond Count() throws std::out_of_range.
    const std::string& Key(std::size_t index) const { return entries_.at(index).key; }
    std::string* Variable(std::size_t index) const { return entries_.at(index).variable; }

    std::vector<Entry>::const_iterator begin() const { return entries_.begin(); }
    std::vector<Entry>::const_iterator end() const { return entries_.end(); }

    void Clear() { entries_.clear(); }

private:
    std::vector<Entry> entries_;
};

// Appends (key, variable) to `list`. `variable` must not be null.
void RegisterMessage(TranslatorVariables& list, std::string_view key, std::string* variable);

// Register a window's keys in their fixed order: 84 for the main window, 5 for the search
// window, 4 for the categories window, 2 for the duplicates window. Each call appends; calling
// twice registers twice.
void RegisterShelvixMessages(TranslatorVariables& list);
void RegisterSearchMessages(TranslatorVariables& list);
void RegisterCategoryMessages(TranslatorVariables& list);
void RegisterDuplicateMessages(TranslatorVariables& list);

// Sets every message variable of all four windows back to its built-in English text.
void ResetMessagesToBuiltIn();

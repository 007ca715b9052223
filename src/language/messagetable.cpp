// The message table. Each window's keys are listed once, in registration order, with
// their built-in texts kept as users have always seen them (plain misspellings mended); the
// lists below define the variables, the registration and the reset from that one source.
#include "language/messagetable.h"

#include <cassert>
#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>

// clang-format off
#define SHELVIX_MAIN_MESSAGES(X) \
    X(msgError, "Error") \
    X(msgSelect, "Select Media") \
    X(msgNoAdd, "Could not add media to database.") \
    X(msgSameSerial, "The following media with the same serial number were found in the database. Do you want to add this medium as a new one?") \
    X(msgQuestion, "Question") \
    X(msgModified, "Database was modified, save changes now?") \
    X(msgNoSave, "Could not save database. Disk full or database was changed on disk.") \
    X(msgNoLoad, "Could not load database. It is from a newer version or damaged.") \
    X(msgFiles, "Files") \
    X(msgDirs, "Directories") \
    X(msgSure, "Are you sure?") \
    X(msgNoRestore, "There are no items to restore.") \
    X(msgHint, "Hint") \
    X(msgNoUpdate, "The serial numbers are different. Are you sure you want to update?") \
    X(msgNoCleanUp, "There are no items to clean up.") \
    X(msgErrorCleanUp, "It seems, the database is broken. Try a repair.") \
    X(msgName, "Name") \
    X(msgLabel, "Label") \
    X(msgSerial, "Serialnumber") \
    X(msgSize, "Size") \
    X(msgCategory, "Category") \
    X(msgNotice, "Notice") \
    X(msgAvail, "available") \
    X(msgNoUnrar, "n/a UNRAR.DLL not found") \
    X(msgNoImport, "File format not supported, import failed.") \
    X(msgNoAttach, "Cannot attach same databases.") \
    X(msgSxName, "Shelvix") \
    X(msgNoContent, "Unable to load content of media. The database is broken.") \
    X(msgDiskFull, "Could not save, disk full?") \
    X(msgLost, "Lost media") \
    X(msgDone, "Done. No media lost.") \
    X(msgRepairState, "Repair state") \
    X(msgWasChanged, "The currently loaded database was changed on disk. You must reopen the database, to get the changes.") \
    X(msgLoadDB, "Open database...") \
    X(msgSaveDB, "Saving database...") \
    X(msgReloadDB, "Refreshing media content...") \
    X(msgBackupFailed, "Could not make backups. Nothing saved.") \
    X(msgNoManual, "Could not open the manual. It is missing, or no program to show HTML pages is set up.") \
    X(msgUnreadFolders, "folders could not be read") \
    X(msgNoReport, "Could not write the report.") \
    X(msgNotImported, "%1 entries nested too deeply, or without a name, were left out.") \
    X(msgYes, "Yes") \
    X(msgNo, "No") \
    X(msgMediumDamaged, "The contents of \u00AB%1\u00BB cannot be read: the data file is damaged there. Use Repair to save the catalogue without it.") \
    X(msgMediumInUse, "The contents of \u00AB%1\u00BB cannot be read now: another program is saving the catalogue. Try again in a moment.") \
    X(msgMediumMissing, "The contents of \u00AB%1\u00BB cannot be read: the catalogue's data file is missing.") \
    X(msgLoadInUse, "Could not load database: another program is saving it. Try again in a moment.") \
    X(msgLoadMissing, "Could not load database: one of its two files is missing.") \
    X(msgLoadFailed, "Could not load database.") \
    X(msgSaveInUse, "Could not save database: another program is using it. Try again in a moment.") \
    X(msgSaveFailed, "Could not save database.") \
    X(msgSaveInterrupted, "The database was not saved completely: it is finished when it is opened next time.") \
    X(msgLoneDataFile, "Nothing was saved: the data file %1 lies there without its index. Move it away or choose another name.") \
    X(msgRepairStopped, "Repair stopped; no medium was removed and nothing was saved.") \
    X(msgNotAttached, "These media could not be attached:") \
    X(msgCancel, "Cancel") \
    X(msgAddAsNew, "Add as a new medium") \
    X(msgUpdateThat, "Update %1") \
    X(msgMoreNames, "and %1 more") \
    X(msgKeepOwn, "Keep the name, notice and categories of %1 for the new reading?") \
    X(msgSelectUpdate, "Select where %1 is now") \
    X(msgNoApplication, "Could not open %1: no application is set up for its type (%2), or it could not be started.") \
    X(msgCopyPath, "Copy path") \
    X(msgClose, "Close") \
    X(msgRecentMissing, "%1 is no longer there and was taken off the recent catalogues.") \
    X(msgNothingToRestore, "Select the media to restore first.") \
    X(msgColDimensions, "Dimensions") \
    X(msgColDuration, "Duration") \
    X(msgColTaken, "Taken") \
    X(msgColArtist, "Artist") \
    X(msgColAlbum, "Album") \
    X(msgColTitle, "Title") \
    X(msgColCamera, "Camera") \
    X(msgDetailPosition, "Position") \
    X(msgDetailOrientation, "Orientation") \
    X(msgDetailTrack, "Track") \
    X(msgDetailYear, "Year") \
    X(msgDetailGenre, "Genre") \
    X(msgDetailBitrate, "Bit rate") \
    X(msgDetailCodec, "Codec") \
    X(msgDetailFrameRate, "Frame rate") \
    X(msgDetailsSkipped, "Details of %1 file(s) skipped") \
    X(msgNoPreview, "No preview") \
    X(msgDate, "Date")

#define SHELVIX_SEARCH_MESSAGES(X) \
    X(msgResults, "results found.") \
    X(msgValueSizeFrom, "Size from is an invalid value") \
    X(msgValueSizeTo, "Size to is an invalid value.") \
    X(msgError, "Error") \
    X(msgNoOptions, "Nothing to search in: tick Name, Label, Notice, Files or Folders.")

#define SHELVIX_CATEGORY_MESSAGES(X) \
    X(msgExist, "This category exists and cannot be added.") \
    X(msgAssigned, "You cannot remove an assigned category.") \
    X(msgNoCatLoad, "Cannot load categories, unassign current categories first!") \
    X(msgNoCatImport, "Could not import categories.")
#define SHELVIX_DUPLICATE_MESSAGES(X) \
    X(msgNoMinSize, "The minimum size is not a size.") \
    X(msgGroupsFound, "%1 groups, %2 files, %3 in extra copies")
// clang-format on

#define SHELVIX_DEFINE_MESSAGE(name, text) std::string name = text;

namespace ShelvixMessages {
SHELVIX_MAIN_MESSAGES(SHELVIX_DEFINE_MESSAGE)
} // namespace ShelvixMessages

namespace SearchMessages {
SHELVIX_SEARCH_MESSAGES(SHELVIX_DEFINE_MESSAGE)
} // namespace SearchMessages

namespace CategoryMessages {
SHELVIX_CATEGORY_MESSAGES(SHELVIX_DEFINE_MESSAGE)
} // namespace CategoryMessages
namespace DuplicateMessages {
SHELVIX_DUPLICATE_MESSAGES(SHELVIX_DEFINE_MESSAGE)
} // namespace DuplicateMessages

#undef SHELVIX_DEFINE_MESSAGE

namespace {

struct BuiltInMessage {
    std::string_view key;
    std::string* variable;
    const char* text;
};

// The variables' addresses are constant, so these tables need no dynamic initialisation.
#define SHELVIX_MAIN_ENTRY(name, text) {#name, &ShelvixMessages::name, text},
#define SHELVIX_SEARCH_ENTRY(name, text) {#name, &SearchMessages::name, text},
#define SHELVIX_CATEGORY_ENTRY(name, text) {#name, &CategoryMessages::name, text},
#define SHELVIX_DUPLICATE_ENTRY(name, text) {#name, &DuplicateMessages::name, text},

constexpr BuiltInMessage kMainMessages[] = {SHELVIX_MAIN_MESSAGES(SHELVIX_MAIN_ENTRY)};
constexpr BuiltInMessage kSearchMessages[] = {SHELVIX_SEARCH_MESSAGES(SHELVIX_SEARCH_ENTRY)};
constexpr BuiltInMessage kCategoryMessages[] = {SHELVIX_CATEGORY_MESSAGES(SHELVIX_CATEGORY_ENTRY)};
constexpr BuiltInMessage kDuplicateMessages[] = {SHELVIX_DUPLICATE_MESSAGES(SHELVIX_DUPLICATE_ENTRY)};

#undef SHELVIX_MAIN_ENTRY
#undef SHELVIX_SEARCH_ENTRY
#undef SHELVIX_CATEGORY_ENTRY
#undef SHELVIX_DUPLICATE_ENTRY

static_assert(std::size(kMainMessages) == 84);
static_assert(std::size(kSearchMessages) == 5);
static_assert(std::size(kCategoryMessages) == 4);

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool KeysEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

template <std::size_t N>
void RegisterAll(TranslatorVariables& list, const BuiltInMessage (&table)[N]) {
    for (const BuiltInMessage& message : table)
        RegisterMessage(list, message.key, message.variable);
}

template <std::size_t N> void ResetAll(const BuiltInMessage (&table)[N]) {
    for (const BuiltInMessage& message : table)
        *message.variable = message.text;
}

} // namespace

#undef SHELVIX_MAIN_MESSAGES
#undef SHELVIX_SEARCH_MESSAGES
#undef SHELVIX_CATEGORY_MESSAGES
#undef SHELVIX_DUPLICATE_MESSAGES

void TranslatorVariables::Add(std::string_view key, std::string* variable) {
    assert(variable != nullptr);
    entries_.push_back(Entry{std::string(key), variable});
}

std::string* TranslatorVariables::Find(std::string_view key) const {
    for (const Entry& entry : entries_) {
        if (KeysEqual(entry.key, key)) return entry.variable;
    }
    return nullptr;
}

void RegisterMessage(TranslatorVariables& list, std::string_view key, std::string* variable) {
    list.Add(key, variable);
}

void RegisterShelvixMessages(TranslatorVariables& list) {
    RegisterAll(list, kMainMessages);
}
void RegisterSearchMessages(TranslatorVariables& list) {
    RegisterAll(list, kSearchMessages);
}
void RegisterCategoryMessages(TranslatorVariables& list) {
    RegisterAll(list, kCategoryMessages);
}

void RegisterDuplicateMessages(TranslatorVariables& list) {
    RegisterAll(list, kDuplicateMessages);
}

void ResetMessagesToBuiltIn() {
    ResetAll(kMainMessages);
    ResetAll(kSearchMessages);
    ResetAll(kCategoryMessages);
    ResetAll(kDuplicateMessages);
}

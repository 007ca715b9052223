#include "failurereasons.h"

#include "language/messagetable.h"

#include <cerrno>
#include <sys/stat.h>

using namespace ShelvixMessages;

namespace {

bool Missing(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) != 0 && errno == ENOENT;
}

// A lock another program holds makes the open fail at once with this reason.
bool LockedAway(const TFileFault& fault, const std::string& path) {
    return (fault.error == EWOULDBLOCK || fault.error == EAGAIN) &&
           (path.empty() || fault.path == path);
}

} // namespace

TLoadFailure ContentLoadFailure(const CMedium& medium, const std::string& dataFileName) {
    if (medium.LoadFailure != TLoadFailure::None) return medium.LoadFailure;
    if (Missing(dataFileName)) return TLoadFailure::Missing;
    if (LockedAway(LastFileFault(), dataFileName)) return TLoadFailure::InUse;
    const CMedienListe* owner = medium.Owner;
    if (owner && owner->DataFileName == dataFileName && owner->DataFileAge.exists &&
        FileStamp::Of(dataFileName) != owner->DataFileAge)
        return TLoadFailure::Changed;
    return TLoadFailure::Damaged;
}

TLoadFailure CatalogueLoadFailure(const CMedienListe& catalogue) {
    if (catalogue.LoadFailure != TLoadFailure::None) return catalogue.LoadFailure;
    const TFileFault fault = LastFileFault();
    if (LockedAway(fault, {})) return TLoadFailure::InUse;
    if (fault.error == ENOENT) return TLoadFailure::Missing;
    // No reason noted: what was read is not a catalogue this program can read.
    return fault.error == 0 ? TLoadFailure::Damaged : TLoadFailure::None;
}

TFailureText ContentFailureText(const std::string& mediumName, TLoadFailure reason) {
    switch (reason) {
    case TLoadFailure::InUse: return {&msgMediumInUse, mediumName};
    case TLoadFailure::Changed: return {&msgWasChanged, {}};
    case TLoadFailure::Missing: return {&msgMediumMissing, mediumName};
    default: return {&msgMediumDamaged, mediumName};
    }
}

TFailureText LoadFailureText(const CMedienListe& catalogue) {
    switch (CatalogueLoadFailure(catalogue)) {
    case TLoadFailure::InUse: return {&msgLoadInUse, {}};
    case TLoadFailure::Missing: return {&msgLoadMissing, {}};
    case TLoadFailure::None: return {&msgLoadFailed, {}};
    default: return {&msgNoLoad, {}};
    }
}

TFailureText SaveFailureText(const CMedienListe& catalogue, const std::string& fileName,
                             const std::string& generic) {
    using Failure = CMedienListe::TSaveFailure;
    const CMedium* damaged = catalogue.GetMedium(catalogue.DamagedMedium);
    switch (catalogue.SaveFailure) {
    case Failure::ChangedOnDisk: return {&msgWasChanged, {}};
    case Failure::InUse: return {&msgSaveInUse, {}};
    case Failure::Interrupted: return {&msgSaveInterrupted, {}};
    case Failure::LoneDataFile: return {&msgLoneDataFile, DataFileNameOf(fileName)};
    case Failure::BackupFailed: return {&msgBackupFailed, {}};
    default: break;
    }
    if (damaged) return {&msgMediumDamaged, damaged->Name};
    if (catalogue.DamagedMedium >= 0) return {&msgErrorCleanUp, {}};
    const TFileFault fault = LastFileFault();
    if (LockedAway(fault, {})) return {&msgSaveInUse, {}};
    // The reason's own line says what happened; "disk full" would only guess.
    return {fault.error != 0 ? &msgSaveFailed : &generic, {}};
}

std::string WithArgument(const std::string& text, const std::string& argument) {
    const size_t at = text.find("%1");
    if (at == std::string::npos) return text;
    std::string filled = text;
    filled.replace(at, 2, argument);
    return filled;
}

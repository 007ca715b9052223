// shelvix-cli: the commands, their table entry type and the helpers they share.
//
// A new command is a Run function declared here, defined in its own cli_<name>.cpp, and one row
// in the command table of cli_main.cpp; the dispatcher checks the argument count and prints the
// usage from that row.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CFile;
class CMedium;
class CMedienListe;
struct TFailureText;

namespace cli {

enum ExitCode : int { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

using Arguments = std::vector<std::string>;

struct Command {
    const char* name;
    const char* arguments; // as shown in the usage line
    const char* summary;
    int minArguments;
    int maxArguments; // -1: any number; the command checks the rest itself
    int (*run)(const Arguments& arguments);
};

int RunInfo(const Arguments& arguments);
int RunDump(const Arguments& arguments);
int RunConvert(const Arguments& arguments);
int RunAdd(const Arguments& arguments);
int RunSearch(const Arguments& arguments);
int RunFind(const Arguments& arguments);
int RunImport(const Arguments& arguments);
int RunDuplicates(const Arguments& arguments);
int RunExport(const Arguments& arguments);
int RunPreview(const Arguments& arguments);
int RunLanguageTemplate(const Arguments& arguments);
int RunLanguageCheck(const Arguments& arguments);

// "shelvix-cli: <subject>: <message>" on standard error, bytes that are not UTF-8 (and control
// characters) written as \xHH.
void ReportError(std::string_view subject, std::string_view message);
// A text for standard error: as ReportError writes its parts.
std::string Printable(std::string_view bytes);
// ReportError with the message the catalogue code's reason gives, and the file and the
// system's reason when one was noted.
void ReportFailure(std::string_view subject, const TFailureText& failure);
// Why `medium`'s content could not be read from `dataFileName`: damaged, in use, missing.
void ReportContentFailure(std::string_view subject, const CMedium& medium,
                          const std::string& dataFileName);
// Whether the command's output went out whole: `written` (what its own writer says) and
// standard output flushed without an error; reports the failure when not.
bool OutputWritten(bool written = true);

// Opens an index file (not the contents); reports the load message when it fails.
bool LoadCatalogue(CMedienListe& catalogue, const std::string& fileName);
// Saves under `fileName`; reports msgNoSave when that fails.
bool SaveCatalogue(CMedienListe& catalogue, const std::string& fileName);
// A name whose data file name differs from it (it contains ".SXF"); reports when not.
bool UsableIndexName(const std::string& fileName);

// A size as search's --size-from takes it: a number as the dialog reads it ("123", "$7B",
// "0x7B"), optionally followed directly by Byte, KB, MB or GB in any case.
bool ParseSizeOption(std::string text, int64_t& bytes);
// A file or archive as search prints it: medium, folder path and name, size and date, split by
// tabs and escaped (control characters too); a folder without size and date.
std::string EntryLine(const CFile& entry);
// The same line from an entry's fields.
std::string RowLine(std::string_view medium, std::string_view path, int32_t kind, int64_t size, double date);

} // namespace cli

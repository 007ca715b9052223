// Entry point of shelvix-cli: picks the command from the table and checks its argument count.
#include "cli/cli.h"

#include "language/messagetable.h"
#include "catalogue/failurereasons.h"
#include "catalogue/mediaclasses.h"
#include "text/textescape.h"
#include "scan/rarlibrary.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <langinfo.h>
#include <string>

namespace cli {
namespace {

const Command kCommands[] = {
    {"info", "CATALOGUE.SXF", "summary of the catalogue and one line per medium", 1, 1, RunInfo},
    {"dump", "CATALOGUE.SXF", "the whole catalogue with every entry as JSON", 1, 1, RunDump},
    {"convert", "IN.SXF OUT.SXF", "read a catalogue completely and save it under a new name", 2,
     2, RunConvert},
    {"add", "CAT.SXF PATH [--name TEXT] [--no-archives] [--no-details]",
     "scan a folder or drive into a new medium and save the catalogue", 2, -1, RunAdd},
    {"search", "CATALOGUE.SXF MASK [OPTIONS]", "find media and entries by wildcard mask", 2, -1,
     RunSearch},
    {"find", "CATALOGUE.SXF [--removed] WORD...",
     "entries whose names hold every word, as the window's find field finds them", 2, -1,
     RunFind},
    {"duplicates", "CAT.SXF [--date] [--present] [--min-size SIZE]",
     "files kept on more than one medium, or more than once on one", 1, -1, RunDuplicates},
    {"export", "CAT.SXF --csv|--html [--medium NAME] [--removed]",
     "the media's trees as a CSV list or an HTML report", 2, -1, RunExport},
    {"preview", "CAT.SXF MEDIUM PATH OUT.png", "write the preview of a photo or video as PNG", 4, 4,
     RunPreview},
    {"import", "FILE.CAT OUT.SXF",
     "read an \"Advanced disc catalog\" file into a new catalogue and save it", 2, 2, RunImport},
    {"language-template", "[OUT.xml]",
     "the translators' template: every window text and message in English", 0, 1,
     RunLanguageTemplate},
    {"language-check", "FILE.lng",
     "name every element or attribute of a language file the program passes over", 1, 1,
     RunLanguageCheck},
};

constexpr const char* kProgram = "shelvix-cli";

const char* const kHelpTail =
    "\n"
    "Texts (names, labels, notices, categories) are bytes. They are printed as UTF-8 through a\n"
    "reversible escape: a backslash is written as two backslashes, and every byte that is not\n"
    "part of a well-formed UTF-8 sequence is written as \\x and two upper-case hex digits\n"
    "(byte 0xFF -> \\xFF). 'dump' then quotes the text as a JSON string; 'info' also writes\n"
    "control characters as \\xHH. Reading \\\\ back as one backslash and \\xHH as one byte gives\n"
    "the original bytes.\n"
    "\n"
    "search prints one tab-separated line per result: the medium's name, then the matched name,\n"
    "label or notice of a medium, or an entry's folder path and name, followed for files and\n"
    "archives by the size in bytes and the date (YYYY-MM-DD hh:mm:ss, local time). Options:\n"
    "  --name --label --notice --files --folders --all   what to match (default: files, folders)\n"
    "  --case-sensitive                    letter case matters (a to z only)\n"
    "  --size-from SIZE  --size-to SIZE     bounds in bytes, inclusive: 123, $7B, 0x7B, 3GB, 10KB\n"
    "  --date-from DATE  --date-to DATE     YYYY-MM-DD[Thh:mm[:ss]]; \"to\" defaults to today 00:00\n"
    "  --category NAME                     entries (and media) of that category only\n"
    "  --details MASK                      entries one of whose file details matches MASK\n"
    "search exits with 1 when nothing was found, as grep does.\n"
    "\n"
    "find prints the files, folders and archive members whose names hold every WORD (letter\n"
    "case of a to z ignored) in search's format; a WORD holding * or ? is a mask matched as\n"
    "search matches. Removed media only with --removed. It exits with 1 when nothing was found.\n"
    "\n"
    "duplicates prints the groups of files and archives that share name and size (with --date\n"
    "also their date to the second), one line per copy as search prints files, a blank line\n"
    "between groups, the group whose extra copies take the most space first. --present passes\n"
    "over removed media, --min-size SIZE over smaller files. It exits with 1 when there are none.\n"
    "\n"
    "export writes the tree of every present medium (or those of the media named NAME) as CSV\n"
    "(medium,path,name,kind,size,date,category) or as one HTML page to standard output.\n"
    "--removed adds the removed media, and the CSV list a state column (present, removed).\n"
    "\n"
    "preview writes the picture kept for the entry at PATH (as find prints it, after the\n"
    "medium's name) on the medium named MEDIUM to OUT.png. It exits with 1 when the entry has\n"
    "no preview, with 2 when there is no such medium or entry.\n"
    "\n"
    "Exit status: 0 success, 1 failure (message on standard error), 2 wrong usage.\n";

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "Usage: %s COMMAND ARGUMENTS\n\nCommands:\n", kProgram);
    for (const Command& c : kCommands) {
        // Long argument lists get the summary on a line of its own.
        if (std::strlen(c.arguments) > 16 || std::strlen(c.name) > 8)
            std::fprintf(out, "  %-8s %s\n  %-8s %-16s %s\n", c.name, c.arguments, "", "", c.summary);
        else
            std::fprintf(out, "  %-8s %-16s %s\n", c.name, c.arguments, c.summary);
    }
    std::fprintf(out, "  %-8s %-16s %s\n", "help", "", "this text");
    std::fprintf(out, "  %-25s %s\n", "--version", "the version of Shelvix");
}

int Dispatch(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    const char* name = argv[1];
    if (!std::strcmp(name, "--version")) {
        std::printf("Shelvix %s\n", SHELVIX_VERSION);
        return kExitOk;
    }
    if (!std::strcmp(name, "--help") || !std::strcmp(name, "-h") || !std::strcmp(name, "help")) {
        PrintUsage(stdout);
        std::fputs(kHelpTail, stdout);
        return kExitOk;
    }
    for (const Command& c : kCommands) {
        if (std::strcmp(name, c.name) != 0) continue;
        const int given = argc - 2;
        if (given < c.minArguments || (c.maxArguments >= 0 && given > c.maxArguments)) {
            std::fprintf(stderr, "Usage: %s %s %s\n", kProgram, c.name, c.arguments);
            return kExitUsage;
        }
        return c.run(Arguments(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "%s: unknown command '%s'\n", kProgram, name);
    PrintUsage(stderr);
    return kExitUsage;
}

} // namespace

std::string Printable(std::string_view bytes) {
    std::string out;
    AppendEscaped(out, bytes, Controls::Escape, Backslashes::Keep);
    return out;
}

void ReportError(std::string_view subject, std::string_view message) {
    // Paths and names are bytes; a part escaped already stays as it is.
    std::fprintf(stderr, "%s: %s: %s\n", kProgram, Printable(subject).c_str(),
                 Printable(message).c_str());
}

void ReportFailure(std::string_view subject, const TFailureText& failure) {
    std::string message = WithArgument(*failure.text, failure.argument);
    const TFileFault fault = LastFileFault();
    if (fault.error != 0) message += " (" + fault.path + ": " + FaultText(fault) + ")";
    ReportError(subject, message);
    ClearFileFault(); // told once
}

void ReportContentFailure(std::string_view subject, const CMedium& medium,
                          const std::string& dataFileName) {
    ReportFailure(subject,
                  ContentFailureText(medium.Name, ContentLoadFailure(medium, dataFileName)));
}

bool OutputWritten(bool written) {
    if (written && std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
    ReportError("standard output", "write failed");
    return false;
}

bool LoadCatalogue(CMedienListe& catalogue, const std::string& fileName) {
    if (catalogue.Load(fileName)) {
        if (!catalogue.LoadNotice.empty()) ReportError(fileName, catalogue.LoadNotice);
        return true;
    }
    ReportFailure(fileName, LoadFailureText(catalogue));
    return false;
}

bool UsableIndexName(const std::string& fileName) {
    if (DataFileNameOf(fileName) != fileName) return true;
    // Index and data file would be the same file.
    ReportError(fileName, "the catalogue's file name must contain .SXF");
    return false;
}

bool SaveCatalogue(CMedienListe& catalogue, const std::string& fileName) {
    if (catalogue.Save(fileName)) return true;
    // A damaged block is the user's to repair, a pair changed on disk another program's; the
    // message names the cause and the medium or file.
    ReportFailure(fileName, SaveFailureText(catalogue, fileName, ShelvixMessages::msgNoSave));
    return false;
}

} // namespace cli

int main(int argc, char** argv) {
    // The character set of the user's locale, as the window's toolkit takes it, falling back to
    // UTF-8 when the environment names none: libarchive converts archive member names through
    // it. Only the character set: numbers keep their '.' in every locale.
    if (!std::setlocale(LC_CTYPE, "") || std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
        std::setlocale(LC_CTYPE, "C.UTF-8");
    // RAR archives are listed as the program lists them, when the library is there.
    InstallRarListing();
    return cli::Dispatch(argc, argv);
}

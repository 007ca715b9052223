// shelvix-cli language-template and language-check: the translators' side of language files.
// The template holds every window text and message with its built-in English text; the check
// reads a language file (compressed, or the XML itself while it is being written) and names
// every element and attribute the program would pass over.
#include "cli/cli.h"

#include "language/languagefile.h"
#include "language/windowtexts.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace cli {

int RunLanguageTemplate(const Arguments& arguments) {
    const std::string text = language::Template();
    if (arguments.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return kExitOk;
    }
    std::ofstream out(arguments[0], std::ios::binary | std::ios::trunc);
    if (!out.write(text.data(), static_cast<std::streamsize>(text.size())) || !out.flush()) {
        ReportError(arguments[0], "cannot be written");
        return kExitFailure;
    }
    return kExitOk;
}

int RunLanguageCheck(const Arguments& arguments) {
    const std::string& fileName = arguments[0];
    TLangElement root;
    if (!language::Load(fileName, root)) {
        // Not a bzip2 stream: perhaps the XML before compression.
        std::ifstream in(fileName, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            ReportError(fileName, "cannot be read");
            return kExitFailure;
        }
        if (!language::Parse(bytes, root)) {
            ReportError(fileName, "no language file: it cannot be read, decompressed or parsed "
                                  "as XML; the program would use its built-in texts");
            return kExitFailure;
        }
    }
    const auto findings = language::Check(root);
    for (const language::TFinding& f : findings)
        std::printf("%s:%d: %s\n", fileName.c_str(), f.line, f.what.c_str());
    return findings.empty() ? kExitOk : kExitFailure;
}

} // namespace cli

// "Advanced disc catalog" files from arbitrary content. The input follows the signature (so that
// the fuzzer spends its time in the records), and is also tried whole, signature check first.
// Whatever it holds, every entry kept is counted once in its medium, hangs under the right
// parent, and the catalogue is no larger than the bytes could describe.
#include "catalogue/foreigncatalogue.h"
#include "fuzz/fuzzsupport.h"

#include <cstring>

namespace {

// The smallest record that yields an entry: a folder (name length, category, skipped text).
constexpr size_t kSmallestEntry = 4 + 4 + 4;

void ReadAndCheck(TMemoryStream& stream, size_t bytes) {
    CMedienListe catalogue;
    foreigncatalogue::ReadBody(stream, catalogue);
    size_t entries = 0;
    for (int i = 0; i < catalogue.Count(); ++i) {
        const CMedium& m = *catalogue.GetMedium(i);
        const size_t tree = fuzz::CheckedTreeSize(m);
        FUZZ_CHECK(static_cast<size_t>(m.FileCount) + static_cast<size_t>(m.FolderCount) == tree);
        FUZZ_CHECK(m.ContentLoaded);
        entries += tree;
    }
    FUZZ_CHECK(entries * kSmallestEntry <= bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TMemoryStream body;
    body.Write(data, size);
    body.Seek(0);
    ReadAndCheck(body, size);

    TMemoryStream whole;
    whole.Write(data, size);
    whole.Seek(0);
    if (foreigncatalogue::ReadSignature(whole)) ReadAndCheck(whole, size);
    return 0;
}

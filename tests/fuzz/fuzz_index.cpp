// Index files from arbitrary content: the input is the decompressed index, compressed into
// Cat.SXF beside an empty Cat.SXD, then the catalogue is loaded. The raw input is also tried as
// the index file itself, which then is seldom bzip2 at all. Seeds carry medium additions too.
#include "fuzz/fuzzsupport.h"

namespace {

// Twelve Ints (four of them the lengths of empty texts) and an Int64.
constexpr size_t kSmallestHeader = 56;

// `decompressed` is the size of the index content, when known.
void LoadAndCheck(const std::string& index, const size_t* decompressed) {
    CMedienListe list;
    const bool ok = list.Load(index);
    if (decompressed) {
        size_t names = 0;
        for (const std::string& name : list.Categories)
            names += 4 + name.size();
        FUZZ_CHECK(names <= *decompressed);
        FUZZ_CHECK(list.Count() * kSmallestHeader <= *decompressed);
    }
    for (int i = 0; i < list.Count(); ++i) {
        CMedium* m = list.GetMedium(i);
        FUZZ_CHECK(m->Stored && !m->ContentLoaded && m->EntryCount() == 0 && m->Owner == &list);
        // Medium additions are taken only whole: a block sum always comes with its length.
        FUZZ_CHECK(!m->Additions.BlockSummed ||
                   (m->Additions.BlockBytes > 0 && m->BlockLength == m->Additions.BlockBytes));
        // Free space is taken only when it fits in the capacity; a folder only as an absolute
        // path that does not climb out of its file system.
        const TMediumAdditions& a = m->Additions;
        FUZZ_CHECK(a.HasSpace() ? a.FreeSpace <= a.Capacity : a.Capacity == -1 && a.FreeSpace == -1);
        FUZZ_CHECK(a.Folder.empty() ||
                   (a.Folder[0] == '/' && a.Folder.find("/../") == std::string::npos &&
                    !a.Folder.ends_with("/..")));
        // The data file is empty: no header can name content in it.
        if (ok) {
            FUZZ_CHECK(!m->LoadContent(list.DataFileName));
            FUZZ_CHECK(!m->ContentLoaded && m->EntryCount() == 0);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string index = fuzz::Scratch().File("Cat.SXF");
    static const bool dataFile = (WriteWholeFile(fuzz::Scratch().File("Cat.SXD"), ""), true);
    (void)dataFile;

    fuzz::WriteCompressed(index, data, size);
    LoadAndCheck(index, &size);

    fuzz::WriteBytes(index, data, size);
    LoadAndCheck(index, nullptr);
    return 0;
}

// Category list files from arbitrary content. The input is the decompressed file; what
// LoadCategories keeps is compared with a plain reading of the same bytes: version, count, then
// names for as long as the bytes hold whole names. The raw input is also tried as the file itself.
#include "fuzz/fuzzsupport.h"

#include <vector>

namespace {

struct Expected {
    bool ok = false;
    std::vector<std::string> names;
};

Expected ReadPlainly(const uint8_t* data, size_t size) {
    Expected e;
    size_t at = 0;
    auto nextInt = [&](int32_t& value) {
        if (size - at < 4) return false;
        uint32_t bits = 0;
        for (int i = 0; i < 4; ++i)
            bits |= uint32_t(data[at + i]) << (8 * i);
        value = static_cast<int32_t>(bits);
        at += 4;
        return true;
    };
    int32_t version = 0, count = 0;
    if (!nextInt(version) || version > 1 || !nextInt(count)) return e;
    for (int32_t i = 0; i < count; ++i) {
        int32_t length = 0;
        if (!nextInt(length) || length < 0 || size_t(length) > size - at) return e;
        e.names.emplace_back(reinterpret_cast<const char*>(data + at), size_t(length));
        at += size_t(length);
    }
    e.ok = true;
    return e;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string file = fuzz::Scratch().File("list.cat");

    fuzz::WriteCompressed(file, data, size);
    CMedienListe list;
    list.Categories = {"stale"};
    const bool ok = list.LoadCategories(file);
    const Expected expected = ReadPlainly(data, size);
    FUZZ_CHECK(ok == expected.ok);
    FUZZ_CHECK(list.Categories == expected.names);

    fuzz::WriteBytes(file, data, size);
    CMedienListe raw;
    raw.LoadCategories(file); // only survival counts here
    return 0;
}

// The details trailer of a content block and the messages between the scan and the details
// helper, from arbitrary bytes. What is accepted must say the same when written again.
#include "catalogue/entrydetails.h"
#include "details/detailsprotocol.h"
#include "fuzz/fuzzsupport.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    std::vector<std::pair<int32_t, TDetailPairs>> records;
    if (ParseDetailsTrailer(bytes, records)) {
        for (size_t i = 1; i < records.size(); ++i) FUZZ_CHECK(records[i - 1].first < records[i].first);
        for (const auto& [number, pairs] : records)
            for (const auto& [key, value] : pairs)
                FUZZ_CHECK(!key.empty() && key.size() <= kDetailKeyLimit && value.size() <= kDetailValueLimit);
    }

    std::string answer = bytes;
    TDetailPairs pairs;
    std::string preview;
    while (!answer.empty()) {
        const size_t before = answer.size();
        if (DecodeDetailsAnswer(answer, pairs, &preview) != 1) break;
        FUZZ_CHECK(preview.size() <= kPreviewByteLimit);
        // What was taken, written again, is the bytes taken.
        const std::string again = EncodeDetailsAnswer(pairs, preview);
        FUZZ_CHECK(again == bytes.substr(bytes.size() - before, again.size()));
        FUZZ_CHECK(answer.size() == before - again.size());
    }

    std::string request = bytes, path;
    ContentKind kind;
    bool wantsPreview = false;
    while (DecodeDetailsRequest(request, kind, path, &wantsPreview) == 1)
        FUZZ_CHECK(path.size() <= kDetailsPathLimit && kind <= ContentKind::Video);
    return 0;
}

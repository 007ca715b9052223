// The details helper's readers (Exiv2, TagLib, libavformat behind our code) on arbitrary file
// content, as each kind and as found by the first bytes. Only survival counts: in the program
// a failure here costs one file in the helper, but a fault in our own code is found here.
#include "detailshelper/detailsreaders.h"
#include "fuzz/fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (InitDetailsReaders(), true);
    (void)ready;
    static const std::string file = fuzz::Scratch().File("media");
    fuzz::WriteBytes(file, data, size);
    for (ContentKind kind : {ContentKind::Unknown, ContentKind::Photo, ContentKind::Music, ContentKind::Video})
        for (const auto& [key, value] : ReadFileDetails(kind, file))
            FUZZ_CHECK(!key.empty() && value.size() <= kDetailValueLimit);
    return 0;
}

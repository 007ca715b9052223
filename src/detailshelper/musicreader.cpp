// Music through TagLib: the common tag fields and the audio properties.
#include "detailshelper/detailsreaders.h"

#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>

TDetailPairs ReadMusicDetails(const std::string& path) {
    TDetailPairs pairs;
    TagLib::FileRef file(path.c_str(), true, TagLib::AudioProperties::Average);
    if (file.isNull()) return pairs;
    if (const TagLib::Tag* tag = file.tag()) {
        const auto text = [&](const char* key, const TagLib::String& value) {
            std::string utf8 = Trimmed(value.to8Bit(true));
            if (!utf8.empty()) pairs.emplace_back(key, std::move(utf8));
        };
        text("title", tag->title());
        text("artist", tag->artist());
        text("album", tag->album());
        if (tag->track() > 0) pairs.emplace_back("track", DetailNumber((long long)tag->track()));
        if (tag->year() > 0) pairs.emplace_back("year", DetailNumber((long long)tag->year()));
        text("genre", tag->genre());
    }
    if (const TagLib::AudioProperties* audio = file.audioProperties()) {
        if (audio->lengthInMilliseconds() > 0)
            pairs.emplace_back("duration", DetailNumber(audio->lengthInMilliseconds() / 1000.0, 3));
        if (audio->bitrate() > 0) pairs.emplace_back("bitrate", DetailNumber((long long)audio->bitrate()));
    }
    return pairs;
}

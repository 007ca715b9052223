#include "details/detailsprotocol.h"
#include "catalogue/littleendian.h"

#include <cstdint>

namespace {
void Put(std::string& out, uint64_t value, int bytes) { PutLittleEndian(out, value, bytes); }
uint64_t Get(std::string_view in, size_t at, int bytes) { return GetLittleEndian(in, at, bytes); }
} // namespace

constexpr uint8_t kWantsPreview = 0x80;

std::string EncodeDetailsRequest(ContentKind kind, std::string_view path, bool preview) {
    std::string out;
    out.push_back(char(uint8_t(kind) | (preview ? kWantsPreview : 0)));
    Put(out, path.size(), 4);
    out.append(path);
    return out;
}

int DecodeDetailsRequest(std::string& buffer, ContentKind& kind, std::string& path, bool* preview) {
    if (buffer.size() < 5) return 0;
    const uint8_t k = uint8_t(buffer[0]) & uint8_t(~kWantsPreview);
    const uint64_t length = Get(buffer, 1, 4);
    if (k > uint8_t(ContentKind::Video) || length > kDetailsPathLimit) return -1;
    if (buffer.size() < 5 + length) return 0;
    kind = ContentKind(k);
    if (preview) *preview = (uint8_t(buffer[0]) & kWantsPreview) != 0;
    path.assign(buffer, 5, size_t(length));
    buffer.erase(0, 5 + size_t(length));
    return 1;
}

std::string EncodeDetailsAnswer(const TDetailPairs& pairs, std::string_view preview) {
    std::string body;
    for (const auto& [key, value] : pairs) {
        if (key.empty() || key.size() > kDetailKeyLimit) continue;
        const std::string_view v = ClipDetailValue(value);
        Put(body, key.size(), 2);
        body.append(key);
        Put(body, v.size(), 2);
        body.append(v);
    }
    if (!preview.empty() && preview.size() <= kPreviewByteLimit) {
        Put(body, 0, 2);
        Put(body, preview.size(), 4);
        body.append(preview);
    }
    std::string out;
    Put(out, body.size(), 4);
    return out + body;
}

int DecodeDetailsAnswer(std::string& buffer, TDetailPairs& pairs, std::string* preview) {
    pairs.clear();
    if (preview) preview->clear();
    if (buffer.size() < 4) return 0;
    const uint64_t length = Get(buffer, 0, 4);
    if (length > kDetailsAnswerLimit) return -1;
    if (buffer.size() < 4 + length) return 0;
    const std::string_view body(buffer.data() + 4, size_t(length));
    size_t at = 0;
    while (at < body.size()) {
        if (body.size() - at < 2) return -1;
        const size_t klen = size_t(Get(body, at, 2));
        at += 2;
        if (klen == 0) { // the preview, last
            if (body.size() - at < 4) return -1;
            const size_t plen = size_t(Get(body, at, 4));
            at += 4;
            if (plen == 0 || plen > kPreviewByteLimit || body.size() - at != plen) return -1;
            if (preview) preview->assign(body.substr(at, plen));
            at += plen;
            break;
        }
        if (klen > kDetailKeyLimit || body.size() - at < klen + 2) return -1;
        std::string key(body.substr(at, klen));
        at += klen;
        const size_t vlen = size_t(Get(body, at, 2));
        at += 2;
        if (vlen > kDetailValueLimit || body.size() - at < vlen) return -1;
        pairs.emplace_back(std::move(key), std::string(body.substr(at, vlen)));
        at += vlen;
    }
    buffer.erase(0, 4 + size_t(length));
    return 1;
}

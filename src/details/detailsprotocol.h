// What the scan and the details helper say to each other over their socket. The scan sends a
// request per file: a kind byte (ContentKind; Unknown lets the helper look at the first bytes),
// a 32-bit little-endian path length and the path. The helper answers each request, in order,
// with a 32-bit length and that many bytes of pairs, each a 16-bit key length, the key, a
// 16-bit value length and the value. No pairs: nothing to tell. A request whose kind byte has
// its high bit set asks for a preview too; the answer then ends, when the helper made one, with
// a zero key length, a 32-bit length and the preview's JPEG bytes.
#pragma once

#include "catalogue/entrydetails.h"
#include "details/contenttype.h"

#include <cstddef>
#include <string>
#include <string_view>

// A preview longer than this is no preview of ours (they aim at 12 KB).
constexpr size_t kPreviewByteLimit = 128 * 1024;
// An answer longer than this is taken as a broken helper (18 keys of at most 1,024 bytes fit,
// and a preview).
constexpr size_t kDetailsAnswerLimit = 64 * 1024 + 6 + kPreviewByteLimit;
constexpr size_t kDetailsPathLimit = 64 * 1024;

std::string EncodeDetailsRequest(ContentKind kind, std::string_view path, bool preview = false);
// Takes one request from the front of `buffer`: 1 when one was taken, 0 when more bytes are
// needed, -1 when the bytes are no request.
int DecodeDetailsRequest(std::string& buffer, ContentKind& kind, std::string& path,
                         bool* preview = nullptr);

// A preview beyond the limit is left out.
std::string EncodeDetailsAnswer(const TDetailPairs& pairs, std::string_view preview = {});
// As DecodeDetailsRequest, for an answer. Keys and values beyond the limits are refused, and so
// is anything after a preview.
int DecodeDetailsAnswer(std::string& buffer, TDetailPairs& pairs, std::string* preview = nullptr);

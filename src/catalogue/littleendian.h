// Little-endian numbers in byte strings, for the layouts that spell out each byte (the previews
// file, the details helper's messages).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

inline void PutLittleEndian(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(char((value >> (8 * i)) & 0xff));
}

// `bytes` bytes from `at`, which the caller has checked are there.
inline uint64_t GetLittleEndian(std::string_view in, size_t at, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | uint8_t(in[at + size_t(i)]);
    return v;
}

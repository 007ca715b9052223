// RAR archives written byte by byte for the tests: no tool on the build machine writes RAR.
// Members are stored (method "store"), with their header and data checksums computed, so any
// RAR reader accepts them. Options make the damaged and unusual archives the tests need.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rar {

struct Member {
    std::string name; // with '\' (RAR 4) or '/' (RAR 5) between components, as the format keeps them
    std::string data;
    bool folder = false;
    uint32_t dosTime = 0;  // RAR 4: DOS date and time
    uint32_t unixTime = 0; // RAR 5: modification time; 0 stores none
    uint64_t unpackedSize = ~uint64_t(0); // as claimed by the header; default: data.size()
    bool encrypted = false;  // the data counts as encrypted (still stored as it stands)
    bool splitAfter = false; // the data goes on in the next volume
    uint32_t attributes = 0; // 0: 0x20 for a file, 0x10 for a folder (Windows host)
    bool unixHost = false;   // attributes are a Unix mode
    // RAR 4: the name also stored as Unicode, as WinRAR stores every name beyond ASCII; `name`
    // is then UTF-8 (two-byte sequences at most) and the plain name holds '_' for those.
    bool unicodeName = false;
};

// RAR 4's Unicode name: the plain name, a zero byte, the high byte 0, then every character as two
// bytes, announced by a flag byte (bits 2, 2, 2, 2) in front of each four.
inline std::string Rar4UnicodeName(const std::string& utf8) {
    std::string plain, wide;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const unsigned code = c < 0x80 ? c : (c & 0x1F) << 6 | (utf8[++i] & 0x3F);
        plain += c < 0x80 ? char(c) : '_';
        wide += (wide.size() % 9 == 0 ? std::string(1, char(0xAA)) : "") + char(code) + char(code >> 8);
    }
    return plain + '\0' + '\0' + wide;
}

struct Options {
    bool encryptedHeaders = false; // the archive's headers are encrypted
    bool volume = false;           // one part of a multi-volume set
    bool endBlock = true;          // the end-of-archive header
};

inline uint32_t Crc32(std::string_view bytes) {
    static const auto table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (const unsigned char b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

inline void Le(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += char((value >> (8 * i)) & 0xFF);
}

// RAR 5's variable-length integer: seven bits a byte, low first, high bit = more follow.
inline void Vint(std::string& out, uint64_t value) {
    do {
        const unsigned char low = value & 0x7F;
        value >>= 7;
        out += char(value ? low | 0x80 : low);
    } while (value);
}

inline uint64_t UnpackedSize(const Member& m) {
    return m.unpackedSize == ~uint64_t(0) ? m.data.size() : m.unpackedSize;
}

inline uint32_t AttributesOf(const Member& m) {
    return m.attributes ? m.attributes : m.folder ? 0x10 : 0x20;
}

// RAR 4 (the format of RAR 2.9 to 4.x).
inline std::string Rar4(const std::vector<Member>& members, const Options& options = {}) {
    // A block: checksum (low half of the CRC-32 of everything after it), type, flags, size.
    const auto block = [](uint8_t type, uint16_t flags, const std::string& rest) {
        std::string body;
        body += char(type);
        Le(body, flags, 2);
        Le(body, 7 + rest.size(), 2);
        body += rest;
        std::string out;
        Le(out, Crc32(body) & 0xFFFF, 2);
        return out + body;
    };
    std::string out("Rar!\x1a\x07\x00", 7);
    uint16_t mainFlags = 0;
    if (options.volume) mainFlags |= 0x0001;
    if (options.encryptedHeaders) mainFlags |= 0x0080;
    out += block(0x73, mainFlags, std::string(6, '\0'));
    for (const Member& m : members) {
        const uint64_t size = UnpackedSize(m);
        const bool large = size > 0xFFFFFFFFu;
        uint16_t flags = 0x8000; // a data area follows the header
        if (m.splitAfter) flags |= 0x0002;
        if (m.encrypted) flags |= 0x0004;
        if (m.folder) flags |= 0x00E0;
        if (large) flags |= 0x0100;
        if (m.unicodeName) flags |= 0x0200;
        const std::string name = m.unicodeName ? Rar4UnicodeName(m.name) : m.name;
        std::string rest;
        Le(rest, m.data.size(), 4);
        Le(rest, size & 0xFFFFFFFFu, 4);
        rest += char(m.unixHost ? 3 : 2);
        Le(rest, Crc32(m.data), 4);
        Le(rest, m.dosTime, 4);
        rest += char(29);   // version needed: 2.9
        rest += char(0x30); // method: store
        Le(rest, name.size(), 2);
        Le(rest, AttributesOf(m), 4);
        if (large) {
            Le(rest, 0, 4);
            Le(rest, size >> 32, 4);
        }
        rest += name;
        out += block(0x74, flags, rest) + m.data;
    }
    if (options.endBlock) out += block(0x7B, 0x4000, {});
    return out;
}

// RAR 5.
inline std::string Rar5(const std::vector<Member>& members, const Options& options = {}) {
    // A header: CRC-32 of the size field and the header, the size, then type, flags and fields.
    const auto header = [](uint64_t type, uint64_t flags, const std::string& fields) {
        std::string body;
        Vint(body, type);
        Vint(body, flags);
        body += fields;
        std::string sized;
        Vint(sized, body.size());
        sized += body;
        std::string out;
        Le(out, Crc32(sized), 4);
        return out + sized;
    };
    std::string out("Rar!\x1a\x07\x01\x00", 8);
    if (options.encryptedHeaders) {
        std::string fields;
        Vint(fields, 0); // AES-256
        Vint(fields, 0); // no password check
        Vint(fields, 15);
        fields += std::string(16, 's'); // salt
        out += header(4, 0, fields);
    }
    std::string mainFields;
    Vint(mainFields, options.volume ? 0x0001 : 0);
    out += header(1, 0, mainFields);
    for (const Member& m : members) {
        std::string fields;
        std::string extra;
        if (m.encrypted) {
            Vint(extra, 0x01); // encryption record
            std::string record;
            Vint(record, 0);   // AES-256
            Vint(record, 0);   // flags
            Vint(record, 15);  // KDF count
            record += std::string(16, 's') + std::string(16, 'i');
            std::string sized;
            Vint(sized, extra.size() + record.size());
            extra = sized + extra + record;
        }
        uint64_t flags = 0x0002; // data area present
        if (!extra.empty()) flags |= 0x0001;
        if (!extra.empty()) Vint(fields, extra.size());
        Vint(fields, m.data.size());
        uint64_t fileFlags = 0x0004; // data CRC-32 present
        if (m.folder) fileFlags |= 0x0001;
        if (m.unixTime) fileFlags |= 0x0002;
        Vint(fields, fileFlags);
        Vint(fields, UnpackedSize(m));
        Vint(fields, AttributesOf(m));
        if (m.unixTime) Le(fields, m.unixTime, 4);
        Le(fields, Crc32(m.data), 4);
        Vint(fields, 0); // compression: version 0, store
        Vint(fields, m.unixHost ? 1 : 0);
        Vint(fields, m.name.size());
        fields += m.name + extra;
        if (m.splitAfter) flags |= 0x0010; // data continues in the next volume
        out += header(2, flags, fields) + m.data;
    }
    if (options.endBlock) {
        std::string fields;
        Vint(fields, options.volume ? 0x0001 : 0);
        out += header(5, 0, fields);
    }
    return out;
}

} // namespace rar

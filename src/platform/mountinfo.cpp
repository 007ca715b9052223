#include "platform/mountinfo.h"

#include <charconv>

namespace {

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

// Splits on single spaces as the kernel writes them; runs of spaces give no empty fields so a
// hand-edited or damaged table still parses line by line.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        size_t end = pos;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t')
            ++end;
        if (end > pos) fields.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return fields;
}

bool ParseNumber(std::string_view text, unsigned& value) {
    if (text.empty()) return false;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && ptr == text.data() + text.size();
}

bool ParseDevice(std::string_view text, unsigned& major, unsigned& minor) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) return false;
    return ParseNumber(text.substr(0, colon), major) && ParseNumber(text.substr(colon + 1), minor);
}

bool ParseLine(std::string_view line, MountEntry& entry) {
    const auto fields = Fields(line);
    // id, parent, major:minor, root, mount point, options, optional fields..., "-", type, source
    if (fields.size() < 8) return false;
    if (!ParseDevice(fields[2], entry.major, entry.minor)) return false;
    size_t dash = 6;
    while (dash < fields.size() && fields[dash] != "-")
        ++dash;
    if (dash + 1 >= fields.size()) return false;
    entry.root = UnescapeMountField(fields[3]);
    entry.mountPoint = UnescapeMountField(fields[4]);
    entry.fsType = UnescapeMountField(fields[dash + 1]);
    entry.source = dash + 2 < fields.size() ? UnescapeMountField(fields[dash + 2]) : std::string();
    return !entry.mountPoint.empty() && entry.mountPoint[0] == '/';
}

} // namespace

std::string UnescapeMountField(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) &&
            IsOctal(field[i + 2]) && IsOctal(field[i + 3])) {
            const int value =
                (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            out.push_back(static_cast<char>(value & 0xFF));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
    std::vector<MountEntry> mounts;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        MountEntry entry;
        if (ParseLine(text.substr(pos, end - pos), entry)) mounts.push_back(std::move(entry));
        pos = end + 1;
    }
    return mounts;
}

bool MountPointHolds(std::string_view mountPoint, std::string_view path) {
    while (mountPoint.size() > 1 && mountPoint.back() == '/')
        mountPoint.remove_suffix(1);
    if (mountPoint == "/") return !path.empty() && path[0] == '/';
    if (path.substr(0, mountPoint.size()) != mountPoint) return false;
    return path.size() == mountPoint.size() || path[mountPoint.size()] == '/';
}

const MountEntry* FindMount(const std::vector<MountEntry>& mounts, unsigned major, unsigned minor,
                            std::string_view path) {
    const MountEntry* sameDevice = nullptr;
    const MountEntry* holding = nullptr;
    const MountEntry* anyHolding = nullptr;
    for (const MountEntry& m : mounts) {
        const bool holds = MountPointHolds(m.mountPoint, path);
        if (holds && (!anyHolding || m.mountPoint.size() >= anyHolding->mountPoint.size()))
            anyHolding = &m;
        if (m.major != major || m.minor != minor) continue;
        sameDevice = &m;
        if (holds && (!holding || m.mountPoint.size() >= holding->mountPoint.size())) holding = &m;
    }
    if (holding) return holding;
    if (sameDevice) return sameDevice;
    return anyHolding;
}

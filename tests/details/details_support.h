// Sample media for the details tests, made by ffmpeg and exiftool, and what those programs'
// own readers (exiftool, ffprobe) say about them.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

// Output of a shell command, or "" when it failed.
inline std::string CommandOutput(const std::string& command, bool* ok = nullptr) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int status = ::pclose(pipe);
    if (ok) *ok = status == 0;
    return status == 0 ? out : std::string();
}

inline bool Shell(const std::string& command) {
    bool ok = false;
    CommandOutput(command + " >/dev/null 2>&1", &ok);
    return ok;
}

inline std::string Quoted(const std::string& path) { return "'" + path + "'"; }

inline nlohmann::json JsonOf(const std::string& command) {
    const std::string out = CommandOutput(command);
    return nlohmann::json::parse(out, nullptr, false);
}

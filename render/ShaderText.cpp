#include "render/ShaderText.h"

#include <cstdio>

#include <sys/stat.h>

namespace {
constexpr long kMaxShaderBytes = 1L << 24;  // far beyond any real shader
}

bool ReadShaderSource(const char* path, std::string& bytes) {
    bytes.clear();
    if (path == nullptr) return false;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    // A directory opens fine on Linux and reports a nonsense size; only plain files are sources.
    struct stat info;
    bool ok = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
    ok = ok && std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    ok = ok && size >= 0 && size <= kMaxShaderBytes && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(size));
        ok = size == 0 || std::fread(&bytes[0], 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    if (!ok) bytes.clear();
    return ok;
}

std::string OneLineLog(const std::string& log) {
    std::string line;
    bool pendingBreak = false;
    for (char c : log) {
        if (c == '\n' || c == '\r') {
            pendingBreak = !line.empty();
            continue;
        }
        if (c == '\0') break;
        if (pendingBreak) {
            line += "; ";
            pendingBreak = false;
        }
        line += c;
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
    return line;
}

#include "platform/LibraryNoise.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>

namespace {

constexpr long kMaxCapturedBytes = 4096;

// Puts fd 2 back however `work` ends, an exception included.
struct RestoreStderr {
    int saved;
    ~RestoreStderr() {
        std::cerr.flush();
        std::fflush(stderr);
        ::dup2(saved, 2);
        ::close(saved);
    }
};

}  // namespace

std::string CaptureStderr(const std::function<void()>& work) {
    std::fflush(stderr);
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> scratch(std::tmpfile(), std::fclose);
    const int saved = scratch != nullptr ? ::dup(2) : -1;
    if (saved < 0 || ::dup2(::fileno(scratch.get()), 2) < 0) {
        if (saved >= 0) ::close(saved);
        work();
        return std::string();
    }
    {
        RestoreStderr restore{saved};
        work();
    }
    std::string said(kMaxCapturedBytes, '\0');
    std::rewind(scratch.get());
    said.resize(std::fread(&said[0], 1, said.size(), scratch.get()));
    return said;
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

std::string WithLibraryWords(const std::string& reason, const std::string& said) {
    const std::string words = OneLineLog(said);
    return words.empty() ? reason : reason + ": " + words.substr(0, 200);
}

#pragma once
// What every kind of test sets up alike: a scratch folder, whole files, and what a call says on
// stderr.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace testsupport {

namespace fs = std::filesystem;

// A fresh folder under /tmp, removed with all it holds when the test ends. With `enter` it is the
// working directory meanwhile, as the game's data folder is while it plays.
struct TempFolder {
    fs::path path, previous = fs::current_path();
    explicit TempFolder(bool enter = false) {
        char name[] = "/tmp/torvinel-test-XXXXXX";
        path = mkdtemp(name);
        if (enter) fs::current_path(path);
    }
    ~TempFolder() {
        fs::current_path(previous);
        fs::permissions(path, fs::perms::owner_all);  // a test may have made it read-only
        fs::remove_all(path);
    }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

template <class F>
std::string Stderr(F f) {
    testing::internal::CaptureStderr();
    f();
    return testing::internal::GetCapturedStderr();
}

inline long Lines(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

}  // namespace testsupport

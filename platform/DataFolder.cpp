#include "platform/DataFolder.h"

#include <cstdio>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool HasGameFiles(const std::string& folder) {
    struct stat info {};
    const std::string probe = folder.empty() ? "res/game" : folder + "/res/game";
    return stat(probe.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string ExecutableFolder() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return std::string();
    std::string path(buffer, static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool EnterDataFolder() {
    if (HasGameFiles(std::string())) return true;
    const std::string beside = ExecutableFolder();
    if (!beside.empty() && HasGameFiles(beside) && chdir(beside.c_str()) == 0) return true;
    std::fprintf(stderr, "torvinel: game files (res/game) not found in the working directory or in %s\n",
                 beside.c_str());
    return false;
}

#include "platform/DataFolder.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Say.h"

namespace {

bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

DataPlace Probe(const std::string& path, bool installed) {
    DataPlace place;
    place.shown = path;
    place.installed = installed;
    char real[PATH_MAX];
    if (::realpath(path.c_str(), real) != nullptr) place.real = real;
    struct stat info {};
    const std::string probe = place.real + "/res/game";
    place.hasFiles = !place.real.empty() && ::stat(probe.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    return place;
}

}  // namespace

DataChoice ChooseDataFolder(const std::vector<DataPlace>& places, const char* xdgDataHome,
                            const char* home) {
    DataChoice choice;
    for (const DataPlace& place : places) {
        if (!place.hasFiles) continue;
        choice.found = true;
        choice.folder = place.real;
        break;
    }
    if (!choice.found) return choice;
    for (const DataPlace& place : places) {
        if (place.installed && place.real == choice.folder) choice.installed = true;
    }
    if (!choice.installed) {
        choice.rankingPath = "res/ranking.dat";
    } else if (IsAbsolute(xdgDataHome)) {
        choice.rankingPath = std::string(xdgDataHome) + "/torvinel/ranking.dat";
    } else if (IsAbsolute(home)) {
        choice.rankingPath = std::string(home) + "/.local/share/torvinel/ranking.dat";
    }
    return choice;
}

std::vector<DataPlace> DataPlaces() {
    const std::string beside = ExecutableFolder();
    DataPlace working = Probe(".", false);
    working.shown = "the working directory (" + working.real + ")";
    return {working, Probe(beside, false), Probe(beside + "/../share/torvinel", true),
            Probe(TORVINEL_DATA_DIR, true)};
}

std::string ExecutableFolder() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return std::string();
    std::string path(buffer, static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool EnterDataFolder(std::string& rankingPath) {
    const std::vector<DataPlace> places = DataPlaces();
    const DataChoice choice =
        ChooseDataFolder(places, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    if (!choice.found || ::chdir(choice.folder.c_str()) != 0) {
        std::string looked;
        for (const DataPlace& place : places) looked += (looked.empty() ? "" : ", ") + place.shown;
        Say("the game's files (res/game) are in none of: %s\n",
            looked.c_str());
        return false;
    }
    if (choice.installed && choice.rankingPath.empty()) {
        Say("neither XDG_DATA_HOME nor HOME is set to an absolute path; scores "
            "are kept only until the game ends\n");
    }
    rankingPath = choice.rankingPath;
    return true;
}

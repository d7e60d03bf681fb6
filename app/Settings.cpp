#include "app/Settings.h"

#include <ini.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/CommandLine.h"
#include "platform/DataFile.h"
#include "platform/Decimal.h"
#include "platform/Say.h"
#include "scenes/RankingJournal.h"

namespace {

// Far more than the file the game writes; anything larger is not ours.
constexpr std::size_t kMaxSettingsBytes = 4096;

struct Reading {
    Settings settings;
    std::string why;  // the first problem; the line comes from the parser
};

bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

int OnEntry(void* user, const char* section, const char* name, const char* value) {
    Reading& reading = *static_cast<Reading*>(user);
    Settings& s = reading.settings;
    struct Field {
        const char* section;
        const char* name;
        int low, high;
        int* number;
        bool* flag;
    };
    const Field fields[] = {
        {"sound", "music", 0, kTopSoundLevel, &s.sound.music, nullptr},
        {"sound", "effects", 0, kTopSoundLevel, &s.sound.effects, nullptr},
        {"sound", "mute", 0, 1, nullptr, &s.sound.muted},
        {"window", "fullscreen", 0, 1, nullptr, &s.fullScreen},
        {"window", "width", kMinWindowSide, kMaxWindowSide, &s.width, nullptr},
        {"window", "height", kMinWindowSide, kMaxWindowSide, &s.height, nullptr},
    };
    for (const Field& f : fields) {
        if (std::strcmp(section, f.section) != 0 || std::strcmp(name, f.name) != 0) continue;
        int number = 0;
        if (!ReadInt(value, Signs::Either, f.low, f.high, number)) {
            if (reading.why.empty())
                reading.why = std::string(name) + " is not a whole number from " + std::to_string(f.low) + " to " +
                              std::to_string(f.high);
            return 0;
        }
        if (f.number != nullptr) *f.number = number;
        if (f.flag != nullptr) *f.flag = number != 0;
        return 1;
    }
    if (reading.why.empty()) reading.why = "no setting [" + std::string(section) + "] " + name;
    return 0;
}

}  // namespace

bool operator==(const Settings& a, const Settings& b) {
    return a.sound.music == b.sound.music && a.sound.effects == b.sound.effects && a.sound.muted == b.sound.muted &&
           a.fullScreen == b.fullScreen &&
           a.width == b.width && a.height == b.height;
}

std::string SettingsPath(const std::string& rankingPath, const char* xdgConfigHome, const char* home) {
    if (rankingPath.empty()) return "";
    if (rankingPath[0] != '/') return FolderOf(rankingPath) + "/settings.ini";
    if (IsAbsolute(xdgConfigHome)) return std::string(xdgConfigHome) + "/torvinel/settings.ini";
    if (IsAbsolute(home)) return std::string(home) + "/.config/torvinel/settings.ini";
    return "";
}

bool ParseSettings(const std::string& text, Settings& settings, std::string& why) {
    Reading reading;
    // A NUL byte would end the parser's text early and hide what follows it.
    const int line = text.find('\0') != std::string::npos ? -1 : ini_parse_string(text.c_str(), OnEntry, &reading);
    if (line == 0) {
        settings = reading.settings;
        return true;
    }
    settings = Settings{};
    if (line < 0) why = "holds a NUL byte";
    else why = "line " + std::to_string(line) + ": " + (reading.why.empty() ? "not a setting" : reading.why);
    return false;
}

std::string SettingsText(const Settings& s) {
    return "# Torvinel's settings, written by the game\n[sound]\nmusic = " + std::to_string(s.sound.music) +
           "\neffects = " + std::to_string(s.sound.effects) + "\nmute = " + std::to_string(s.sound.muted ? 1 : 0) +
           "\n\n[window]\nfullscreen = " + std::to_string(s.fullScreen ? 1 : 0) + "\nwidth = " +
           std::to_string(s.width) + "\nheight = " + std::to_string(s.height) + "\n";
}

Settings LoadSettings(const std::string& path) {
    Settings settings;
    if (path.empty()) return settings;
    std::string bytes, why;
    if (!ReadDataFile(path.c_str(), kMaxSettingsBytes, bytes, why)) {
        if (errno != ENOENT)
            Say("cannot read the settings %s (%s); playing on the defaults\n", path.c_str(), why.c_str());
        return settings;
    }
    if (!ParseSettings(bytes, settings, why))
        Say("the settings %s are not the game's (%s); playing on the defaults\n", path.c_str(), why.c_str());
    return settings;
}

bool SaveSettingsIfChanged(const std::string& path, const Settings& now, Settings& onDisk) {
    if (path.empty() || now == onDisk) return true;
    // Saved as the ranking is: a file of this copy's beside it, written whole, synced and renamed
    // into place, so the old settings or the new ones stand under the name, never half of either.
    std::string failure;
    if (!ReplaceFile(path, SettingsText(now), TemporaryStem(path), failure)) {
        Say("cannot save the settings %s (%s)\n", path.c_str(), failure.c_str());
        return false;
    }
    onDisk = now;
    return true;
}

#include "app/StateLine.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "demo/Demo.h"
#include "demo/DemoFile.h"
#include "input/Input.h"
#include "platform/DataFile.h"
#include "platform/Say.h"
#include "scene/Scene.h"

namespace {
int stateFd = -1;
int watching = 0;
bool muted = false;
}  // namespace

void StateLineStart() {
    const char* path = std::getenv("TORVINEL_STATE");
    if (path == nullptr || path[0] == '\0') return;
    stateFd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    if (stateFd < 0)
        Say("cannot write the state lines \"%s\" (%s); running without them\n", path,
            std::strerror(errno));
}

void StateLineWatching(int place) { watching = place; }

std::string WatchingFields(int place, int pace) {
    if (place <= 0) return "";
    return " watching=" + std::to_string(place) + " watchpace=" + std::to_string(pace);
}

void StateLineMute(bool mute) { muted = mute; }

namespace {

void WriteStateLine(long tick, const Scene* scene, int pace, const KeySet& seen) {
    if (stateFd < 0 || muted) return;
    SceneCheck check;
    if (scene != nullptr) scene->Check(check);
    std::string keys;
    for (char c : KeyChanges(KeySet{}, seen))  // "+space +left"
        if (c != '+') keys += c == ' ' ? ',' : c;
    const char* paused = scene != nullptr && scene->Paused() ? " paused=1" : "";
    const std::string line = std::to_string(tick) + " " + CheckLine(check, 1, 0) + paused +
                             WatchingFields(watching, pace) + " keys=" + keys + "\n";
    WriteWhole(stateFd, line.data(), line.size());
}

}  // namespace

void StateLineTick(long tick, const Scene* scene) {
    if (stateFd < 0 || muted) return;
    KeySet seen{};
    std::memcpy(seen.keys, Input().keys, sizeof seen.keys);
    std::memcpy(seen.arrows, Input().arrows, sizeof seen.arrows);
    WriteStateLine(tick, scene, 2, seen);
}

void StateLineWatchFrame(long tick, const Scene* scene, int pace, const KeySet& keys) {
    WriteStateLine(tick, scene, pace, keys);
}

#include "app/Watch.h"

#include <algorithm>

namespace {

bool Pressed(const WatchControl& control, const KeySet& live, unsigned char key) {
    return live.keys[key] && !control.before.keys[key];
}

bool ArrowPressed(const WatchControl& control, const KeySet& live, int arrow) {
    return live.arrows[arrow] && !control.before.arrows[arrow];
}

}  // namespace

int WatchFrame(WatchControl& control, const KeySet& live) {
    // Only a press counts: an Escape down when watching began (in `before`) must be let go first.
    const bool leave = Pressed(control, live, 27);
    if (Pressed(control, live, kPauseKey)) control.paused = !control.paused;
    const int step = ArrowPressed(control, live, ArrowRight) - ArrowPressed(control, live, ArrowLeft);
    control.speed = std::clamp(control.speed + step, 0, kWatchSpeedCount - 1);
    control.before = live;
    if (leave) return -1;
    if (control.paused) return 0;
    // Two frames' worth split evenly: at half speed a tick every other frame.
    const int twice = kWatchSpeeds[control.speed];
    const long frame = control.frame++;
    return static_cast<int>((frame + 1) * twice / 2 - frame * twice / 2);
}

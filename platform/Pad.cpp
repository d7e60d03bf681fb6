#include "platform/Pad.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/DataFile.h"
#include "platform/KeyboardFocus.h"
#include "platform/Say.h"
#include "platform/SdlPart.h"

namespace {

constexpr std::size_t kMaxMappingBytes = 1u << 20;  // SDL's whole community list is under 1 MiB
// SDL searches every mapping it holds for each one added, so adding n costs n squared: this many
// (more than the community list holds for one platform) take about 40 ms, on the first tick.
constexpr int kMaxMappings = 1000;

struct OpenPad {
    SDL_GameController* pad;
    SDL_JoystickID id;
};
std::vector<OpenPad> pads;
// Devices that are no game controller, or that could not be opened: not tried again every tick.
std::vector<SDL_JoystickID> passedOver;

bool PadsReady() {
    static const bool ready = [] {
        // The face buttons by where they sit, not by what is printed on them: the bottom one
        // starts a game on a Nintendo pad too (a player's own setting of the hint still wins).
        SDL_SetHint(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0");
        if (!StartSdlPart(SDL_INIT_GAMECONTROLLER)) return false;
        // The pads are read directly; their events only tell of presses let go before the poll.
        // The controllers' events are made from the joysticks' ones, so both are on.
        SDL_JoystickEventState(SDL_ENABLE);
        SDL_GameControllerEventState(SDL_ENABLE);
        return true;
    }();
    return ready;
}

const struct { PadButton button; SDL_GameControllerButton sdl; } kPadButtons[] = {
    {PadSouth, SDL_CONTROLLER_BUTTON_A},
    {PadNorth, SDL_CONTROLLER_BUTTON_Y},
    {PadWest, SDL_CONTROLLER_BUTTON_X},
    {PadBack, SDL_CONTROLLER_BUTTON_BACK},
    {PadStart, SDL_CONTROLLER_BUTTON_START},
    {PadLeftShoulder, SDL_CONTROLLER_BUTTON_LEFTSHOULDER},
    {PadRightShoulder, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER},
    {PadUp, SDL_CONTROLLER_BUTTON_DPAD_UP},
    {PadDown, SDL_CONTROLLER_BUTTON_DPAD_DOWN},
    {PadLeft, SDL_CONTROLLER_BUTTON_DPAD_LEFT},
    {PadRight, SDL_CONTROLLER_BUTTON_DPAD_RIGHT}};

PadReading ReadPad(SDL_GameController* pad) {
    PadReading reading{};
    for (const auto& b : kPadButtons) reading.buttons[b.button] = SDL_GameControllerGetButton(pad, b.sdl) != 0;
    reading.stickX = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX);
    reading.stickY = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTY);
    return reading;
}

// What the moves since the last poll pressed, in the order the pads made them: each button that
// went down and each push of the stick past the dead zone, whether still held or not. Every joystick
// and controller event is taken, so none pile up.
KeySet PadPressesSincePoll() {
    KeySet pressed{};
    SDL_Event events[64];
    int count;
    while ((count = SDL_PeepEvents(events, 64, SDL_GETEVENT, SDL_JOYAXISMOTION, SDL_FINGERDOWN - 1)) > 0) {
        for (int i = 0; i < count; ++i) {
            PadReading move{};
            if (events[i].type == SDL_CONTROLLERBUTTONDOWN) {
                for (const auto& b : kPadButtons)
                    if (b.sdl == events[i].cbutton.button) move.buttons[b.button] = true;
            } else if (events[i].type == SDL_CONTROLLERAXISMOTION) {
                if (events[i].caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) move.stickX = events[i].caxis.value;
                if (events[i].caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) move.stickY = events[i].caxis.value;
            }
            AddPadKeys(move, pressed);
        }
    }
    return pressed;
}

bool Contains(const std::vector<SDL_JoystickID>& ids, SDL_JoystickID id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// A mapping starts with the device's GUID, 32 hex digits, then its name and its bindings.
bool LooksLikeMapping(const std::string& line) {
    return line.size() > 33 && line[32] == ',' && line.find(',', 33) != std::string::npos &&
           std::all_of(line.begin(), line.begin() + 32, [](unsigned char c) { return std::isxdigit(c) != 0; });
}

// A line that names another platform is meant for another system's copy of the game.
bool ForOtherPlatform(const std::string& line) {
    const std::size_t at = line.find("platform:");
    if (at == std::string::npos) return false;
    const std::size_t start = at + std::strlen("platform:");
    const std::string platform = line.substr(start, line.find(',', start) - start);
    return SDL_strcasecmp(platform.c_str(), SDL_GetPlatform()) != 0;
}

}  // namespace

std::string PadMappingPath(const char* xdgConfigHome, const char* home) {
    if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/')
        return std::string(xdgConfigHome) + "/torvinel/gamecontrollerdb.txt";
    if (home != nullptr && home[0] == '/') return std::string(home) + "/.config/torvinel/gamecontrollerdb.txt";
    return std::string();
}

void LoadPadMappings(const std::string& path) {
    if (path.empty() || !PadsReady()) return;
    std::string text, why;
    if (!ReadDataFile(path.c_str(), kMaxMappingBytes, text, why)) {
        if (errno != ENOENT)
            Say("cannot read the controller mappings %s (%s); SDL's own are used\n",
                path.c_str(), why.c_str());
        return;
    }
    int bad = 0, firstBad = 0, number = 0, tried = 0, leftOut = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#' || ForOtherPlatform(line)) continue;
        if (LooksLikeMapping(line) && tried == kMaxMappings) {
            ++leftOut;
            continue;
        }
        if (LooksLikeMapping(line) && (++tried, SDL_GameControllerAddMapping(line.c_str()) >= 0)) continue;
        if (bad++ == 0) firstBad = number;
    }
    if (leftOut > 0)
        Say("%s: only the first %d controller mappings are used; %d more are left out\n",
            path.c_str(), kMaxMappings, leftOut);
    if (bad == 1)
        Say("%s: line %d is not a controller mapping; it is left out\n", path.c_str(),
            firstBad);
    if (bad > 1)
        Say("%s: %d lines, the first line %d, are not controller mappings; they are left out\n",
            path.c_str(), bad, firstBad);
}

void PollPads(KeySet& keys, KeySet& presses) {
    keys = KeySet{};
    if (!PadsReady()) return;
    static bool mappingsLoaded = false;
    if (!mappingsLoaded) {
        mappingsLoaded = true;
        LoadPadMappings(PadMappingPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")));
    }
    // Reads every device, and finds those plugged in or pulled out since the last poll.
    SDL_GameControllerUpdate();
    for (auto it = pads.begin(); it != pads.end();) {
        if (SDL_GameControllerGetAttached(it->pad)) {
            ++it;
            continue;
        }
        SDL_GameControllerClose(it->pad);
        it = pads.erase(it);
    }
    std::vector<SDL_JoystickID> stillPassedOver;
    const int devices = SDL_NumJoysticks();
    for (int i = 0; i < devices; ++i) {
        const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(i);
        if (std::any_of(pads.begin(), pads.end(), [id](const OpenPad& p) { return p.id == id; })) continue;
        SDL_GameController* pad = nullptr;
        if (!Contains(passedOver, id) && SDL_IsGameController(i)) pad = SDL_GameControllerOpen(i);
        if (pad != nullptr)
            pads.push_back({pad, id});
        else
            stillPassedOver.push_back(id);
    }
    passedOver.swap(stillPassedOver);
    for (const OpenPad& p : pads) AddPadKeys(ReadPad(p.pad), keys);
    KeySet pressed = PadPressesSincePoll();
    // Asked only while something is held or pressed, so an idle pad costs the X server nothing.
    DropWithoutFocus(keys, &pressed, GameWindowHasKeyboard);
    MergeKeys(presses, pressed);
}

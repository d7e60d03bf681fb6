#include "input/Input.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>

InputState& Input() {
    static InputState state{};
    return state;
}

MouseState& Mouse() {
    static MouseState state{};
    return state;
}

JoystickState& Joystick() {
    static JoystickState state{};
    return state;
}

KeySet& KeyboardKeys() {
    static KeySet keys{};
    return keys;
}

KeySet& PadKeys() {
    static KeySet keys{};
    return keys;
}

void MergeKeys(KeySet& into, const KeySet& from) {
    for (int k = 0; k < 256; ++k) into.keys[k] |= from.keys[k];
    for (int a = 0; a < 4; ++a) into.arrows[a] |= from.arrows[a];
}

KeySet LiveKeys() {
    KeySet live = KeyboardKeys();
    MergeKeys(live, PadKeys());
    return live;
}

KeySet& KeyPresses() {
    static KeySet keys{};
    return keys;
}

KeySet TapRule(const KeySet& held, const KeySet& before, KeySet& presses) {
    KeySet now = held;
    for (int k = 0; k < 256; ++k) now.keys[k] |= presses.keys[k] & !before.keys[k];
    for (int a = 0; a < 4; ++a) now.arrows[a] |= presses.arrows[a] & !before.arrows[a];
    presses = KeySet{};
    return now;
}

KeySet TickKeys() {
    const InputState& in = Input();
    KeySet before{};
    std::memcpy(before.keys, in.keys, sizeof before.keys);
    std::memcpy(before.arrows, in.arrows, sizeof before.arrows);
    return TapRule(LiveKeys(), before, KeyPresses());
}

void AddPadKeys(const PadReading& pad, KeySet& keys) {
    static const struct { PadButton button; unsigned char key; } buttonKeys[] = {
        {PadSouth, ' '}, {PadStart, ' '}, {PadStart, kPauseKey}, {PadNorth, 'p'}, {PadWest, 'r'}, {PadBack, 27},
        {PadLeftShoulder, 'a'}, {PadRightShoulder, 'd'}};
    static const struct { PadButton button; Arrow arrow; } buttonArrows[] = {
        {PadUp, ArrowUp}, {PadDown, ArrowDown}, {PadRight, ArrowRight}, {PadLeft, ArrowLeft}};
    for (const auto& b : buttonKeys)
        if (pad.buttons[b.button]) keys.keys[b.key] = 1;
    for (const auto& b : buttonArrows)
        if (pad.buttons[b.button]) keys.arrows[b.arrow] = 1;
    if (pad.stickY < -kPadStickDeadZone) keys.arrows[ArrowUp] = 1;
    if (pad.stickY > kPadStickDeadZone) keys.arrows[ArrowDown] = 1;
    if (pad.stickX > kPadStickDeadZone) keys.arrows[ArrowRight] = 1;
    if (pad.stickX < -kPadStickDeadZone) keys.arrows[ArrowLeft] = 1;
}

void GatherInput(const KeySet& held) {
    InputState& in = Input();
    std::memcpy(in.keys, held.keys, sizeof in.keys);
    std::memcpy(in.arrows, held.arrows, sizeof in.arrows);
}

bool KeyHeld(unsigned char key) {
    const InputState& in = Input();
    return in.keys[key] && in.prevKeys[key];
}

bool KeyNewlyPressed(unsigned char key) {
    const InputState& in = Input();
    return in.keys[key] && !in.prevKeys[key];
}

bool ArrowHeld(int arrow) {
    if (arrow < 0 || arrow > 3) return false;
    const InputState& in = Input();
    return in.arrows[arrow] && in.prevArrows[arrow];
}

bool ArrowNewlyPressed(int arrow) {
    if (arrow < 0 || arrow > 3) return false;
    const InputState& in = Input();
    return in.arrows[arrow] && !in.prevArrows[arrow];
}

void CopyInputHistory() {
    InputState& in = Input();
    std::memcpy(in.prevKeys, in.keys, sizeof in.keys);
    std::memcpy(in.prevArrows, in.arrows, sizeof in.arrows);
}

void PressKey(unsigned char key) { KeyboardKeys().keys[key] = KeyPresses().keys[key] = 1; }

void ReleaseKey(unsigned char key) {
    // The release comes translated with the modifiers held at that moment, not at the press: d
    // pressed, Shift pressed, d released arrives as 'D'. A letter's lower case, upper case and
    // control code are one key, so its release lets go of all three; any other key only of itself.
    // (Backspace, Tab and Enter arrive as the control codes of h, i and m, none of them a key of
    // the game.)
    KeySet& in = KeyboardKeys();
    in.keys[key] = 0;
    const int letter = key >= 1 && key <= 26 ? key + 'a' - 1 : std::tolower(key);
    if (letter >= 'a' && letter <= 'z') {
        in.keys[letter] = 0;
        in.keys[std::toupper(letter)] = 0;
        in.keys[letter - 'a' + 1] = 0;
    }
}

bool AnyDown(const KeySet& keys) {
    const auto down = [](unsigned char b) { return b != 0; };
    return std::any_of(std::begin(keys.keys), std::end(keys.keys), down) ||
           std::any_of(std::begin(keys.arrows), std::end(keys.arrows), down);
}

void ReleaseAllKeys() {
    KeySet& in = KeyboardKeys();
    std::memset(in.keys, 0, sizeof in.keys);
    std::memset(in.arrows, 0, sizeof in.arrows);
}

void PressArrow(int slot) {
    if (slot >= 0 && slot < 4) KeyboardKeys().arrows[slot] = KeyPresses().arrows[slot] = 1;
}

void ReleaseArrow(int slot) {
    if (slot >= 0 && slot < 4) KeyboardKeys().arrows[slot] = 0;
}

void DropWithoutFocus(KeySet& held, KeySet* presses, bool (*hasKeyboard)()) {
    if (!AnyDown(held) && (presses == nullptr || !AnyDown(*presses))) return;
    if (hasKeyboard()) return;
    held = KeySet{};
    if (presses != nullptr) *presses = KeySet{};
}

int ScaleMouseX(int windowX, int desktopWidth) {
    return static_cast<int>(static_cast<float>(windowX) * 1280.0f / static_cast<float>(desktopWidth));
}

int ScaleMouseY(int windowY, int desktopHeight) {
    return static_cast<int>(static_cast<float>(windowY) * 720.0f / static_cast<float>(desktopHeight));
}

void ApplyJoystickRecord(JoystickState& state, const JoystickRecord& record) {
    static const std::uint32_t highMasks[4] = {0x100, 0x200, 0x400, 0x800};
    for (int slot = 0; slot < 36; ++slot) {
        const std::uint32_t mask = slot < 32 ? (1u << slot) : highMasks[slot - 32];
        state.prevButtons[slot] = state.buttons[slot];
        state.buttons[slot] = (record.buttons & mask) ? 1 : 0;
    }
    const bool pushed[6] = {record.yPos < 16383u, record.yPos > 49151u, record.xPos > 49151u,
                            record.xPos < 16383u, record.zPos < 16383u, record.zPos > 49151u};
    for (int slot = 0; slot < 6; ++slot) {
        state.prevDirections[slot] = state.directions[slot];
        state.directions[slot] = pushed[slot] ? 1 : 0;
    }
}

#pragma once
// The one key state the scenes read, and the rules that fill it: every source of input (the
// keyboard, the game controllers, a demo played back) is turned into a KeySet here, once a tick.
// A scene never looks at a key byte alone: it asks whether the key is held (down now and at the
// previous tick) or newly pressed (down now, up at the previous tick). This folder uses nothing
// of the game's other folders: the window's callbacks and the platform's readings come to it.
#include <cstdint>

enum Arrow { ArrowUp = 0, ArrowDown = 1, ArrowRight = 2, ArrowLeft = 3 };

struct InputState {
    unsigned char keys[256];
    unsigned char prevKeys[256];
    unsigned char arrows[4];
    unsigned char prevArrows[4];
};

struct MouseState {
    unsigned char left;
    unsigned char right;
    unsigned char prevLeft;
    unsigned char prevRight;
    std::int32_t x;
    std::int32_t y;
};

// The fields the game keeps of a joystick poll: positions 0..65535 with the rest in the middle.
struct JoystickRecord {
    std::uint32_t size;
    std::uint32_t flags;
    std::uint32_t xPos, yPos, zPos, rPos, uPos, vPos;
    std::uint32_t buttons;
    std::uint32_t buttonNumber;
    std::uint32_t pov;
    std::uint32_t reserved1, reserved2;
};

struct JoystickState {
    unsigned char buttons[36];
    unsigned char prevButtons[36];
    unsigned char directions[6];
    unsigned char prevDirections[6];
    JoystickRecord record;
};

// Enter (and a pad's Start) pauses and resumes a game. The window losing the keyboard presses
// kFocusLostKey for one tick, which only pauses; no keyboard types it (the window's key callback
// drops that byte), so a demo records and replays a focus loss like any key.
inline constexpr unsigned char kPauseKey = '\r';
inline constexpr unsigned char kFocusLostKey = 0xFF;

// The key state the scenes read. Every source of input (the keyboard, the game controllers, a
// demo being played back) holds its own keys; at the start of each tick they are gathered in
// here, so a scene never learns where a key came from.
InputState& Input();
MouseState& Mouse();
JoystickState& Joystick();

bool KeyHeld(unsigned char key);
bool KeyNewlyPressed(unsigned char key);
bool ArrowHeld(int arrow);
bool ArrowNewlyPressed(int arrow);

// End of tick: what is down now becomes "the previous tick" for the next one.
void CopyInputHistory();

// What one source of input holds down.
struct KeySet {
    unsigned char keys[256];
    unsigned char arrows[4];
};

// The keyboard as the GLUT callbacks leave it.
KeySet& KeyboardKeys();

// What the game controllers hold down, as keys, as the last poll of the pads left it.
KeySet& PadKeys();

// The player's keys this tick: the keyboard's and the pads' together, so that letting go on one
// never lets go of a key still held on the other.
KeySet LiveKeys();

// Adds to `into` every key and arrow `from` holds.
void MergeKeys(KeySet& into, const KeySet& from);

// Every key and arrow that went down since a tick last took it, from the keyboard and the pads.
KeySet& KeyPresses();

// The tap rule. A tick sees what `held` holds; a key pressed since the last tick (`presses`) and
// let go again reads as down at this tick all the same, so it is newly pressed once and up at the
// next tick: on a slow machine a tap is shorter than a tick, and is not lost. A key that was down
// at the previous tick (`before`) and is up now was let go, whatever came in between: a press
// there is most likely an auto-repeat the window system sent late. Empties `presses`.
KeySet TapRule(const KeySet& held, const KeySet& before, KeySet& presses);

// The keys of this tick for the scenes (and for a recording): the live keys under the tap rule,
// against what the scenes read at the previous tick.
KeySet TickKeys();

// The controls of a game controller the game uses, by position: the bottom and top face buttons
// are A and Y on an Xbox pad, Cross and Triangle on a PlayStation pad, B and X on a Nintendo one.
enum PadButton {
    PadSouth, PadNorth, PadBack, PadStart, PadLeftShoulder, PadRightShoulder,
    PadUp, PadDown, PadLeft, PadRight, PadWest, PadButtonCount
};

struct PadReading {
    bool buttons[PadButtonCount];
    int stickX, stickY;  // the left stick, -32768..32767; y grows downwards
};

// How far the stick must lean before it presses an arrow: half way, so that a worn stick that
// does not quite centre presses nothing.
inline constexpr int kPadStickDeadZone = 16384;

// Adds to `keys` what one pad holds down: the stick and the d-pad are the arrows, the shoulders a
// and d, the bottom face button is Space, Start is Space and Enter (starting a game, pausing one), the top
// face button is p, the left one r (on the ranking, watch a place's run), Back is Escape. A
// reading of the one control that just moved gives what that move pressed.
void AddPadKeys(const PadReading& pad, KeySet& keys);

// Start of a tick: what `held` holds down is the key state the scenes read this tick.
void GatherInput(const KeySet& held);

// True while any key or arrow of `keys` is down.
bool AnyDown(const KeySet& keys);

// Lets go of every key and arrow of the keyboard: once the window has lost the keyboard, the
// releases of the keys still held go to another window and never arrive here.
void ReleaseAllKeys();

// The keyboard's events, as the window's callbacks pass them on; they only record, into
// KeyboardKeys() and KeyPresses(). A key's press sets the byte of the character it arrives as
// (with Shift, the upper case); its release lets go of that byte whatever modifiers are down by
// then. An arrow is its slot (Arrow).
void PressKey(unsigned char key);
void ReleaseKey(unsigned char key);
void PressArrow(int slot);
void ReleaseArrow(int slot);

// The focus rule: while another window has the keyboard, nothing `held` holds counts, nor any
// press since the last tick (`presses`, when given). `hasKeyboard` is asked only while something
// is down, so an idle game costs the window system nothing.
void DropWithoutFocus(KeySet& held, KeySet* presses, bool (*hasKeyboard)());

// Window pixels to the virtual 1280 x 720 pointer space of the full-screen game.
int ScaleMouseX(int windowX, int desktopWidth);
int ScaleMouseY(int windowY, int desktopHeight);

// Copies a fresh poll result into the joystick's button and direction slots.
void ApplyJoystickRecord(JoystickState& state, const JoystickRecord& record);

// The shell's rules: the key history the scenes read, the game controllers and the joystick
// slots, and the 16 ms tick.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "TestSupport.h"
#include "VirtualPad.h"
#include "app/App.h"
#include "app/Tick.h"
#include "demo/DemoFile.h"
#include "input/Input.h"
#include "platform/Clock.h"
#include "platform/Joystick.h"
#include "platform/Pad.h"

namespace {

// Ticks against a scripted clock that moves only when the test or a sleep moves it; collects the
// sleeps and the frame-rate lines.
std::uint32_t fakeNow = 0;
std::vector<int> sleeps;
struct Ticker {
    std::FILE* file = std::tmpfile();
    TickPacer pacer;
    explicit Ticker(std::uint32_t start) { fakeNow = start, sleeps.clear(); }
    ~Ticker() { std::fclose(file); }
    void Tick(std::uint32_t work = 0) {
        fakeNow += work;
        const auto sleep = [](std::uint32_t deadline) { sleeps.push_back(static_cast<int>(deadline - fakeNow)), fakeNow = deadline; };
        RunTick(pacer, TickHooks{[] { return fakeNow; }, sleep, [] {}, file});
    }
    std::vector<double> Lines() {  // the fps values, each line ending in a carriage return
        std::fflush(file);
        std::rewind(file);
        std::vector<double> values;
        for (double value; std::fscanf(file, "fps:%lf\r", &value) == 1;) values.push_back(value);
        return values;
    }
};

// The keyboard's state reaches the scenes only when a tick gathers it, as the game's tick does.
void Gathered() { GatherInput(TickKeys()); }
void ClearInput() { std::memset(&Input(), 0, sizeof(InputState)), ReleaseAllKeys(), KeyPresses() = KeySet{}; }

}  // namespace

// Every combination of a key's state now, at the previous tick, and a press since: only a press
// let go again after a tick that read the key up changes what the tick reads (down for that one
// tick). Each tick takes every press.
TEST(Input, TapRule) {
    const struct { bool held, before, pressed, now; } cases[] = {
        {0, 0, 0, 0}, {1, 0, 0, 1}, {1, 1, 0, 1}, {0, 1, 0, 0}, {0, 0, 1, 1}, {1, 0, 1, 1}, {1, 1, 1, 1}, {0, 1, 1, 0}};
    for (const auto& c : cases) {
        KeySet held{}, before{}, presses{};
        held.keys['p'] = held.arrows[ArrowLeft] = c.held;
        before.keys['p'] = before.arrows[ArrowLeft] = c.before;
        presses.keys['p'] = presses.arrows[ArrowLeft] = c.pressed;
        presses.keys['q'] = 1;  // another key's press is its own
        const KeySet now = TapRule(held, before, presses);
        EXPECT_TRUE(now.keys['p'] == c.now && now.arrows[ArrowLeft] == c.now) << c.held << c.before << c.pressed;
        EXPECT_TRUE(now.keys['q'] && !AnyDown(presses));
    }
}

// Ticks as the game runs them, the keys arriving between them: what the scenes read at each tick
// and the changes a recording writes of it, which are what a playback replays.
TEST(Input, KeyHistoryAcrossTicks) {
    ClearInput();
    const struct { const char* between; const char* reads; const char* recorded; } ticks[] = {
        {"+x-x", "newly", "+x"},  // a tap shorter than a tick: seen once
        {"", "up", "-x"},
        {"+x", "newly", "+x"},  // held: newly pressed at its first tick only
        {"", "held", ""},
        {"", "held", ""},
        {"-x+x-x", "up", "-x"},  // let go, with a late auto-repeat's press and release: let go
        {"", "up", ""},
        {"+X-x", "up", "+X"},  // with Shift the letter is another byte; its release lets go of both
        {"+x-x+x-x", "newly", "-X +x"},
    };
    KeySet before{};
    for (const auto& t : ticks) {
        for (const char* e = t.between; *e != '\0'; e += 2) (e[0] == '+' ? OnKeyDown : OnKeyUp)(e[1], 0, 0);
        const KeySet now = TickKeys();
        GatherInput(now);
        const std::string reads = KeyNewlyPressed('x') ? "newly" : KeyHeld('x') ? "held" : Input().keys['x'] ? "?" : "up";
        EXPECT_EQ(reads, t.reads) << t.between;
        EXPECT_EQ(KeyChanges(before, now), t.recorded) << t.between;
        before = now;
        CopyInputHistory();
    }
    // Arrows go to their own slots, held only across a tick; other special keys touch nothing. A
    // tapped arrow is down for one tick and never held.
    ClearInput();
    for (int key : {GLUT_KEY_UP, GLUT_KEY_LEFT, GLUT_KEY_F1, GLUT_KEY_PAGE_UP}) OnSpecialKeyDown(key, 0, 0);
    OnSpecialKeyUp(GLUT_KEY_LEFT, 0, 0);
    Gathered();
    EXPECT_EQ(std::memcmp(Input().arrows, "\1\0\0\1", 4), 0);  // up, down, right, left
    EXPECT_FALSE(ArrowHeld(ArrowUp));
    CopyInputHistory();
    Gathered();
    EXPECT_TRUE(ArrowHeld(ArrowUp) && !ArrowHeld(ArrowLeft) && !Input().arrows[ArrowLeft]);
    OnSpecialKeyUp(GLUT_KEY_UP, 0, 0);
    Gathered();
    EXPECT_FALSE(ArrowHeld(ArrowUp));
    for (int k = 0; k < 256; ++k) ASSERT_EQ(Input().keys[k], 0) << k;
}

// A key's release lets go of what its press set, whatever modifiers changed in between; losing
// the keyboard lets go of everything.
TEST(Input, ModifiersChangedWhileAKeyIsDownDoNotKeepItDown) {
    // Press and release as they arrive: d, then Shift, then d let go; Shift+d with Shift let go
    // first; a, then Ctrl; Ctrl+d with Ctrl let go first; space.
    const unsigned char cases[][2] = {{'d', 'D'}, {'D', 'd'}, {'a', 1}, {4, 'd'}, {' ', ' '}};
    for (const auto& c : cases) {
        ClearInput();
        OnKeyDown(c[0], 0, 0);
        EXPECT_EQ(KeyboardKeys().keys[c[0]], 1);  // a shifted press still sets the shifted byte
        OnKeyUp(c[1], 0, 0);
        EXPECT_FALSE(AnyDown(KeyboardKeys())) << c[0];
    }
    OnKeyDown('1', 0, 0);  // other keys are only themselves: 1 and ! stay apart
    OnKeyUp('!', 0, 0);
    EXPECT_EQ(KeyboardKeys().keys['1'], 1);
    OnSpecialKeyDown(GLUT_KEY_LEFT, 0, 0);
    ReleaseAllKeys();
    EXPECT_FALSE(AnyDown(KeyboardKeys()));
}

// Each control of a pad stands for one key or arrow; the stick presses an arrow only beyond half
// way, so a worn stick that does not centre, or a light touch, presses nothing.
TEST(Pads, LayoutAndDeadZone) {
    const struct { int button, x, y; const char* keys; const char* arrows; } cases[] = {  // up, down, right, left
        {PadSouth, 0, 0, " ", "\0\0\0\0"}, {PadStart, 0, 0, " \r", "\0\0\0\0"}, {PadNorth, 0, 0, "p", "\0\0\0\0"},
        {PadWest, 0, 0, "r", "\0\0\0\0"},
        {PadBack, 0, 0, "\x1b", "\0\0\0\0"}, {PadLeftShoulder, 0, 0, "a", "\0\0\0\0"}, {PadRightShoulder, 0, 0, "d", "\0\0\0\0"},
        {PadUp, 0, 0, "", "\1\0\0\0"}, {PadDown, 0, 0, "", "\0\1\0\0"}, {PadRight, 0, 0, "", "\0\0\1\0"},
        {PadLeft, 0, 0, "", "\0\0\0\1"}, {-1, 16384, -16384, "", "\0\0\0\0"}, {-1, -16384, 16384, "", "\0\0\0\0"},
        {-1, -16385, 0, "", "\0\0\0\1"}, {-1, 32767, 0, "", "\0\0\1\0"}, {-1, 0, -32768, "", "\1\0\0\0"},
        {-1, 0, 20000, "", "\0\1\0\0"}, {-1, 23170, -23170, "", "\1\0\1\0"}};
    for (const auto& c : cases) {
        PadReading pad{};
        if (c.button >= 0) pad.buttons[c.button] = true;
        pad.stickX = c.x, pad.stickY = c.y;
        KeySet keys{}, want{};
        AddPadKeys(pad, keys);
        for (const char* k = c.keys; *k != '\0'; ++k) want.keys[static_cast<unsigned char>(*k)] = 1;
        std::memcpy(want.arrows, c.arrows, 4);
        EXPECT_EQ(std::memcmp(&keys, &want, sizeof keys), 0) << c.button << " " << c.x << "," << c.y;
    }
}

// Pads come and go at any moment, several play at once, and a key is let go only when nothing,
// pad or keyboard, holds it any more.
TEST(Pads, PluggedInAndOutAndHeldWithTheKeyboard) {
    ClearInput();
    const auto tick = [] { CopyInputHistory(), PollPads(PadKeys(), KeyPresses()), GatherInput(TickKeys()); };
    auto one = std::make_unique<testsupport::VirtualPad>();
    one->Stick(32767, 0);
    one->Press(SDL_CONTROLLER_BUTTON_A);
    tick();
    EXPECT_TRUE(KeyNewlyPressed(' ') && Input().arrows[ArrowRight]);
    JoystickRecord raw{};  // the first joystick's raw record reads the same device
    PollJoystick(raw);
    EXPECT_GT(raw.xPos, 49151u);
    testsupport::VirtualPad two;  // plugged in mid-game: both play
    two.Press(SDL_CONTROLLER_BUTTON_LEFTSHOULDER);
    OnKeyDown(' ', 0, 0);
    tick();
    EXPECT_TRUE(KeyNewlyPressed('a') && KeyHeld(' ') && ArrowHeld(ArrowRight));
    one.reset();  // pulled out: what it held is let go, but not the Space the keyboard holds
    tick();
    EXPECT_TRUE(KeyHeld(' ') && KeyHeld('a') && !Input().arrows[ArrowRight]);
    two.Press(SDL_CONTROLLER_BUTTON_A);  // and the other way round
    OnKeyUp(' ', 0, 0);
    tick();
    EXPECT_TRUE(KeyHeld(' '));
    // The top button and the stick pushed up, each let go before the next poll (the driver reads
    // both moves as it updates): down for one tick, as tapped keys are.
    two.Stick(0, -32768), SDL_GameControllerUpdate(), two.Stick(0, 0);
    two.Press(SDL_CONTROLLER_BUTTON_Y), SDL_GameControllerUpdate(), two.Press(SDL_CONTROLLER_BUTTON_Y, false);
    tick();
    EXPECT_TRUE(KeyNewlyPressed('p') && Input().arrows[ArrowUp] && !ArrowHeld(ArrowUp));
    tick();
    EXPECT_TRUE(!Input().keys['p'] && !Input().arrows[ArrowUp] && KeyHeld(' '));
    ClearInput();
}

// A player's own mappings: this platform's good lines are used, a broken file costs one line.
TEST(Pads, PlayersMappingFile) {
    EXPECT_TRUE(PadMappingPath("/cfg", "/home/p") == "/cfg/torvinel/gamecontrollerdb.txt" &&
                PadMappingPath("cfg", "/home/p") == "/home/p/.config/torvinel/gamecontrollerdb.txt" &&
                PadMappingPath(nullptr, "home").empty());
    testsupport::TempFolder folder;
    EXPECT_EQ(testsupport::Stderr([&] { LoadPadMappings(folder / "missing.txt"); }), "");
    EXPECT_EQ(testsupport::Lines(testsupport::Stderr([&] { LoadPadMappings(folder.path.string()); })), 1);
    const std::string mine = "05000000aabbccdd0000000000000000", other = "05000000aabbccdd0000000000000001";
    testsupport::WriteFile(folder / "db.txt", "# mine\r\n" + mine + ",Torvinel Test Pad,a:b1,b:b0,platform:Linux\r\n" +
                                                  "not a mapping\n" + other + ",Elsewhere,a:b0,platform:Windows,\n" +
                                                  "x:b2,y:b3,platform:Linux,\n");
    const std::string said = testsupport::Stderr([&] { LoadPadMappings(folder / "db.txt"); });
    EXPECT_TRUE(testsupport::Lines(said) == 1 && said.find("2 lines, the first line 3") != std::string::npos) << said;
    for (const std::string& guid : {mine, other}) {
        char* mapping = SDL_GameControllerMappingForGUID(SDL_JoystickGetGUIDFromString(guid.c_str()));
        EXPECT_EQ(mapping != nullptr, guid == mine);
        SDL_free(mapping);
    }
    // Each mapping added costs a search of all the others: past a thousand the rest are left out.
    std::string many;
    char line[96];
    for (int i = 0; i < 1002; ++i)
        many += (std::snprintf(line, sizeof line, "06000000%024x,Pad %d,a:b0,platform:Linux\n", i, i), line);
    testsupport::WriteFile(folder / "many.txt", many);
    EXPECT_EQ(testsupport::Stderr([&] { LoadPadMappings(folder / "many.txt"); }),
              "torvinel: " + folder / "many.txt" + ": only the first 1000 controller mappings are used; 2 more are left out\n");
}

TEST(Input, JoystickAxesAndButtons) {
    JoystickState state{};
    // A stick pushed fully right, down and Z-high, as SDL reports it; a centred one pushes nothing.
    JoystickRecord record{};
    record.xPos = record.yPos = record.zPos = AxisToPosition(32767);
    record.buttons = 0x1u | 0x200u;
    ApplyJoystickRecord(state, record);
    EXPECT_EQ(std::memcmp(state.directions, "\0\1\1\0\0\1", 6), 0);
    EXPECT_TRUE(state.buttons[0] && state.buttons[9] && state.buttons[33]);  // 32 to 35 repeat bits 8 to 11
    EXPECT_FALSE(state.buttons[1] || state.buttons[32]);
    record.xPos = record.yPos = record.zPos = AxisToPosition(0);
    ApplyJoystickRecord(state, record);
    EXPECT_EQ(std::memcmp(state.directions, "\0\0\0\0\0\0", 6), 0);
    EXPECT_EQ(std::memcmp(state.prevDirections, "\0\1\1\0\0\1", 6), 0);
    EXPECT_EQ(AxisToPosition(-32768), 0u);
}

// The millisecond clock wraps 49.7 days after boot; it does so here at the 1000 ms jump. A clock
// jump never freezes the game, and sleeps never wake early.
TEST(Tick, PacingTheFrameRateLineAndClockJumps) {
    Ticker ticker(0xFFFFFF00u);
    ticker.Tick();  // the first tick waits a full 16 ms and always prints a line close to 0
    ASSERT_EQ(ticker.Lines().size(), 1u);
    EXPECT_LT(ticker.Lines()[0], 0.01);
    const std::uint32_t mark = ticker.pacer.rateMark;
    ticker.Tick(5);   // 5 ms of work leaves 11 to wait
    ticker.Tick(40);  // a slow tick is followed at once
    EXPECT_EQ(sleeps, (std::vector<int>{16, 11}));
    ticker.Tick(mark + 1000 - fakeNow);  // exactly 1000 ms after the last line: nothing yet
    EXPECT_EQ(ticker.Lines().size(), 1u);
    ticker.Tick(1);  // the next tick ends at mark + 1016: four frames since the mark
    ASSERT_EQ(ticker.Lines().size(), 2u);
    EXPECT_NEAR(ticker.Lines()[1], 4 * 1000.0 / 1016.0, 1e-5);
    ticker.Tick(4);  // and pacing goes on past the wrap
    EXPECT_EQ(sleeps, (std::vector<int>{16, 11, 15, 12}));
    // A clock that jumped backwards waits at most one tick.
    TickPacer pacer;
    pacer.lastTick = 2000000;
    EXPECT_TRUE(TickWait(pacer, 2000000 - 60000) == 16 && TickWait(pacer, 2000010) == 6);
    // The pace rests on the real sleep ending at its deadline, never before.
    for (std::uint32_t ms : {1u, 5u, 16u}) {
        const std::uint32_t deadline = MonotonicMs() + ms;
        SleepUntilMs(deadline);
        EXPECT_GE(static_cast<std::int32_t>(MonotonicMs() - deadline), 0) << ms;
    }
}

namespace {
std::vector<std::uint32_t> rests;
std::uint32_t keyAt = 0;
int ticks = 0;
bool seenAtTick = false;
}  // namespace

// Between ticks the game rests until its tick is due; a key that arrives meanwhile cuts the rest
// short, is handed over, and is seen by the very next tick. The clock and the rest are the test's;
// the loop stands for GLUT's: hand over what has arrived, then call the idle rest.
TEST(Tick, AKeyPressedJustBeforeATickIsSeenByThatTick) {
    const RestHooks hooks{
        [] { return fakeNow; },
        [](std::uint32_t deadline) {
            rests.push_back(deadline);
            const bool key = keyAt != 0 && keyAt < deadline;
            fakeNow = key ? keyAt : deadline;
            return key;
        },
        [] { ++ticks, Gathered(), seenAtTick = KeyNewlyPressed('a'); }};
    ClearInput();
    TickPacer pacer;
    pacer.started = true;
    pacer.lastTick = 1000;
    fakeNow = 1003, keyAt = 1015;
    for (int call = 0; call < 5 && ticks == 0; ++call) {
        if (keyAt != 0 && fakeNow >= keyAt) OnKeyDown('a', 0, 0), keyAt = 0;
        RestOrTick(pacer, hooks);
    }
    EXPECT_EQ(rests, (std::vector<std::uint32_t>{1016, 1016}));
    EXPECT_TRUE(ticks == 1 && fakeNow == 1016 && seenAtTick);
    // A tick already due runs at once, without a rest.
    fakeNow = 1040;
    RestOrTick(pacer, hooks);
    EXPECT_TRUE(ticks == 2 && rests.size() == 2u);
    ClearInput();
}

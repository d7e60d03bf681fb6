// The game's window among the desktop's: whether it still gets the keyboard (and, while it does
// not, the game controllers press nothing either), the name and icon it shows, and the screensaver
// it holds off.
#include <gtest/gtest.h>

#include "GlTestContext.h"  // GLEW before any other GL header

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/scrnsaver.h>

#include <chrono>
#include <thread>

#include "VirtualPad.h"
#include "platform/Desktop.h"
#include "platform/KeyboardFocus.h"
#include "platform/Pad.h"

TEST(KeyboardFocus, OnlyAFocusElsewhereCountsAsLost) {
    gltest::ClearFrame();
    Display* x = glXGetCurrentDisplay();
    const Window game = glXGetCurrentDrawable(), root = DefaultRootWindow(x);
    const Window other = XCreateSimpleWindow(x, root, 0, 0, 8, 8, 0, 0, 0);  // another program's
    XMapWindow(x, other);
    // While another window has the keyboard, the game controllers press nothing either: neither
    // what they hold nor what was pressed and let go since the last poll.
    testsupport::VirtualPad pad;
    KeySet keys{}, presses{};
    PollPads(keys, presses);  // takes the pad in
    // On the root or PointerRoot the keys go to the window under the pointer, maybe ours.
    for (const Window focus : {game, other, Window(None), root, Window(PointerRoot)}) {
        XSync(x, False);
        XSetInputFocus(x, focus, RevertToNone, CurrentTime);
        EXPECT_EQ(GameWindowHasKeyboard(), focus != other && focus != None) << focus;
        pad.Press(SDL_CONTROLLER_BUTTON_Y), SDL_GameControllerUpdate(), pad.Press(SDL_CONTROLLER_BUTTON_Y, false);
        pad.Press(SDL_CONTROLLER_BUTTON_A);
        presses = KeySet{};
        PollPads(keys, presses);
        EXPECT_TRUE(keys.keys[' '] == presses.keys['p'] && keys.keys[' '] == (focus != other && focus != None))
            << focus;
    }
}

// The window carries the game's class and icon. A window manager that is slow to let go of a window and to show it (a busy machine's openbox),
// that lets go by marking the window Withdrawn, and that takes a window it is given back while it
// still holds it for a request to raise it, as managers do: the game must wait until it has let go
// before showing the window again, and hand it back shown.
TEST(Desktop, WindowCarriesTheGameClassAndIconAndASlowManagerTakesItAnew) {
    gltest::ClearFrame();
    Display* x = glXGetCurrentDisplay();
    const Window game = glXGetCurrentDrawable();
    Display* wm = XOpenDisplay(nullptr);
    ASSERT_NE(wm, nullptr);
    const Atom wmState = XInternAtom(wm, "WM_STATE", False);
    const auto Hold = [&](long state) {
        XChangeProperty(wm, game, wmState, wmState, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&state), 1);
    };
    XSelectInput(wm, DefaultRootWindow(wm), SubstructureRedirectMask | SubstructureNotifyMask);
    Hold(NormalState);  // the manager holds the game's window, shown as GLUT left it
    XSync(wm, False);
    std::string takenAs;  // the class the window was taken anew with
    std::thread manager([&] {
        bool held = true;
        long early = 0;  // events the server sent while the manager still held the window
        for (int idle = 0; takenAs.empty() && idle < 400;) {
            if (!XPending(wm)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                ++idle;
                continue;
            }
            XEvent event;
            XNextEvent(wm, &event);
            const bool whileHeld = held || early-- > 0;
            if (event.type == UnmapNotify && event.xunmap.window == game && held) {
                std::this_thread::sleep_for(std::chrono::milliseconds(600));  // busy
                XSync(wm, False);
                early = XEventsQueued(wm, QueuedAlready);
                Hold(WithdrawnState);
                held = false;
            } else if (event.type == MapRequest && event.xmaprequest.window == game && !whileHeld) {
                XClassHint hint{};
                if (XGetClassHint(wm, game, &hint) != 0) {
                    takenAs = hint.res_class;
                    XFree(hint.res_name), XFree(hint.res_class);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(300));  // busy again
                Hold(NormalState);
                XMapWindow(wm, game);
            }
            XSync(wm, False);
        }
    });
    NameGameWindow({2, 1, 0xFF102030u, 0x80405060u});
    XWindowAttributes shown{};
    XGetWindowAttributes(x, game, &shown);
    manager.join();
    XCloseDisplay(wm);
    EXPECT_EQ(takenAs, "Torvinel");
    EXPECT_EQ(shown.map_state, IsViewable);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(x, game, XInternAtom(x, "_NET_WM_ICON", False), 0, 16, False, XA_CARDINAL, &type, &format,
                       &count, &after, &data);
    const long* items = reinterpret_cast<const long*>(data);  // each item's 32 bits, sign-extended
    EXPECT_EQ(std::vector<std::uint32_t>(items, items + count), (std::vector<std::uint32_t>{2, 1, 0xFF102030u, 0x80405060u}));
    XFree(data);
}

// Past its timeout the X screensaver stays off while the game is connected, and starts once the
// game's connection closes.
TEST(Desktop, ScreenSaverHeldOffUntilTheGameDisconnects) {
    Display *game = XOpenDisplay(nullptr), *other = XOpenDisplay(nullptr);
    ASSERT_TRUE(SuspendScreenSaver(game));
    XSetScreenSaver(other, 1, 0, DontPreferBlanking, AllowExposures);  // after a second without input
    XSync(other, False);
    const auto State = [&] {
        XScreenSaverInfo info{};
        XScreenSaverQueryInfo(other, DefaultRootWindow(other), &info);
        return info.state;
    };
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(State(), ScreenSaverOff);
    XCloseDisplay(game);
    // A busy X server may take its time: up to a minute.
    for (int i = 0; i < 600 && State() != ScreenSaverOn; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(State(), ScreenSaverOn);
    XCloseDisplay(other);
}

#pragma once
// What the desktop learns about the game's window: which application it belongs to (so a dock or
// a shell ties it to the game's menu entry), its icon, and that the screen must stay on while the
// game runs, though a game may go on for minutes without a key press. Each request is tied to one
// of the game's own connections, to the X server or to the session bus, and lapses when that
// connection closes, so nothing of it outlives the game, however the game ends.
#include <cstdint>
#include <vector>

typedef struct _XDisplay Display;

// Names the window of the current GL context res_name "torvinel", res_class "Torvinel", and, when
// `icon` holds any picture (the layout of LoadWindowIcon), gives it that icon. A window manager
// that has already taken the window is given it again, so that it reads the name (a few ms).
void NameGameWindow(const std::vector<std::uint32_t>& icon);

// Keeps the X screensaver and display power-off from starting for as long as `display` stays
// connected. False, and nothing asked, when the server lacks the means (MIT-SCREEN-SAVER 1.1).
bool SuspendScreenSaver(Display* display);

// Asks the session's screensaver (org.freedesktop.ScreenSaver, which desktops that idle on their
// own implement) not to blank the screen while the game's bus connection stays open. Only an
// existing session bus is used, never one started for the game. False, silently, without one.
bool InhibitSessionScreenSaver();

// Both of the above, for the X connection of the current GL context.
void KeepScreenAwake();

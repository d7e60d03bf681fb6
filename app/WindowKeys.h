#pragma once
// The keys that are not play: the sound levels and mute, full screen or a window, and the pause
// that the window losing the keyboard presses. They work in every scene and during playback, and
// what they set is kept in the player's settings.
#include <string>

// At start-up, before the window: reads the settings kept beside the ranking (or in the player's
// config folder) and sets the sound levels. With `keep` false (a demo played back, a --size run)
// the settings are used but never written.
void StartPlayerSettings(const std::string& rankingPath, bool keep);

// Whether the game starts full screen: the full-screen executable as the player last left it, the
// windowed one never. And the window's size when it is not full screen.
bool StartsFullScreen(bool fullScreenExecutable);
void KeptWindowSize(int& width, int& height);

// Where a window goes and how large it is.
struct WindowPlace {
    int x = 0, y = 0, width = 0, height = 0;
};

// The window coming back from full screen: its size as it was, never below 512 x 512, and its
// place as it was, moved in only as far as it takes to keep its top left corner on the screen.
WindowPlace RestoredPlace(const WindowPlace& kept, int screenWidth, int screenHeight);

// The place a game started full screen comes back to: its kept size, centred.
WindowPlace CentredPlace(int width, int height, int screenWidth, int screenHeight);

// The window's key callbacks: F11 and Alt+Enter switch full screen; -, =, 9, 0 and m change the
// sound; every other key goes on to the key state the scenes read.
void OnWindowKeyDown(unsigned char key, int x, int y);
void OnWindowSpecialKeyDown(int key, int x, int y);

void ToggleFullScreen();

// The window's size after a reshape; kept while it is not full screen.
void NoteWindowSize(int width, int height);

// Once a tick: whether the window still has the keyboard. Asked every tick while a key is down
// (so the keys held are let go when it leaves), otherwise every kFocusPollTicks; when the keyboard
// has gone, the key state gets a focus-lost press, which pauses a game.
inline constexpr int kFocusPollTicks = 15;
bool FocusPollDue(long tick, bool keyDown);
void WatchKeyboardFocus();

// The sound overlay: counted down once a tick, drawn over the scene.
void StepLevelOverlay();
void DrawLevelOverlay();

// At exit: writes the settings if the player changed any.
void SaveSettingsAtExit();

#include "app/WindowKeys.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cstdlib>

#include "app/App.h"
#include "app/Globals.h"
#include "input/Input.h"
#include "app/Settings.h"
#include "platform/KeyboardFocus.h"
#include "render/DrawingArea.h"
#include "scenes/LevelOverlay.h"

namespace {

std::string settingsPath;
bool keepSettings = false;
Settings settings, onDisk;
WindowPlace keptPlace;
LevelOverlay overlay;

}  // namespace

void StartPlayerSettings(const std::string& rankingPath, bool keep) {
    settingsPath = SettingsPath(rankingPath, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    keepSettings = keep;
    settings = onDisk = LoadSettings(settingsPath);
    SetSoundLevels(settings.sound);
}

bool StartsFullScreen(bool fullScreenExecutable) { return fullScreenExecutable && settings.fullScreen; }

void KeptWindowSize(int& width, int& height) {
    width = settings.width;
    height = settings.height;
}

WindowPlace RestoredPlace(const WindowPlace& kept, int screenWidth, int screenHeight) {
    const WindowSize size = ClampWindowSize(kept.width, kept.height);
    WindowPlace place{kept.x, kept.y, size.width, size.height};
    place.x = std::clamp(place.x, 0, std::max(0, screenWidth - place.width));
    place.y = std::clamp(place.y, 0, std::max(0, screenHeight - place.height));
    return place;
}

WindowPlace CentredPlace(int width, int height, int screenWidth, int screenHeight) {
    return RestoredPlace({(screenWidth - width) / 2, (screenHeight - height) / 2, width, height}, screenWidth,
                         screenHeight);
}

void ToggleFullScreen() {
    const int screenW = glutGet(GLUT_SCREEN_WIDTH), screenH = glutGet(GLUT_SCREEN_HEIGHT);
    if (!fullScreenMode) {
        keptPlace = {glutGet(GLUT_WINDOW_X), glutGet(GLUT_WINDOW_Y), windowWidth, windowHeight};
        glutFullScreen();
    } else {
        // A game started full screen has never had a place of its own: its kept size, centred.
        if (keptPlace.width == 0) keptPlace = CentredPlace(settings.width, settings.height, screenW, screenH);
        const WindowPlace place = RestoredPlace(keptPlace, screenW, screenH);
        glutLeaveFullScreen();
        glutPositionWindow(place.x, place.y);
        glutReshapeWindow(place.width, place.height);
    }
    fullScreenMode = !fullScreenMode;
    settings.fullScreen = fullScreenMode;
}

void OnWindowKeyDown(unsigned char key, int x, int y) {
    if (key == kPauseKey && (glutGetModifiers() & GLUT_ACTIVE_ALT) != 0) {
        ToggleFullScreen();
        return;
    }
    const SoundKey sound = SoundKeyOf(key);
    if (sound != SoundKey::None) {
        settings.sound = AdjustLevels(settings.sound, sound);
        SetSoundLevels(settings.sound);
        ShowLevel(overlay, sound, settings.sound);
        return;
    }
    if (key == kFocusLostKey) return;  // only the window's focus presses it
    OnKeyDown(key, x, y);
}

void OnWindowSpecialKeyDown(int key, int x, int y) {
    if (key == GLUT_KEY_F11) {
        ToggleFullScreen();
        return;
    }
    OnSpecialKeyDown(key, x, y);
}

void NoteWindowSize(int width, int height) {
    if (fullScreenMode) return;
    settings.width = width;
    settings.height = height;
}

bool FocusPollDue(long tick, bool keyDown) { return keyDown || tick % kFocusPollTicks == 0; }

void WatchKeyboardFocus() {
    static long tick = 0;
    static bool had = true;
    const bool keyDown = AnyDown(KeyboardKeys());
    if (!FocusPollDue(tick++, keyDown)) return;
    const bool has = GameWindowHasKeyboard();
    if (keyDown && !has) ReleaseAllKeys();
    if (had && !has) KeyPresses().keys[kFocusLostKey] = 1;
    had = has;
}

void StepLevelOverlay() { StepOverlay(overlay); }

void DrawLevelOverlay() { DrawOverlay(overlay); }

void SaveSettingsAtExit() {
    if (keepSettings) SaveSettingsIfChanged(settingsPath, settings, onDisk);
}

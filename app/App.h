#pragma once
// Program entry, window and the GLUT callbacks that drive the game.

// Runs the game. Returns 0 after --help or --version, 2 for an unknown option, 1 when the game's
// files or the X display cannot be found, -1 when GLEW cannot be initialised; when a recording's
// window is closed, 0, or 1 if the demo could not be saved whole; otherwise never returns.
int RunGame(int argc, char** argv, bool fullScreen);

// Starts the music (unless asked to stay silent), makes the shared context and the first title
// scene, and runs its Init.
void StartScenes(bool music = true);

// One tick: run by the idle rest once 16 ms have passed since the previous one (the value is not
// used).
void OnTimer(int value);
void OnDisplay();

// The window's input: handed to the key state (input/), which the tick reads.
void OnKeyDown(unsigned char key, int x, int y);
void OnKeyUp(unsigned char key, int x, int y);
void OnSpecialKeyDown(int key, int x, int y);
void OnSpecialKeyUp(int key, int x, int y);
void OnMouse(int button, int state, int x, int y);
void OnMouseMove(int x, int y);

// Once a tick: polls the joystick into its record and slots and moves the mouse buttons' history.
void PollJoystickAndMouse();

void OnReshape(int width, int height);

// The GL state the game sets once, at start-up: blending, depth, the light and the fog.
void SetGameGlState();

// Draws at width x height from now on: the projection, the viewport, the camera and the
// drawing area's size (the sprites' layout), with no floor, for a window or a video.
void SetDrawingSize(int width, int height);
void OnExit();

struct WindowSize {
    int width;
    int height;
    bool raised;  // true when either side was below the 512-pixel floor
};

// The size a window may have: each side at least 512 pixels.
WindowSize ClampWindowSize(int width, int height);

#pragma once
// Window and desktop sizes shared by the drawing code.

extern int windowWidth;   // drawing area in pixels; at least 512 after any reshape
extern int windowHeight;
extern int screenWidth;   // desktop size measured at start-up; only scales the mouse
extern int screenHeight;
extern bool fullScreenMode;  // true in the full-screen executable, false in the windowed one

#pragma once
// The desktop as the app found it at start-up; only the mouse's scaling reads it.

extern int screenWidth;   // desktop size measured at start-up
extern int screenHeight;
extern bool fullScreenMode;  // true in the full-screen executable, false in the windowed one

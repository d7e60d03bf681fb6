#pragma once
// The desktop as the app found it at start-up; only the mouse's scaling reads it.

extern int screenWidth;   // desktop size measured at start-up
extern int screenHeight;
extern bool fullScreenMode;  // true while the window is full screen (F11 and Alt+Enter switch it)

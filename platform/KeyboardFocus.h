#pragma once
// Whether the game's window still gets the keyboard. GLUT tells nothing when the focus moves to
// another window, and the releases of keys held at that moment go there instead.

// Asks the X server about the window whose GL context is current (one round trip, more only when
// the focus sits on a window above it). True when the keyboard may reach the window, including
// when the server sends keys to whichever window holds the pointer, and whenever it cannot tell.
bool GameWindowHasKeyboard();

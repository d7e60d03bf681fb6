#pragma once
// True while an OpenGL context is current on this thread; GL calls at exit are skipped without one.
bool GlContextCurrent();

// True when the X display named by DISPLAY can be opened. Asked before GLUT starts, which would
// otherwise end the program with a message of its own. The connection stays open until
// CloseDisplayCheck, called once GLUT has its own: a server that resets when its last client
// leaves (Xvfb does) would otherwise be resetting just as GLUT connects, and refuse it.
bool OpenDisplayCheck();
void CloseDisplayCheck();

// Lets the buffer swap return without waiting for the screen's refresh, where the driver allows
// it, so a timedemo measures the game rather than the monitor.
void SwapWithoutWaiting();

#pragma once
// True while an OpenGL context is current on this thread; GL calls at exit are skipped without one.
bool GlContextCurrent();

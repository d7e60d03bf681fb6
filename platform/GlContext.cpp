#include "platform/GlContext.h"

#include <GL/glx.h>

namespace {
Display* checkConnection = nullptr;
}  // namespace

bool GlContextCurrent() { return glXGetCurrentContext() != nullptr; }

bool OpenDisplayCheck() {
    if (checkConnection == nullptr) checkConnection = XOpenDisplay(nullptr);
    return checkConnection != nullptr;
}

void CloseDisplayCheck() {
    if (checkConnection != nullptr) XCloseDisplay(checkConnection);
    checkConnection = nullptr;
}

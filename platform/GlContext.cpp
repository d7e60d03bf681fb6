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

void SwapWithoutWaiting() {
    using MesaInterval = int (*)(unsigned);
    using ExtInterval = void (*)(Display*, GLXDrawable, int);
    if (auto mesa = reinterpret_cast<MesaInterval>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")))) {
        mesa(0);
    } else if (auto ext = reinterpret_cast<ExtInterval>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")))) {
        if (glXGetCurrentDisplay() != nullptr) ext(glXGetCurrentDisplay(), glXGetCurrentDrawable(), 0);
    }
}

#include "platform/GlContext.h"

#include <GL/glx.h>

bool GlContextCurrent() { return glXGetCurrentContext() != nullptr; }

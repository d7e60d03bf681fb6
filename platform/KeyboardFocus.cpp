#include "platform/KeyboardFocus.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

namespace {

// True when `ancestor` is `window` or holds it, walking up the window tree to the root.
bool Encloses(Display* display, Window ancestor, Window window) {
    while (window != None) {
        if (window == ancestor) return true;
        Window root = None, parent = None, *children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return false;
        if (children != nullptr) XFree(children);
        if (window == root) return false;
        window = parent;
    }
    return false;
}

}  // namespace

bool GameWindowHasKeyboard() {
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable game = glXGetCurrentDrawable();
    if (display == nullptr || game == None) return true;
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    if (focus == None) return false;  // keys go nowhere
    // PointerRoot: keys go to the window under the pointer, which may well be ours. A frame a
    // window manager put around ours passes them on to it.
    return focus == PointerRoot || Encloses(display, focus, game);
}

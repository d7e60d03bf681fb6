// The game asks the X server whether its window still gets the keyboard; while it does not, the
// game controllers press nothing either.
#include <gtest/gtest.h>

#include "GlTestContext.h"  // GLEW before any other GL header

#include <GL/glx.h>

#include "VirtualPad.h"
#include "platform/KeyboardFocus.h"
#include "platform/Pad.h"

TEST(KeyboardFocus, OnlyAFocusElsewhereCountsAsLost) {
    gltest::ClearFrame();
    Display* x = glXGetCurrentDisplay();
    const Window game = glXGetCurrentDrawable(), root = DefaultRootWindow(x);
    const Window other = XCreateSimpleWindow(x, root, 0, 0, 8, 8, 0, 0, 0);  // another program's
    XMapWindow(x, other);
    testsupport::VirtualPad pad;
    pad.Press(SDL_CONTROLLER_BUTTON_A);
    KeySet keys{};
    // On the root or PointerRoot the keys go to the window under the pointer, maybe ours.
    for (const Window focus : {game, other, Window(None), root, Window(PointerRoot)}) {
        XSync(x, False);
        XSetInputFocus(x, focus, RevertToNone, CurrentTime);
        EXPECT_EQ(GameWindowHasKeyboard(), focus != other && focus != None) << focus;
        PollPads(keys);
        EXPECT_EQ(keys.keys[' '], focus != other && focus != None) << focus;
    }
}

// A key's release lets go of what its press set, whatever modifiers changed in between; losing
// the keyboard lets go of everything.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstring>

#include "app/Input.h"

TEST(KeyRelease, ModifiersChangedWhileAKeyIsDownDoNotKeepItDown) {
    // Press and release as they arrive: d, then Shift, then d let go; Shift+d with Shift let go
    // first; a, then Ctrl; Ctrl+d with Ctrl let go first; space.
    const unsigned char cases[][2] = {{'d', 'D'}, {'D', 'd'}, {'a', 1}, {4, 'd'}, {' ', ' '}};
    for (const auto& c : cases) {
        std::memset(&Input(), 0, sizeof(InputState));
        OnKeyDown(c[0], 0, 0);
        EXPECT_EQ(Input().keys[c[0]], 1);  // a shifted press still sets the shifted byte
        OnKeyUp(c[1], 0, 0);
        EXPECT_FALSE(AnyKeyDown()) << c[0];
    }
    OnKeyDown('1', 0, 0);  // other keys are only themselves: 1 and ! stay apart
    OnKeyUp('!', 0, 0);
    EXPECT_EQ(Input().keys['1'], 1);
    OnSpecialKeyDown(GLUT_KEY_LEFT, 0, 0);
    ReleaseAllKeys();
    EXPECT_FALSE(AnyKeyDown());
}

#pragma once
// The drawing area's size in pixels, which the sprites and the camera are laid out against. The
// app sets it from the window at start-up and at every reshape; at least 512 each way after one.
extern int windowWidth;
extern int windowHeight;

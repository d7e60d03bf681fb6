#include "render/DrawingArea.h"

int windowWidth = 1280;
int windowHeight = 720;

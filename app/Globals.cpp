#include "app/Globals.h"

int windowWidth = 1280;
int windowHeight = 720;
int screenWidth = 1;
int screenHeight = 1;
bool fullScreenMode = false;

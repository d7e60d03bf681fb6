#include "app/Globals.h"

int screenWidth = 1;
int screenHeight = 1;
bool fullScreenMode = false;

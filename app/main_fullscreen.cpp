#include "app/App.h"

int main(int argc, char** argv) { return RunGame(argc, argv, true); }

#pragma once
// Starts one of SDL's parts (joysticks, game controllers, sound). Left to itself SDL would take
// over SIGINT and SIGTERM, and the game could no longer be stopped, so every part starts through
// here. True when the part runs.
bool StartSdlPart(unsigned int flags);

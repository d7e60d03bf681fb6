#pragma once
#include <string>

// Writes a problem to stderr, in one of the game's lines (Say), the first time it happens. The title reloads every resource on
// each visit; a missing file is worth one line, not one per round.
void ReportOnce(const std::string& message);

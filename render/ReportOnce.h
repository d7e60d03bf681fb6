#pragma once
#include <string>

// Writes a problem to stderr the first time it happens. The title reloads every resource on
// each visit; a missing file is worth one line, not one per round.
void ReportOnce(const std::string& message);

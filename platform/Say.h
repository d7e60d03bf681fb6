#pragma once
// The game's lines on stderr. Every one starts with the same prefix, whichever executable prints
// it, so a player or a script can tell them from what the libraries print.

inline constexpr const char* kSayPrefix = "torvinel: ";

// Prints kSayPrefix, then the text as printf formats it (ending in its own line break).
void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));

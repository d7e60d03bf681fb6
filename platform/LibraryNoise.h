#pragma once
// Some libraries print their own warnings on stderr (libpng, libjpeg, libmpg123, OpenCV's
// decoders). The game says what went wrong in one line of its own; their words go into that line
// or nowhere.
#include <functional>
#include <string>

// Runs `work` with the process's stderr sent to a scratch file and returns what was written there
// meanwhile (at most 4 KiB). If no scratch file can be made, `work` runs with stderr as it is.
std::string CaptureStderr(const std::function<void()>& work);

// A compiler log or a library's words folded onto one line: line breaks become "; ", the ends are
// trimmed and nothing after a zero byte is kept.
std::string OneLineLog(const std::string& log);

// `reason`, then what a library said, folded onto one line and cut to 200 characters:
// "reason: its words", or `reason` alone when it said nothing.
std::string WithLibraryWords(const std::string& reason, const std::string& said);

#include "platform/Say.h"

#include <cstdarg>
#include <cstdio>

void Say(const char* format, ...) {
    char line[4096];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    // One write, so that a line is never split by another thread's.
    std::fprintf(stderr, "%s%s", kSayPrefix, line);
}

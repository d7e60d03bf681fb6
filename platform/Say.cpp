#include "platform/Say.h"

#include <cstdarg>
#include <cstdio>
#include <string>

void Say(const char* format, ...) {
    va_list arguments, again;
    va_start(arguments, format);
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    std::string line(kSayPrefix);
    if (length > 0) {
        const std::size_t start = line.size();
        line.resize(start + static_cast<std::size_t>(length) + 1);
        std::vsnprintf(&line[start], static_cast<std::size_t>(length) + 1, format, again);
        line.pop_back();
    }
    va_end(again);
    // One write, so that a line is never split by another thread's.
    std::fputs(line.c_str(), stderr);
}

#include "platform/Rest.h"

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <poll.h>

#include "platform/Clock.h"

bool RestUntilInput(std::uint32_t deadline) {
    Display* display = glXGetCurrentDisplay();
    // Events already read off the connection (a buffer swap or a focus query may have read them)
    // would never wake the poll below.
    if (display != nullptr && XEventsQueued(display, QueuedAlready) > 0) return true;
    const std::int64_t ns = NanosecondsUntil(deadline);
    if (ns <= 0) return false;
    if (display == nullptr) {
        SleepUntilMs(deadline);
        return false;
    }
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    const timespec timeout{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    // An interruption counts as input: the caller looks again at what is due.
    return ppoll(&connection, 1, &timeout, nullptr) != 0;
}

#include "platform/Desktop.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/scrnsaver.h>
#include <dbus/dbus.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "platform/Clock.h"

namespace {

// Whether a window manager holds the window: ICCCM's WM_STATE is there and says Normal or Iconic.
// A manager lets go of a window by taking the property away or by setting it to Withdrawn (0).
bool HeldByManager(Display* display, Window window, Atom wmState) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, window, wmState, 0, 1, False, wmState, &type, &format, &items, &after, &data);
    const bool held = type == wmState && format == 32 && items == 1 && *reinterpret_cast<long*>(data) != WithdrawnState;
    if (data != nullptr) XFree(data);
    return held;
}

bool Viewable(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) != 0 && attributes.map_state == IsViewable;
}

// Asks the server until `done` holds, for at most `limitMs`. A busy manager may take a while; one
// that never answers holds the start up by the limit only.
template <typename Done>
void WaitFor(Done done, std::uint32_t limitMs) {
    const std::uint32_t start = MonotonicMs();
    while (!done() && MonotonicMs() - start < limitMs) SleepUntilMs(MonotonicMs() + 1);
}

// GLUT shows the window, and waits until it is shown, before handing it over; by then a window
// manager has taken it, and some (openbox among them) read the class only when they take a
// window. Handed back and shown again, it is taken anew, with its name and icon. Shown again only
// once the manager has let go (one that gets the window back while it still holds it may take
// that for a request to raise it, and then lose the window), and returned only once it is shown,
// as GLUT returned it.
void ShowAnew(Display* display, Window window) {
    const Atom wmState = XInternAtom(display, "WM_STATE", True);
    if (wmState == None || !HeldByManager(display, window, wmState)) return;  // no manager holds it
    XWithdrawWindow(display, window, DefaultScreen(display));
    WaitFor([&] { return !HeldByManager(display, window, wmState); }, 5000);
    XMapWindow(display, window);
    WaitFor([&] { return Viewable(display, window); }, 5000);
}

}  // namespace

void NameGameWindow(const std::vector<std::uint32_t>& icon) {
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable window = glXGetCurrentDrawable();
    if (display == nullptr || window == None) return;
    char name[] = "torvinel", kind[] = "Torvinel";
    XClassHint hint{name, kind};
    XSetClassHint(display, window, &hint);
    if (!icon.empty()) {
        // Xlib takes the items of a 32-bit property as longs, whatever the size of a long.
        const std::vector<unsigned long> items(icon.begin(), icon.end());
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(items.data()),
                        static_cast<int>(items.size()));
    }
    ShowAnew(display, window);
    XFlush(display);
}

bool SuspendScreenSaver(Display* display) {
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (display == nullptr || !XScreenSaverQueryExtension(display, &eventBase, &errorBase) ||
        !XScreenSaverQueryVersion(display, &major, &minor) || major < 1 || (major == 1 && minor < 1)) {
        return false;
    }
    XScreenSaverSuspend(display, True);
    XFlush(display);
    return true;
}

namespace {

// The session's bus as the session announces it, or its usual socket; empty when there is none.
// Left to itself, libdbus would start a bus of its own for a session without one.
std::string SessionBusAddress() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr && address[0] != '\0') return address;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/') return std::string();
    const std::string socket = std::string(runtime) + "/bus";
    struct stat info {};
    if (::stat(socket.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) return std::string();
    char* escaped = dbus_address_escape_value(socket.c_str());
    const std::string result = escaped != nullptr ? "unix:path=" + std::string(escaped) : std::string();
    dbus_free(escaped);
    return result;
}

}  // namespace

bool InhibitSessionScreenSaver() {
    const std::string address = SessionBusAddress();
    if (address.empty()) return false;
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* bus = dbus_connection_open_private(address.c_str(), &error);
    if (bus == nullptr || !dbus_bus_register(bus, &error)) {
        dbus_error_free(&error);
        if (bus != nullptr) {
            dbus_connection_close(bus);
            dbus_connection_unref(bus);
        }
        return false;
    }
    DBusMessage* call = dbus_message_new_method_call("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                                     "org.freedesktop.ScreenSaver", "Inhibit");
    const char* application = "Torvinel";
    const char* reason = "Playing a game";
    const bool sent = call != nullptr &&
                      dbus_message_append_args(call, DBUS_TYPE_STRING, &application, DBUS_TYPE_STRING, &reason,
                                               DBUS_TYPE_INVALID) &&
                      dbus_connection_send(bus, call, nullptr);
    if (call != nullptr) dbus_message_unref(call);
    if (!sent) {
        dbus_connection_close(bus);
        dbus_connection_unref(bus);
        return false;
    }
    // No wait for the answer: the inhibition needs no cookie, since it is never lifted by hand. The
    // connection stays open, unread, until the game ends; closing it lifts the inhibition.
    dbus_connection_flush(bus);
    return true;
}

void KeepScreenAwake() {
    SuspendScreenSaver(glXGetCurrentDisplay());
    InhibitSessionScreenSaver();
}

#!/usr/bin/env bash
# The shell from the outside: the window and its 512-pixel floor, the frame-rate line, the full-screen
# window, and leaving: a tap of Escape does nothing, a held one ends the game with status 0 (here
# from a game; cycle.sh leaves from the title, bad_files.sh from the ranking), and so does the
# window's close button. On the desktop: both windows carry the game's class and icon, the game asks
# the session bus to hold off the screensaver until it ends, and a window manager (openbox) takes
# the full-screen window by its class and still shows it over the whole screen.
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/look.bash"

e2e_start_x 1600 1000
data=$(e2e_data_copy)
cd "$data"

quits_cleanly() {
  e2e_wait_exit "$pid" 10
  check "$1: the game ends with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0
  check "$1: nothing on stderr" test ! -s "$2"
  [ -s "$2" ] && sed 's/^/  stderr: /' "$2"
}

size() { xdotool getwindowgeometry --shell "$1" | awk -F= '/WIDTH|HEIGHT/ { printf "%s", (n++ ? "x" : "") $2 }'; }
# Waits up to five seconds for window $1 to take the size $2, and prints the size it has.
size_becomes() {
  local got _
  for _ in $(seq 1 50); do got=$(size "$1"); [ "$got" = "$2" ] && break; sleep 0.1; done
  echo "$got"
}

# What docks, switchers and title bars read: the sizes of the icon and the class, both given together.
names_itself() {
  local icons
  icons=$(e2e_window_icons "$2")
  check "$1: _NET_WM_ICON holds the icon at 48, 64 and 128 pixels (got '$icons')" test "$icons" = "48x48 64x64 128x128"
  check "$1: WM_CLASS is torvinel, Torvinel" test "$(xprop -id "$2" WM_CLASS)" = 'WM_CLASS(STRING) = "torvinel", "Torvinel"'
}

# A session bus of the test's own, its screensaver calls watched.
read -r bus buspid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 | paste -sd' ')
E2E_PIDS+=("$buspid")
export DBUS_SESSION_BUS_ADDRESS="$bus"
dbus-monitor "interface='org.freedesktop.ScreenSaver'" >"$E2E_WORK/bus.txt" 2>&1 &
E2E_PIDS+=("$!")
e2e_wait_for_text "$E2E_WORK/bus.txt" 5 NameLost

# Windowed: a frame-rate line, 1280x720, never narrower than 512. Its profile log
# names each scene it switches to.
TORVINEL_PROFILE="$E2E_WORK/profile.log" e2e_launch "$E2E_BUILD/torvinel-windowed" "$E2E_WORK/out.txt" "$E2E_WORK/err.txt"
check "windowed game prints a frame-rate line" e2e_wait_for_text "$E2E_WORK/out.txt" "$E2E_WAIT" "fps:"
win=$(e2e_wait_window "$pid") || fail "window appeared"
if [ -n "${win:-}" ]; then
  got=$(size "$win")
  check "windowed game opens at 1280x720 (got $got)" test "$got" = 1280x720
  names_itself windowed "$win"
  check "the game asks the session's screensaver to stay off" \
    test "$(grep -A1 'ScreenSaver; member=Inhibit' "$E2E_WORK/bus.txt" | tail -n 1)" = '   string "Torvinel"'
  caller=$(grep -o 'sender=[^ ]* -> destination=org.freedesktop.ScreenSaver' "$E2E_WORK/bus.txt" | sed 's/sender=//; s/ .*//')
  xdotool windowsize "$win" 400 800
  got=$(size_becomes "$win" 512x800)
  check "a resize to 400x800 is raised to 512x800 (got $got)" test "$got" = 512x800
  xdotool windowfocus "$win"
  mark=$(e2e_state_mark)
  e2e_quick_tap Escape
  e2e_wait_state "" "[ \$(e2e_since $mark 'k ~ /,escape,/') -ge 1 ]" && e2e_wait_ticks 5
  check "a tap of Escape leaves the game running" kill -0 "$pid"
  e2e_tap space
  check "Space starts a game" e2e_wait_for_text "$E2E_WORK/profile.log" "$E2E_WAIT" "GameScene"
  e2e_hold Escape 0.3
  quits_cleanly "Escape held in a game" "$E2E_WORK/err.txt"
  check "and the request lapses with it: its bus connection (${caller:-none}) is gone" test "$(dbus-send \
    --print-reply=literal --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner "string:$caller")" = "   boolean false"
fi

# Full screen: the window covers the whole screen; its close button ends the game.
e2e_launch "$E2E_BUILD/torvinel" "$E2E_WORK/out2.txt" "$E2E_WORK/err2.txt"
win=$(e2e_wait_window "$pid") || fail "full-screen window appeared"
if [ -n "${win:-}" ]; then
  e2e_wait_for_text "$E2E_WORK/out2.txt" "$E2E_WAIT" "fps:"
  eval "$(xdotool getwindowgeometry --shell "$win")"
  check "full-screen window covers 1600x1000 at 0,0 (got ${WIDTH}x${HEIGHT} at $X,$Y)" \
    test "$WIDTH" = 1600 -a "$HEIGHT" = 1000 -a "$X" = 0 -a "$Y" = 0
  names_itself full-screen "$win"
  tool=$(e2e_close_tool) || fail "close-button helper built"
  "$tool" "$win"
  quits_cleanly "the window's close button" "$E2E_WORK/err2.txt"
fi

# Under a window manager, which reads the class when it takes the window.
check "openbox runs and offers full screen" e2e_start_openbox
e2e_launch "$E2E_BUILD/torvinel" "$E2E_WORK/out3.txt" "$E2E_WORK/err3.txt"
win=$(e2e_wait_window "$pid") || fail "full-screen window appeared under openbox"
if [ -n "${win:-}" ]; then
  e2e_wait_for_text "$E2E_WORK/out3.txt" "$E2E_WAIT" "fps:"
  # Openbox takes the window and makes it full screen in its own time.
  full_screen() { xprop -id "$win" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN; }
  e2e_until "" full_screen
  check "openbox took the window as Torvinel" test "$(xprop -id "$win" _OB_APP_CLASS)" = '_OB_APP_CLASS(UTF8_STRING) = "Torvinel"'
  eval "$(xdotool getwindowgeometry --shell "$win")"
  check "and shows it full screen over 1600x1000 at 0,0 (got ${WIDTH}x${HEIGHT} at $X,$Y)" \
    test "$WIDTH" = 1600 -a "$HEIGHT" = 1000 -a "$X" = 0 -a "$Y" = 0 -a \
    -n "$(xprop -id "$win" _NET_WM_STATE | grep _NET_WM_STATE_FULLSCREEN)"
  xdotool windowfocus --sync "$win"
  e2e_hold Escape 0.3
  quits_cleanly "under openbox, Escape held" "$E2E_WORK/err3.txt"
fi

e2e_finish

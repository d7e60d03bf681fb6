#!/usr/bin/env bash
# The ranking's save on a slow disk: copies of the game share one ranking, every fsync is held for
# SYNC_MS by strace, and the players end their games with p at the same moment. Prints the longest
# tick of each copy from the moment p is pressed, whether every score reached the file, how long
# leaving takes while a save is still under way, and, when three copies leave at once, how long
# each takes to go, what waits beside the ranking and what the next start merges. Figures only; it
# judges nothing. Each copy plays on its own Xvfb, windowed at 1280x720.
#   bench/slow-save.sh BUILD_DIR [SYNC_MS=2500] [WATCH_SECONDS=15]
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/e2e/lib/common.bash"
SYNC_MS="${2:-2500}"
WATCH_SECONDS="${3:-15}"
game="$(cd "$E2E_BUILD" && pwd)/torvinel-windowed"
E2E_ARTIFACTS=$(cd "$E2E_ARTIFACTS" && pwd)
command -v strace >/dev/null || { echo "strace is needed (apt-get install strace)" >&2; exit 1; }

data=$(e2e_data_copy slow)
cd "$data"
# Every place below zero, so that every game of this run enters, even one that scored 0.
printf -- '-1 -2 -3 -4 -5 -6 -7 -8 ' >res/ranking.dat

e2e_start_x 1280 720
displays=("$DISPLAY")
E2E_PIDS+=("$E2E_XPID")  # the helper stops only the last X server it started
e2e_start_x 1280 720
displays+=("$DISPLAY")

# Launches copy $1 on its display under strace, logging its profile to $E2E_WORK/copy-$1.log.
launch() {
  local n="$1"
  DISPLAY="${displays[$n]}" TORVINEL_PROFILE="$E2E_WORK/copy-$n.log" \
    strace -f -qq --seccomp-bpf -o /dev/null -e trace=fsync -e inject=fsync:delay_enter=$((SYNC_MS * 1000)) \
    "$game" >"$E2E_WORK/out-$n.txt" 2>"$E2E_WORK/err-$n.txt" &
  pids[$n]=$!
  E2E_PIDS+=("$!")
  DISPLAY="${displays[$n]}" e2e_wait_window >/dev/null || { echo "copy $n: no window" >&2; cat "$E2E_WORK/err-$n.txt" >&2; exit 1; }
  E2E_PIDS+=($(pgrep -P "${pids[$n]}"))  # the game itself, strace's child
}

# Waits up to $3 seconds until copy $1's log shows a switch to scene $2.
wait_switch() {
  local log="$E2E_WORK/copy-$1.log" i
  for i in $(seq 1 $(($3 * 20))); do
    grep -q "^switch .* $2\$" "$log" 2>/dev/null && return 0
    sleep 0.05
  done
  return 1
}

# Sends xdotool $2... to copy $1's display.
to() { local n="$1"; shift; DISPLAY="${displays[$n]}" xdotool "$@"; }

# Longest Update and longest tick period (start to start) in copy $1's log, from its game's start
# to its exit (the log is complete only once the game has ended), and where the longest period
# fell, counted in ticks from the switch to the ranking. The log is kept among the artifacts.
longest_ticks() {
  cp "$E2E_WORK/copy-$1.log" "$E2E_ARTIFACTS/slow-save-copy-$1.log"
  awk '/^switch .* GameScene$/ { on = 1 } /^switch .* RankingScene$/ { ranking = $2 } !on || !/^tick / { next }
    { if ($5 > upd) upd = $5; if (prev && $3 - prev > per) { per = $3 - prev; at = $2 - 1 } prev = $3; n++ }
    END { printf "%d ticks, longest Update %.1f ms, longest tick period %.1f ms (tick %+d from the switch to the ranking)",
      n, upd, per, at - ranking }' "$E2E_WORK/copy-$1.log"
}

# Presses key $1 on copies $2... together.
press() {
  local key="$1" n
  shift
  for n in "$@"; do to "$n" keydown "$key"; done
  sleep 0.15
  for n in "$@"; do to "$n" keyup "$key"; done
}

# How many of the ranking file's places hold a score of this run (the file starts all below 0).
kept() { awk '{ for (i = 1; i <= NF; i++) n += $i >= 0 } END { print n + 0 }' res/ranking.dat; }

echo "== Two copies ending games together, every fsync held $SYNC_MS ms"
pids=()
launch 0
launch 1
press space 0 1
for n in 0 1; do wait_switch "$n" GameScene 10 || { echo "copy $n: no game" >&2; exit 1; }; done
sleep 1
press p 0 1
for n in 0 1; do wait_switch "$n" RankingScene 10 || echo "copy $n: no ranking"; done
sleep "$WATCH_SECONDS"
echo "ranking file after ${WATCH_SECONDS} s: $(cat res/ranking.dat) ($(kept) of the 2 scores kept)"
for n in 0 1; do to "$n" keydown Escape; done
sleep 0.3
for n in 0 1; do to "$n" keyup Escape; e2e_wait_exit "${pids[$n]}" 20 || kill "${pids[$n]}"; done
for n in 0 1; do echo "copy $n: $(longest_ticks "$n")"; done
for n in 0 1; do grep -v "^strace: " "$E2E_WORK/err-$n.txt" | sed "s/^/copy $n stderr: /"; done

echo
echo "== Leaving (Escape held) right after a game ends, every fsync held $SYNC_MS ms"
printf -- '-1 -2 -3 -4 -5 -6 -7 -8 ' >res/ranking.dat
launch 0
press space 0
wait_switch 0 GameScene 10 || { echo "no game" >&2; exit 1; }
sleep 0.5
press p 0
wait_switch 0 RankingScene 10 || echo "no ranking"
start=$EPOCHREALTIME
to 0 keydown Escape
e2e_wait_exit "${pids[0]}" 30 || kill "${pids[0]}"
to 0 keyup Escape
awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { printf "from Escape to the end of the process: %.1f s\n", e - s }'
echo "ranking file: $(cat res/ranking.dat) ($(kept) of the 1 score kept)"
grep -v "^strace: " "$E2E_WORK/err-0.txt" | sed "s/^/stderr: /"

echo
echo "== Three copies ending games together and leaving at once (Escape held), every fsync held $SYNC_MS ms"
printf -- '-1 -2 -3 -4 -5 -6 -7 -8 ' >res/ranking.dat
E2E_PIDS+=("$E2E_XPID")
e2e_start_x 1280 720
displays+=("$DISPLAY")
pids=()
for n in 0 1 2; do launch "$n"; done
press space 0 1 2
for n in 0 1 2; do wait_switch "$n" GameScene 10 || { echo "copy $n: no game" >&2; exit 1; }; done
sleep 0.5
press p 0 1 2
for n in 0 1 2; do wait_switch "$n" RankingScene 10 || echo "copy $n: no ranking"; done
start=$EPOCHREALTIME
for n in 0 1 2; do to "$n" keydown Escape; done
gone=()
while [ "${#gone[@]}" -lt 3 ] && awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { exit !(e - s < 60) }'; do
  for n in 0 1 2; do
    [ -z "${gone[$n]:-}" ] && ! kill -0 "${pids[$n]}" 2>/dev/null && gone[$n]=$EPOCHREALTIME
  done
  sleep 0.05
done
for n in 0 1 2; do
  to "$n" keyup Escape
  awk -v n="$n" -v s="$start" -v e="${gone[$n]:-}" \
    'BEGIN { if (e == "") print "copy " n ": still running after 60 s"; else printf "copy %d: from Escape to the end of the process: %.1f s\n", n, e - s }'
done
echo "ranking file once all three are gone: $(cat res/ranking.dat) ($(kept) of the 3 scores in it)"
echo "beside it: $(cd res && ls -d ranking.dat.* 2>/dev/null | tr '\n' ' ')"
for n in 0 1 2; do grep -v "^strace: " "$E2E_WORK/err-$n.txt" | sed "s/^/copy $n stderr: /"; done
echo "-- the next start of one copy"
start=$EPOCHREALTIME
launch 0
e2e_wait_for_text "$E2E_WORK/err-0.txt" 60 "merged" || echo "no merge line within 60 s"
awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { printf "from its start to the merge line: %.1f s\n", e - s }'
echo "ranking file: $(cat res/ranking.dat) ($(kept) of the 3 scores in it); beside it: $(cd res && ls -d ranking.dat.* 2>/dev/null | tr '\n' ' ')"
grep -v "^strace: " "$E2E_WORK/err-0.txt" | sed "s/^/stderr: /"
to 0 keydown Escape
e2e_wait_exit "${pids[0]}" 30 || kill "${pids[0]}"
to 0 keyup Escape

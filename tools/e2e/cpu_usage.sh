#!/usr/bin/env bash
# Measures the CPU use of a running program on an X server: starts it in its
# working directory, waits for its window, then reads utime + stime from
# /proc/PID/stat across a measuring interval and prints the share of one core,
# split into the first thread, the other live threads and threads that have ended
# (frame-step workers). Runs itself under xvfb-run when no X server is given.
#
#   tools/e2e/cpu_usage.sh PROGRAM [WORKDIR] [SECONDS] [TITLE]
#   SDL_FRAMEBUFFER_ACCELERATION=0 tools/e2e/cpu_usage.sh build/src/game/brazdovar assets
#
# CPU_SCREEN=WxH sets the Xvfb screen (1024x768); CPU_WINDOW=WxH resizes the
# window before measuring, CPU_WINDOW=full presses F11; CPU_KEY=KEYSYM holds a key
# (R drives the green tank) while measuring.
set -euo pipefail
program=$(realpath "$1")
workdir=${2:-.}
seconds=${3:-10}
title=${4:-"Brazdovar - DEATHMATCH | 2 igraca"}

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 ${CPU_SCREEN:-1024x768}x24" "$0" "$program" "$workdir" "$seconds" "$title"
fi

# Not the developer's settings; the replays go to a folder of the run's own,
# removed at the end.
state=$(mktemp -d)
(cd "$workdir" && XDG_CONFIG_HOME=/nonexistent XDG_STATE_HOME="$state" exec "$program") &
pid=$!
trap 'kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; rm -rf "$state"' EXIT

for _ in $(seq 200); do
  xwininfo -root -children 2>/dev/null | grep -qF "\"$title\"" && break
  sleep 0.05
done
window=$(timeout 20 xdotool search --sync --pid "$pid" --name . | head -1)
xdotool windowfocus --sync "$window"
case "${CPU_WINDOW:-}" in
  "") ;;
  full) xdotool key F11 ;;
  *) xdotool windowmove "$window" 0 0 windowsize "$window" "${CPU_WINDOW%x*}" "${CPU_WINDOW#*x}" ;;
esac
[ -n "${CPU_KEY:-}" ] && xdotool keydown "$CPU_KEY"
sleep 1  # let start-up settle before measuring
xwininfo -id "$window" | awk '/Width|Height/ {printf "%s %s  ", $1, $2} END {print ""}'

ticks_per_second=$(getconf CLK_TCK)
# utime + stime of /proc/PID[/task/TID]/stat, in clock ticks; the fields after the
# command name (which may hold spaces) start at field 3.
cpu_ticks() { sed 's/^.*) //' "$1" | awk '{print $12 + $13}'; }
thread_ticks() {  # the sum over the live threads other than the first
  local sum=0 task
  for task in /proc/"$pid"/task/*; do
    [ "${task##*/}" = "$pid" ] && continue
    sum=$((sum + $(cpu_ticks "$task/stat" 2>/dev/null || echo 0)))
  done
  echo "$sum"
}

start_total=$(cpu_ticks /proc/"$pid"/stat)
start_main=$(cpu_ticks /proc/"$pid"/task/"$pid"/stat)
start_others=$(thread_ticks)
start_time=$(date +%s.%N)
sleep "$seconds"
end_total=$(cpu_ticks /proc/"$pid"/stat)
end_main=$(cpu_ticks /proc/"$pid"/task/"$pid"/stat)
end_others=$(thread_ticks)
end_time=$(date +%s.%N)

awk -v t0="$start_time" -v t1="$end_time" -v hz="$ticks_per_second" \
    -v total=$((end_total - start_total)) -v main=$((end_main - start_main)) \
    -v others=$((end_others - start_others)) 'BEGIN {
  wall = t1 - t0
  printf "wall %.2f s, CPU %.2f s: %.2f%% of one core\n", wall, total / hz, 100 * total / hz / wall
  printf "  first thread       %6.2f%%\n", 100 * main / hz / wall
  printf "  other live threads %6.2f%%\n", 100 * others / hz / wall
  printf "  ended threads      %6.2f%%\n", 100 * (total - main - others) / hz / wall
}'

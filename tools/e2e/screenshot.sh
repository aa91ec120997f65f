#!/usr/bin/env bash
# Screenshot of a match in progress: starts the game on an X server in its sprite
# folder, turns and drives both tanks with real key presses (xdotool, over XTest),
# fires one shot from each and saves the 640 x 480 client area while the shots fly.
# Runs itself under xvfb-run when no X server is given.
#
#   tools/e2e/screenshot.sh build/src/game/brazdovar assets docs/screenshot.png
set -euo pipefail
program=$(realpath "$1")
assets=$(realpath "$2")
output=$(realpath -m "$3")
title="Brazdovar - DEATHMATCH | 2 igraca"

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$program" "$assets" "$output"
fi

# Not the developer's settings; the replays go to a folder of the run's own,
# removed at the end.
state=$(mktemp -d)
(cd "$assets" && XDG_CONFIG_HOME=/nonexistent XDG_STATE_HOME="$state" exec "$program") &
pid=$!
trap 'xdotool keyup Left Up d r Control_L a 2>/dev/null || true; kill "$pid" 2>/dev/null && wait "$pid"; rm -rf "$state"' EXIT

game_window() { xwininfo -root -children | grep -F "\"$title\"" | awk '{print $1}' | tail -1; }
for _ in $(seq 200); do
  [ -n "$(game_window)" ] && break
  sleep 0.05
done
sleep 1  # the window may be replaced once just after it appears
window=$(game_window)
[ -n "$window" ] || { echo "no game window" >&2; exit 1; }
xdotool mousemove --window "$window" 320 240 windowfocus --sync "$window"

# Ten frame steps of turning: green to heading 120 (left and down), blue to 300
# (right and up), away from the bird; then both speed up and fire.
# One xdotool run, so that starting the tool does not stretch the key holds.
xdotool keydown Left d sleep 0.35 keyup Left d \
        keydown Up r sleep 0.6 keyup Up r \
        keydown Control_L a sleep 0.04 keyup Control_L a sleep 0.15
mkdir -p "$(dirname "$output")"
xwd -id "$window" -silent | convert xwd:- "$output"
echo "saved $output"

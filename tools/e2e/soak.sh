#!/usr/bin/env bash
# Soak test of the real game on an X server: runs it for SECONDS (default 600)
# with random presses of every game key (the arrows, Ctrl, A, D, F, G, R and Space;
# never Esc), samples its resident memory, then asks the window to close as a
# window manager would. Fails when the memory grew, when the game did not end
# with status 0 within one second of the close, or when it kept no replay of the
# session (in a folder of the run's own). Runs itself under xvfb-run when no X
# server is given.
#
#   tools/e2e/soak.sh PROGRAM [SECONDS] [WORKDIR]
#   tools/e2e/soak.sh build/src/game/brazdovar 60
set -euo pipefail
source "$(dirname "$0")/soak_lib.sh"
program=$(realpath "$1")
seconds=${2:-600}
workdir=${3:-.}
title="Brazdovar - DEATHMATCH | 2 igraca"
# Growth allowed between the first and the last quarter of the samples (KiB):
# allocator and thread-stack noise, far below what a leak over minutes adds up to.
slack_kib=${SOAK_SLACK_KIB:-2048}

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$program" "$seconds" "$workdir"
fi

# Settings and state folders of its own (the replays go there too): the developer's
# are neither read nor written.
xdg=$(mktemp -d)
export XDG_CONFIG_HOME="$xdg/config" XDG_STATE_HOME="$xdg/state"
(cd "$workdir" && exec "$program") &
pid=$!
trap 'kill -9 "$pid" 2>/dev/null || true; rm -rf "$xdg"; xdotool keyup Left Right Up Down Control_L a d f g r space 2>/dev/null || true' EXIT

window=
for _ in $(seq 400); do
  window=$(xdotool search --onlyvisible --pid "$pid" --name "^${title//|/\\|}\$" 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.05
done
[ -n "$window" ] || { echo "soak: no game window"; exit 1; }
xdotool windowfocus "$window" 2>/dev/null || true

keys=(Left Right Up Down Control_L a d f g r space)
samples=()
end=$((SECONDS + seconds))
next_sample=$SECONDS
while [ "$SECONDS" -lt "$end" ]; do
  kill -0 "$pid" 2>/dev/null || { echo "soak: the game ended by itself"; exit 1; }
  if [ "$SECONDS" -ge "$next_sample" ]; then
    samples+=("$(rss "$pid")")
    next_sample=$((SECONDS + 2))
  fi
  # One to three keys held together for 20 to 400 ms.
  held=()
  for _ in $(seq $((RANDOM % 3 + 1))); do held+=("${keys[RANDOM % ${#keys[@]}]}"); done
  xdotool keydown "${held[@]}"
  sleep "0.$(printf '%03d' $((RANDOM % 380 + 20)))"
  xdotool keyup "${held[@]}"
done

close_window "$window"
closed=$(date +%s%N)
status=
for _ in $(seq 200); do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid" && status=0 || status=$?
    break
  fi
  sleep 0.01
done
ended_ms=$((($(date +%s%N) - closed) / 1000000))

count=${#samples[@]}
read -r first last <<< "$(memory_ends "${samples[@]}")"
echo "soak: $seconds s, $count memory samples, resident $first KiB at first, $last KiB at last"
echo "soak: ended ${status:+with status $status }${ended_ms} ms after the close"
failed=0
if [ "$((last - first))" -gt "$slack_kib" ]; then
  echo "soak: memory grew by $((last - first)) KiB: ${samples[*]}"; failed=1
fi
if [ "$status" != 0 ] || [ "$ended_ms" -gt 1000 ]; then
  echo "soak: the game did not end with status 0 within one second of the close"; failed=1
fi
if ! ls "$XDG_STATE_HOME"/brazdovar/replays/*.replay > /dev/null 2>&1; then
  echo "soak: the session's replay was not kept"; failed=1
fi
exit "$failed"

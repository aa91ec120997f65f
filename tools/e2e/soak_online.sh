#!/usr/bin/env bash
# Soak test of online play: two real games, each on an Xvfb server of its own,
# the host on a free loopback port and the joiner through the lag relay (delay,
# jitter, loss, duplicates), for SECONDS (default 300) with random presses of every
# game key on both sides (Space too, so matches follow one another; never Esc).
# Samples both games' resident memory, then closes the joiner's window as a window
# manager would. Fails when either game ended by itself, reported a desync, grew in
# memory, did not end with status 0 (the host told that the other player left,
# not left to notice the silence), or when the two replays kept no decided match
# or different ones.
#
#   tools/e2e/soak_online.sh PROGRAM RELAY [SECONDS] [WORKDIR]
#   tools/e2e/soak_online.sh build/src/game/brazdovar build/tools/net/brazdovar-lag-relay 60 assets
set -euo pipefail
source "$(dirname "$0")/soak_lib.sh"
program=$(realpath "$1")
relay=$(realpath "$2")
seconds=${3:-300}
workdir=${4:-.}
title="Brazdovar - DEATHMATCH | 2 igraca"
slack_kib=${SOAK_SLACK_KIB:-2048}  # as soak.sh judges it

run=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$run"
}
trap cleanup EXIT

# An X server of its own on a free display number (it writes the number to fd 3).
start_x() {  # start_x NAME: sets x_display
  Xvfb -displayfd 3 -nolisten tcp -screen 0 800x600x24 3> "$run/$1.display" > /dev/null 2>&1 &
  pids+=("$!")
  for _ in $(seq 200); do grep -q . "$run/$1.display" 2>/dev/null && break; sleep 0.05; done
  x_display=":$(head -1 "$run/$1.display")"
}
free_port() {
  python3 -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
# Starts a game on a display with settings and state folders of its own; sets game.
start_game() {  # start_game NAME DISPLAY ARGS...
  local name=$1 display=$2; shift 2
  mkdir -p "$run/$name"
  (cd "$workdir" && DISPLAY=$display XDG_CONFIG_HOME="$run/$name/config" \
     XDG_STATE_HOME="$run/$name/state" exec "$program" "$@" > /dev/null 2> "$run/$name.err") &
  game=$!
  pids+=("$game")
}
find_window() {  # find_window DISPLAY PID
  for _ in $(seq 400); do
    local window
    window=$(DISPLAY=$1 xdotool search --onlyvisible --pid "$2" --name "^${title//|/\\|}\$" \
               2>/dev/null | head -1 || true)
    [ -n "$window" ] && { echo "$window"; return; }
    sleep 0.05
  done
}
# One to three game keys held together for 20 to 400 ms, again and again.
press_randomly() {  # press_randomly DISPLAY WINDOW
  local keys=(Left Right Up Down Control_L a d f g r space) held
  DISPLAY=$1 xdotool windowfocus "$2" 2>/dev/null || true
  while :; do
    held=()
    for _ in $(seq $((RANDOM % 3 + 1))); do held+=("${keys[RANDOM % ${#keys[@]}]}"); done
    DISPLAY=$1 xdotool keydown "${held[@]}" 2>/dev/null || true
    sleep "0.$(printf '%03d' $((RANDOM % 380 + 20)))"
    DISPLAY=$1 xdotool keyup "${held[@]}" 2>/dev/null || true
  done
}

start_x host; host_x=$x_display
start_x join; join_x=$x_display
[ "$host_x" != ":" ] && [ "$join_x" != ":" ] || { echo "soak_online: no X server"; exit 1; }
port=$(free_port) relay_port=$(free_port)
"$relay" --listen="$relay_port" --target="$port" --delay=50 --jitter=15 --loss=0.05 \
  --duplicate=0.01 --seed="$RANDOM" --seconds=$((seconds + 30)) > "$run/relay.out" 2>&1 &
relay_pid=$!
pids+=("$relay_pid")
start_game host "$host_x" --host="$port"; host=$game
host_window=$(find_window "$host_x" "$host")
start_game join "$join_x" --join=127.0.0.1:"$relay_port"; join=$game
join_window=$(find_window "$join_x" "$join")
[ -n "$host_window" ] && [ -n "$join_window" ] || { echo "soak_online: no game window"; exit 1; }
press_randomly "$host_x" "$host_window" &
pids+=("$!")
presser=$!
press_randomly "$join_x" "$join_window" &
pids+=("$!")
presser2=$!

host_samples=() join_samples=()
end=$((SECONDS + seconds))
while [ "$SECONDS" -lt "$end" ]; do
  for pid in "$host" "$join"; do
    kill -0 "$pid" 2>/dev/null && continue
    echo "soak_online: a game ended by itself:"; cat "$run/host.err" "$run/join.err"; exit 1
  done
  host_samples+=("$(rss "$host")") join_samples+=("$(rss "$join")")
  sleep 2
done
kill "$presser" "$presser2"
wait "$presser" "$presser2" 2>/dev/null || true
for display in "$host_x" "$join_x"; do
  DISPLAY=$display xdotool keyup Left Right Up Down Control_L a d f g r space 2>/dev/null || true
done

DISPLAY=$join_x close_window "$join_window"
closed=$(date +%s%N)
# Waits up to 6 s for a game to end; sets status and ms (after the close).
ended() {
  status=running ms=-
  for _ in $(seq 600); do
    if ! kill -0 "$1" 2>/dev/null; then
      status=0
      wait "$1" || status=$?
      ms=$((($(date +%s%N) - closed) / 1000000))
      return
    fi
    sleep 0.01
  done
}
ended "$join"; join_status=$status join_ms=$ms
ended "$host"; host_status=$status host_ms=$ms

failed=0
judge_memory() {  # judge_memory NAME SAMPLES...
  local name=$1; shift
  local count=$# samples=("$@") first last
  read -r first last <<< "$(memory_ends "$@")"
  echo "soak_online: $name: $count memory samples, resident $first KiB at first, $last KiB at last"
  if [ "$((last - first))" -gt "$slack_kib" ]; then
    echo "soak_online: $name: memory grew by $((last - first)) KiB: ${samples[*]}"; failed=1
  fi
}
kill "$relay_pid" 2>/dev/null && wait "$relay_pid" || true  # it prints its counts
echo "soak_online: $seconds s through the lag relay:"
sed 's/^/  /' "$run/relay.out"
judge_memory host "${host_samples[@]}"
judge_memory joiner "${join_samples[@]}"
echo "soak_online: the joiner ended with $join_status ${join_ms} ms after its window's close," \
     "the host with $host_status ${host_ms} ms after"
desyncs=$(cat "$run/host.err" "$run/join.err" | grep -c desync || true)
echo "soak_online: desyncs: $desyncs"
[ "$desyncs" = 0 ] || { cat "$run/host.err" "$run/join.err"; failed=1; }
if [ "$join_status" != 0 ] || [ "$host_status" != 0 ] || ! grep -q "other player left" "$run/host.err"; then
  echo "soak_online: both must end with status 0, the host told that the joiner left"
  cat "$run/host.err" "$run/join.err"; failed=1
fi
# Both recorded the same confirmed steps: the same decided matches, in the same order.
decided() { grep '^end ' "$run/$1"/state/brazdovar/replays/*.replay 2>/dev/null || true; }
decided host > "$run/host.decided"; decided join > "$run/join.decided"
echo "soak_online: matches decided: $(wc -l < "$run/host.decided")"
if ! [ -s "$run/host.decided" ] || ! cmp -s "$run/host.decided" "$run/join.decided"; then
  echo "soak_online: the replays kept no decided match, or different ones"; failed=1
fi
exit "$failed"

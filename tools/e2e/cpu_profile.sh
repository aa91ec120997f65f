#!/usr/bin/env bash
# Where a running program spends its CPU: samples it with perf for a while on an X
# server and prints the share per thread and shared object, then per symbol.
# Runs itself under xvfb-run when no X server is given. Needs perf_event_paranoid <= 2.
#
#   tools/e2e/cpu_profile.sh PROGRAM [WORKDIR] [SECONDS]
set -euo pipefail
program=$(realpath "$1")
workdir=${2:-.}
seconds=${3:-10}

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$program" "$workdir" "$seconds"
fi

data=$(mktemp --suffix=.perf)
# Not the developer's settings; the replays go to a folder of the run's own,
# removed at the end.
state=$(mktemp -d)
(cd "$workdir" && XDG_CONFIG_HOME=/nonexistent XDG_STATE_HOME="$state" exec "$program") &
pid=$!
trap 'kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; rm -rf "$data" "$state"' EXIT
sleep 2  # past start-up
perf record -q -F 999 -g -p "$pid" -o "$data" -- sleep "$seconds" > /dev/null 2>&1
report() { perf report -i "$data" --no-children -g none "$@" 2>/dev/null | grep -v '^#' | grep -v '^$'; }
echo "== share of the samples by thread and shared object"
report --sort pid,dso | head -20
echo "== by symbol"
report --sort dso,sym | head -25

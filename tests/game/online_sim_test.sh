#!/bin/bash
# Two brazdovar-sim processes play online over 127.0.0.1 through the lag relay
# (delay, jitter, loss, duplicates), in real time and bounded: both print the same
# confirmed lines with no desync and end with status 0; the host's replay, played
# back, prints its lines again; a joiner killed mid-match is noticed within 3 s.
# Usage: online_sim_test.sh SIM RELAY WORKDIR
set -u
SIM=$1 RELAY=$2 WORK=$3
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK" || exit 1
fail() { echo "FAIL: $*"; exit 1; }

# Random stretches of one key set, driving hard, with Space held for the next match.
script() {
  python3 - "$@" <<'EOF'
import random, sys
r = random.Random(int(sys.argv[1])); keys = sys.argv[3].split(','); t = 0
while t < int(sys.argv[2]):
    d = r.choice([70, 140, 210, 350])
    print(d, ' '.join([k for k in keys if r.random() < 0.4] + [keys[2], 'Space'])); t += d
EOF
}
script 1 8000 Left,Right,Up,Down,Ctrl > host.txt
script 2 11000 D,G,R,F,A > join.txt
script 3 60000 D,G,R,F,A > long.txt

# Free ports on the loopback: the host's (picked by the system) and the relay's.
"$SIM" --host=0 --record=host.replay host.txt > host.out 2> host.err &
HOST=$!
for _ in $(seq 50); do grep -q "listening on port" host.err && break; sleep 0.1; done
PORT=$(sed -n 's/.*listening on port \([0-9]*\).*/\1/p' host.err)
[ -n "$PORT" ] || fail "the host did not listen"
RELAY_PORT=$((20000 + (PORT + 1) % 20000))
"$RELAY" --listen=$RELAY_PORT --target=$PORT --delay=50 --jitter=15 --loss=0.05 \
  --duplicate=0.01 --seed=3 --seconds=40 > relay.out 2>&1 &
RELAY_PID=$!
sleep 0.2
timeout 40 "$SIM" --join=127.0.0.1:$RELAY_PORT join.txt > join.out 2> join.err
JOIN_STATUS=$?
wait $HOST; HOST_STATUS=$?
kill $RELAY_PID 2>/dev/null
[ $HOST_STATUS = 0 ] && [ $JOIN_STATUS = 0 ] || fail "status host $HOST_STATUS join $JOIN_STATUS"

confirmed() { grep -E '"event":"(frame|match_end|new_match)"' "$1" | sed 's/"time_ms":[0-9]*,//'; }
confirmed host.out > host.lines; confirmed join.out > join.lines
H=$(wc -l < host.lines) J=$(wc -l < join.lines)
[ $H -gt 100 ] && [ $J -gt 100 ] || fail "too few lines: host $H join $J"
# The side that left mid-match may have confirmed a few steps fewer or more.
N=$((H < J ? H : J))
[ $((H > J ? H - J : J - H)) -le 24 ] || fail "host $H and joiner $J lines differ too much"
cmp <(head -n $N host.lines) <(head -n $N join.lines) || fail "confirmed lines differ"
grep -q '"desyncs":0' host.out && grep -q '"desyncs":0' join.out || fail "desync"
grep -q '"event":"match_end"' host.lines || fail "no match was decided"

timeout 60 "$SIM" --replay=host.replay > replayed.out 2> replayed.err || fail "replay"
confirmed replayed.out > replayed.lines
cmp replayed.lines host.lines || fail "the replay's lines differ from the host's"

# A joiner killed mid-match: the host says so within the 3 s and ends with status 0.
"$SIM" --host=0 long.txt > host2.out 2> host2.err &
HOST=$!
for _ in $(seq 50); do grep -q "listening on port" host2.err && break; sleep 0.1; done
PORT=$(sed -n 's/.*listening on port \([0-9]*\).*/\1/p' host2.err)
"$SIM" --join=127.0.0.1:$PORT long.txt > join2.out 2> join2.err &
JOIN=$!
sleep 3
kill -9 $JOIN
KILLED=$(date +%s%N)
for _ in $(seq 40); do grep -q "gone" host2.err && break; sleep 0.1; done
NOTICED=$(date +%s%N)
grep -q "gone" host2.err || fail "the host did not notice the joiner had gone"
[ $(((NOTICED - KILLED) / 1000000)) -le 3500 ] || fail "noticed after $(((NOTICED - KILLED) / 1000000)) ms"
timeout 10 tail --pid=$HOST -f /dev/null || { kill $HOST; fail "the host hangs"; }
wait $HOST || fail "host status $?"
echo "PASS: host $H lines, joiner $J lines; $(grep -h '"event":"net"' host.out)"

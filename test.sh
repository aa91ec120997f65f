#!/usr/bin/env bash
# Builds everything and runs every test: unit and game tests, benchmark smoke runs,
# end-to-end tests and 60 s soaks of the game under Xvfb, alone and two online (the
# installed game among them), the installed files and the Debian package, the ASan+UBSan build (the e2e_asan
# end-to-end tests too) and the TSan build, and the fuzzers (from their kept corpora in
# fuzz/corpus/).
# Installs missing Debian packages first. FUZZ_SECONDS (default 60) bounds each fuzzer.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
brazdovar_need_packages "${BRAZDOVAR_BUILD_PACKAGES[@]}" "${BRAZDOVAR_TEST_PACKAGES[@]}"

jobs=$(nproc)
build() {  # build DIR [cmake args...]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" > "$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; return 1; }
  cmake --build "$dir" -j "$jobs"
}
mkdir -p build

echo "== Release build: unit, game and benchmark smoke tests"
build build -DCMAKE_BUILD_TYPE=Release
ctest --test-dir build -L 'unit|threads|game|bench' --output-on-failure -j "$jobs"

echo "== End-to-end tests under Xvfb"
if ctest --test-dir build -N -L e2e | grep -q 'Total Tests: [1-9]'; then
  xvfb-run -a -s '-screen 0 1920x1080x24' ctest --test-dir build -L e2e --output-on-failure
  echo "-- frame pacing of the game, local and online (figures only, never judged)"
  xvfb-run -a -s '-screen 0 1024x768x24' build/tools/e2e/brazdovar-pacing build/src/game/brazdovar assets \
    --online --seconds 1 --presses 5
fi
echo "== Soak: the game for 60 s of random keys, then a close"
tools/e2e/soak.sh build/src/game/brazdovar 60 assets
echo "== Soak online: two games through the lag relay for 60 s of random keys, then a close"
tools/e2e/soak_online.sh build/src/game/brazdovar build/tools/net/brazdovar-lag-relay 60 assets

echo "== What the build installs, and the Debian package"
tools/package/check_package.sh build

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
build build-asan -DCMAKE_BUILD_TYPE=Debug -DBRAZDOVAR_SANITIZE=address -DBRAZDOVAR_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan -L 'unit|threads|game' --output-on-failure -j "$jobs"
echo "-- 16- and 8-bit screens presented on a real window"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  xvfb-run -a -s '-screen 0 1920x1080x24' ctest --test-dir build-asan -L e2e_asan --output-on-failure

echo "== ThreadSanitizer"
build build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRAZDOVAR_SANITIZE=thread -DBRAZDOVAR_BENCH=OFF
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan -L threads --output-on-failure -j "$jobs"

echo "== Fuzzers"
build build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRAZDOVAR_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
# All fuzzers run at once for the same wall time; each writes its own log.
fuzz_dir=$(mktemp -d)
pids=()
while read -r name corpus; do
  [ -n "$name" ] || continue
  mkdir -p "$fuzz_dir/$name"
  IFS=: read -r -a seeds <<< "$corpus"
  # The kept corpus (the suites minimised, plus earlier finds) when there is one.
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  echo "-- $name for ${FUZZ_SECONDS:-60} s"
  build-fuzz/fuzz/*/"$name" -max_total_time="${FUZZ_SECONDS:-60}" -rss_limit_mb=2048 \
    -print_final_stats=0 -artifact_prefix="$fuzz_dir/$name/" "$fuzz_dir/$name" "${seeds[@]}" \
    > "$fuzz_dir/$name.log" 2>&1 &
  pids+=("$!:$name")
done < build-fuzz/fuzzers.txt
fuzz_failed=0
for entry in "${pids[@]}"; do
  if ! wait "${entry%%:*}"; then
    echo "-- ${entry#*:} found a problem:"; tail -40 "$fuzz_dir/${entry#*:}.log"; fuzz_failed=1
  fi
done
rm -rf "$fuzz_dir"
[ "$fuzz_failed" -eq 0 ]
echo "All test stages passed."

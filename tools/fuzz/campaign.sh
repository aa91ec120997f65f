#!/usr/bin/env bash
# A longer fuzzing campaign than the test command's 60 s runs, for use outside CI.
# Runs every fuzzer in turn (one at a time) for SECONDS each, starting from its kept
# corpus in fuzz/corpus/<fuzzer>/ (and the test suites it is seeded from), then
# merges what it found into the kept corpus, minimised, so the next run starts from
# the coverage this one reached. Prints each fuzzer's runs, speed, coverage and
# corpus size; exits non-zero if any fuzzer found a problem (its input is kept in
# the artifact folder it names).
#
#   tools/fuzz/campaign.sh              # 10 minutes each
#   tools/fuzz/campaign.sh 180          # 3 minutes each
#   FUZZERS="bmp_fuzzer" tools/fuzz/campaign.sh 60
#
# Commit the changes under fuzz/corpus/ afterwards to keep them.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-600}
build=${FUZZ_BUILD:-build-fuzz}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRAZDOVAR_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ > "$build.configure.log" 2>&1 ||
  { cat "$build.configure.log"; exit 1; }
# Only the fuzzers: the rest of the tree is built and tested elsewhere.
mapfile -t fuzzers < <(cut -d' ' -f1 "$build/fuzzers.txt")
cmake --build "$build" -j "$(nproc)" --target "${fuzzers[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts=${FUZZ_ARTIFACTS:-fuzz-artifacts}
mkdir -p "$artifacts"
failed=0
while read -r name seeds; do
  [ -n "$name" ] || continue
  if [ -n "${FUZZERS:-}" ] && [[ " $FUZZERS " != *" $name "* ]]; then continue; fi
  fuzzer=$(echo "$build"/fuzz/*/"$name")
  kept=fuzz/corpus/$name
  mkdir -p "$kept" "$work/$name" "$artifacts/$name"
  IFS=: read -r -a suites <<< "$seeds"
  echo "== $name for $seconds s (kept corpus: $(find "$kept" -type f | wc -l) files)"
  if ! "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$artifacts/$name/" "$work/$name" "$kept" "${suites[@]}" \
      > "$work/$name.log" 2>&1; then
    echo "-- $name found a problem:"; tail -40 "$work/$name.log"; failed=1
  fi
  # Figures: total runs and speed from the final statistics, coverage from the
  # last status line.
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/$name.log")
  status=$(grep -E '^#[0-9]+' "$work/$name.log" | tail -1 || true)
  echo "   runs ${runs:-?}, ${speed:-?}/s; last status: ${status:-none}"
  # Minimise the kept corpus, the suites and the new finds into one set.
  merged=$(mktemp -d)
  "$fuzzer" -merge=1 -rss_limit_mb=2048 "$merged" "$kept" "$work/$name" "${suites[@]}" \
    > "$work/$name.merge.log" 2>&1 || { tail -20 "$work/$name.merge.log"; failed=1; continue; }
  rm -rf "$kept"
  mv "$merged" "$kept"
  chmod 755 "$kept"
  echo "   kept corpus now $(find "$kept" -type f | wc -l) files, $(du -sh "$kept" | cut -f1)"
done < "$build/fuzzers.txt"
exit "$failed"

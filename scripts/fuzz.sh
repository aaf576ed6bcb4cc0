#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, address and undefined-behaviour sanitizers) into
# build-fuzz/ and runs each for a given time, then prints per target the inputs run, the
# corpus size and "no finding" or the file that holds the input that failed.
#
#   scripts/fuzz.sh [--seconds N] [--jobs J] [--no-build] [target...]
#
# Targets: tag_reader attribute_reader stamp_scan registry_format run_log date_format
# (default: all, 600 seconds each, one at a time). The corpus of each target grows in
# build-fuzz/corpus/TARGET across runs; it starts from fuzz/seeds and the example site.
# Findings and each target's output go to build-fuzz/findings/TARGET. Exits 1 when any
# target found something, 2 on a usage error.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build="$repo/build-fuzz"
all_targets=(tag_reader attribute_reader stamp_scan registry_format run_log date_format)
seconds=600 jobs=1 do_build=1 targets=()

usage() { sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; }
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift ;;
    --jobs) jobs=$2; shift ;;
    --no-build) do_build=0 ;;
    -h|--help) usage; exit 0 ;;
    -*) usage >&2; exit 2 ;;
    *)
      if ! printf '%s\n' "${all_targets[@]}" | grep -qx "$1"; then
        echo "unknown target: $1" >&2
        exit 2
      fi
      targets+=("$1") ;;
  esac
  shift
done
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

if [ "$do_build" -eq 1 ]; then
  "$repo/scripts/setup-debian.sh"
  CXX=clang++ cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZELVORA_BUILD_FUZZ=ON -DZELVORA_BUILD_TESTS=OFF -DZELVORA_BUILD_BENCH=OFF \
    -DZELVORA_BUILD_GUI=OFF >/dev/null
  cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_}" >/dev/null
fi

# seed TARGET: copies the seeds of TARGET into its corpus (existing inputs are kept).
seed() {
  local corpus="$build/corpus/$1"
  mkdir -p "$corpus"
  case "$1" in
    tag_reader|stamp_scan)
      cp -n "$repo"/fuzz/seeds/pages/* "$corpus"/
      find "$repo/examples/site" -name '*.htm' -exec sh -c \
        'for f; do cp -n "$f" "$0/example-$(echo "$f" | md5sum | cut -c1-12)"; done' "$corpus" {} + ;;
    run_log)
      # The log is CP932 on disk; the seed is kept as UTF-8 text.
      iconv -f UTF-8 -t CP932 "$repo/fuzz/seeds/run_log/log.txt" >"$corpus/log-cp932" ;;
    *) cp -n "$repo/fuzz/seeds/$1"/* "$corpus"/ ;;
  esac
}

dictionary() {
  case "$1" in
    tag_reader|attribute_reader|stamp_scan) echo "$repo/fuzz/dictionaries/html.dict" ;;
    registry_format|date_format) echo "$repo/fuzz/dictionaries/$1.dict" ;;
  esac
}

# run TARGET: runs one target for the given time; its output goes to findings/TARGET/log.
run() {
  local target=$1 findings="$build/findings/$1" dict
  mkdir -p "$findings"
  rm -f "$findings"/crash-* "$findings"/leak-* "$findings"/timeout-* "$findings"/oom-*
  dict=$(dictionary "$target")
  # Dates are read in a fixed zone without daylight saving, and messages in the C locale.
  (cd "$findings" && TZ=JST-9 LC_ALL=C "$build/fuzz/fuzz_$target" \
    -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -max_len=16384 \
    -print_final_stats=1 -artifact_prefix="$findings/" ${dict:+-dict="$dict"} \
    "$build/corpus/$target" >"$findings/log" 2>&1) || true
}

# summary TARGET: one line from the target's output.
summary() {
  local target=$1 findings="$build/findings/$1"
  local runs corpus found
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$findings/log")
  corpus=$(find "$build/corpus/$target" -type f | wc -l)
  found=$(find "$findings" -maxdepth 1 -regextype egrep -regex '.*/(crash|leak|timeout|oom)-.*' |
    head -1)
  printf '%-17s %12s runs in %ss, corpus %6s inputs: %s\n' "$target" "${runs:-?}" "$seconds" \
    "$corpus" "${found:-no finding}"
  [ -z "$found" ] && [ -n "$runs" ]
}

for target in "${targets[@]}"; do seed "$target"; done
pids=()
for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  echo "fuzzing $target for $seconds s"
  run "$target" &
  pids+=($!)
done
wait
status=0
for target in "${targets[@]}"; do summary "$target" || status=1; done
exit $status

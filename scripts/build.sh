#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine if needed, then configures and builds Zelvora in build/,
# the one build folder that the demo, the tests and the screenshots share (RelWithDebInfo,
# warnings as errors): each builds only what it lacks.
#   scripts/build.sh [TARGET...]    builds the targets named, or everything
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup-debian.sh
# Configuring again with the same options is quick and rebuilds nothing.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVORA_WERROR=ON >/dev/null
targets=()
for target in "$@"; do
  targets+=(--target "$target")
done
cmake --build build -j "$(nproc)" "${targets[@]}"

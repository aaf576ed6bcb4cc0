#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine if needed, then builds everything in build/ (shared with
# scripts/demo.sh, so only what the demo did not build is built) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/build.sh
ctest --test-dir build --output-on-failure -j "$(nproc)"
